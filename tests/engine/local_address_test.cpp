#include "engine/local_address.h"

#include <gtest/gtest.h>

namespace {

// Every test pins the addresses: nothing here may depend on the machine's real interfaces.
class LocalAddress : public ::testing::Test {
protected:
    void TearDown() override {
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
        SetLocalHostAddressForTest(std::nullopt);
    }
};

}  // namespace

TEST_F(LocalAddress, BroadcastIsAddressOrInverseMask) {
    g_adapterInfo.Set("10.1.2.3", "255.255.0.0");
    EXPECT_EQ(GetAdapterIpText(), "10.1.2.3");
    EXPECT_STREQ(GetBroadcastText(), "10.1.255.255");
    g_adapterInfo.Set("192.168.1.5", "255.255.255.0");
    EXPECT_STREQ(GetBroadcastText(), "192.168.1.255");
    g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    EXPECT_STREQ(GetBroadcastText(), "127.255.255.255");
}

TEST_F(LocalAddress, NoAdapterGivesEmptyPeerAndZeroBroadcast) {
    g_adapterInfo.Clear();
    EXPECT_EQ(GetAdapterIpText(), "");
    EXPECT_STREQ(GetBroadcastText(), "0.0.0.0");
}

TEST_F(LocalAddress, HostAddressSeam) {
    SetLocalHostAddressForTest("127.0.0.1");
    EXPECT_EQ(GetLocalHostAddress(), "127.0.0.1");
    SetLocalHostAddressForTest("");
    EXPECT_EQ(GetLocalHostAddress(), "");
}
