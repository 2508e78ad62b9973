#include "engine/local_address.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "engine/name_resolver.h"
#include "tests/common/wait_until.h"

using namespace quillet::engine;

using quillet::engine::LookUpHostInBackground;
using quillet::engine::SetHostLookupForTest;

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

namespace {

// A resolver that answers `answer` once the test opens it.
struct SlowResolver {
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;  // guarded by mutex
    int asked = 0;      // guarded by mutex
    int answered = 0;   // guarded by mutex

    explicit SlowResolver(const char* answer) {
        SetHostLookupForTest([this, answer](const std::string&) {
            std::unique_lock<std::mutex> lock(mutex);
            ++asked;
            opened.wait(lock, [&] { return open; });
            ++answered;
            return inet_addr(answer);
        });
    }
    ~SlowResolver() {
        Open();
        quillet::test::WaitUntil([&] {
            std::lock_guard<std::mutex> lock(mutex);
            return answered == asked;
        });
        SetHostLookupForTest(nullptr);
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex);
        open = true;
        opened.notify_all();
    }
    int Asked() {
        std::lock_guard<std::mutex> lock(mutex);
        return asked;
    }
};

}  // namespace

TEST(NameResolver, BackgroundLookupAnswersOnItsOwnThread) {
    SlowResolver resolver("127.0.0.7");
    std::mutex mutex;
    std::optional<in_addr_t> result;  // guarded by mutex
    std::thread::id answeredOn;       // guarded by mutex
    ASSERT_TRUE(LookUpHostInBackground("some.name.test", [&](in_addr_t a) {
        std::lock_guard<std::mutex> lock(mutex);
        result = a;
        answeredOn = std::this_thread::get_id();
    }));
    ASSERT_TRUE(quillet::test::WaitUntil([&] { return resolver.Asked() == 1; }));
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_FALSE(result);  // the caller went on while the lookup waits
    }
    resolver.Open();
    ASSERT_TRUE(quillet::test::WaitUntil([&] {
        std::lock_guard<std::mutex> lock(mutex);
        return result.has_value();
    }));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(*result, inet_addr("127.0.0.7"));
    EXPECT_NE(answeredOn, std::this_thread::get_id());
}

// The host's address is looked up once, in the background; a caller waits a short while at most
// and then gets empty text, and the address is there once the lookup ends.
TEST(NameResolver, HostAddressIsLookedUpOnceWithABound) {
    SlowResolver resolver("10.9.8.7");  // not loopback: used as it is
    StartLocalHostLookup();
    ASSERT_TRUE(quillet::test::WaitUntil([&] { return resolver.Asked() == 1; }));
    std::string address = "unset";
    EXPECT_FALSE(TryGetLocalHostAddress(&address));
    EXPECT_EQ(GetLocalHostAddress(), "");  // the bound ran out
    StartLocalHostLookup();
    EXPECT_EQ(resolver.Asked(), 1);
    resolver.Open();
    ASSERT_TRUE(quillet::test::WaitUntil([&] { return TryGetLocalHostAddress(&address); }));
    EXPECT_EQ(address, "10.9.8.7");
    EXPECT_EQ(GetLocalHostAddress(), "10.9.8.7");
    EXPECT_EQ(resolver.Asked(), 1);
    SetLocalHostAddressForTest("127.0.0.1");  // the seam still wins
    EXPECT_EQ(GetLocalHostAddress(), "127.0.0.1");
    SetLocalHostAddressForTest(std::nullopt);
}
