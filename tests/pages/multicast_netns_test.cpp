// Loop-back and time-to-live as they show on the wire. On the loopback interface every
// datagram comes back in through lo, so neither option is visible there; these tests build two
// network namespaces joined by a veth pair, make the page's member in one and a plain member
// in the other, and come back to the test's own namespace before they end.
#include "tests/common/veth_namespaces.h"
#include "tests/pages/multicast_fixture.h"

namespace quillet::test {
namespace {

using enum pages::CUdpClientDlg::ControlId;

using pages::kBoxInterface;
using pages::kBoxTtl;

class MulticastWireTest : public MulticastPageTest {
protected:
    void SetUp() override {
        MulticastPageTest::SetUp();
        if (!pair_.Ready())
            GTEST_SKIP() << "needs root and 'ip netns' to build a veth link in namespaces";
        // A free port of namespace a; the namespaces are new, so the next one is free too.
        ASSERT_TRUE(pair_.EnterA());
        PeerSocket probe(UdpBind(0, group_.c_str()));
        port_ = probe >= 0 ? LocalPort(probe) : -1;
        probe.Close();
        ASSERT_TRUE(pair_.Leave());
        ASSERT_GT(port_, 0);
        ASSERT_LT(port_, 65535);
    }
    void TearDown() override {
        pair_.Leave();
        MulticastPageTest::TearDown();
    }

    // A page member in namespace a; `more` adds prompt fields.
    void JoinInA(int localPort, std::map<int, QString> more, bool loop) {
        ASSERT_TRUE(pair_.EnterA());
        more[kBoxInterface] = "10.77.0.1";
        Join(page_.get(), port_, localPort, more, loop);
        ASSERT_TRUE(pair_.Leave());
    }
    int MemberInB() {
        EXPECT_TRUE(pair_.EnterB());
        const int fd = PlainMember(port_, "10.77.0.2");
        EXPECT_TRUE(pair_.Leave());
        return fd;
    }
    void SendFrom(int child, const QString& text) {
        ClickItem(Child(child));
        Type(text);
        Click(kSend);
        ASSERT_TRUE(Sent().contains(text)) << messages_.size();
    }

    // Namespace "a" (10.77.0.1) and "b" (10.77.0.2) on one veth link.
    VethNamespaces pair_{"qlmc", "10.77.0.1/24", "10.77.0.2/24"};
    int port_ = 0;
};

TEST_F(MulticastWireTest, LoopBackOffKeepsOwnDatagramsAway) {
    OpenPage();
    JoinInA(port_, {}, /*loop=*/false);
    ASSERT_EQ(Children(), 1);
    const int other = MemberInB();

    SendFrom(0, "own");
    EXPECT_EQ(Recv(other), "own");
    // The other member's answer arrives after our own datagram would have.
    ASSERT_TRUE(SendToGroup(other, "answer", port_));
    EXPECT_TRUE(Eventually([&] { return RecvLog(page_.get(), 0).contains("answer"); }));
    EXPECT_FALSE(RecvLog(page_.get(), 0).contains("own"));
}

TEST_F(MulticastWireTest, LoopBackOnAndTimeToLiveZeroStayOnThisHost) {
    OpenPage();
    // Member 0 keeps its datagrams on this host; member 1 (next port, same group port) sends
    // them one hop.
    JoinInA(port_, {{kBoxTtl, "0"}}, /*loop=*/true);
    JoinInA(port_ + 1, {{kBoxTtl, "1"}}, /*loop=*/true);
    ASSERT_EQ(Children(), 2);
    const int other = MemberInB();

    SendFrom(0, "host only");
    EXPECT_TRUE(Eventually([&] { return RecvLog(page_.get(), 0).contains("host only"); }));
    SendFrom(1, "one hop");
    // The first datagram the other namespace sees is the second one sent.
    EXPECT_EQ(Recv(other), "one hop");
    EXPECT_TRUE(Eventually([&] { return RecvLog(page_.get(), 0).contains("one hop"); }));
}

}  // namespace
}  // namespace quillet::test
