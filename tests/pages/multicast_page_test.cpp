// The multicast page on the loopback interface: members, their options, traffic between two
// pages' members, several members at once, and leaving the group.
#include "tests/pages/multicast_fixture.h"

namespace quillet::test {
namespace {

using enum pages::CUdpClientDlg::ControlId;

using pages::kBoxCount;
using pages::kBoxTtl;

class MulticastMemberTest : public MulticastPageTest {};

TEST_F(MulticastMemberTest, MemberIsBoundToTheGroupWithTheOptionsAsked) {
    auto* page = OpenPage();
    const int port = FreeUdpPort();
    Join(page, port, port, {{kBoxTtl, "7"}}, /*loop=*/false);
    ASSERT_EQ(Children(), 1) << (messages_.empty() ? "" : messages_.back().text.toStdString());
    pages::TreeNode* node = Child(0);
    const QString endpoint = QString::fromStdString(group_) + ":" + QString::number(port);
    EXPECT_EQ(node->text(0), "127.0.0.1:" + QString::number(port) + "<->" + endpoint);
    EXPECT_EQ(Image(node), 2);
    EXPECT_EQ(Tree()->currentItem(), node);
    EXPECT_TRUE(Enabled(kDelete));

    ConnectInfo* rec = Record(node);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(QString::fromStdString(rec->addrClient.Label()), endpoint);
    EXPECT_EQ(QString::fromStdString(rec->addrServer.Label()), endpoint);
    EXPECT_EQ(rec->nId, static_cast<uint32_t>(port));
    EXPECT_EQ(IntOption(rec->sock, IP_MULTICAST_TTL), 7);
    EXPECT_EQ(IntOption(rec->sock, IP_MULTICAST_LOOP), 0);
    in_addr iface{};
    socklen_t len = sizeof iface;
    getsockopt(rec->sock, IPPROTO_IP, IP_MULTICAST_IF, &iface, &len);
    EXPECT_EQ(iface.s_addr, inet_addr("127.0.0.1"));
    EXPECT_TRUE(KernelListsGroup());

    // A datagram to the group on this port reaches it and is shown.
    const int sender = PlainMember(FreeUdpPort());
    ASSERT_TRUE(SendToGroup(sender, "ping", port));
    EXPECT_TRUE(Eventually([&] { return Received().contains("ping"); }));

    // Delete closes the socket, which leaves the group.
    Click(kDelete);
    EXPECT_EQ(Children(), 0);
    fds_.clear();  // the sender too
    EXPECT_TRUE(Eventually([&] { return !KernelListsGroup(); }));
}

TEST_F(MulticastMemberTest, MembersOfTwoPagesExchangeDatagrams) {
    auto* first = OpenPage();
    auto second = std::make_unique<pages::CMulticastServerDlg>();
    const int port = FreeUdpPort();
    Join(first, port, port);
    Join(second.get(), port, port);
    ASSERT_EQ(Children(), 1);
    ASSERT_EQ(second->Tree()->topLevelItem(0)->childCount(), 1);
    const int listener = PlainMember(port);

    Type("hello group");
    Click(kSend);
    EXPECT_TRUE(Sent().contains("hello group"));
    EXPECT_TRUE(Eventually([&] { return RecvLog(second.get(), 0).contains("hello group"); }));
    EXPECT_EQ(Recv(listener), "hello group");
    EXPECT_EQ(Image(second->Tree()->topLevelItem(0)->child(0)), 2);  // selected: shown at once

    second->SendBox()->setPlainText("hello back");
    PressButton(second.get(), kSend);
    EXPECT_TRUE(Eventually([&] { return Received().contains("hello back"); }));
    EXPECT_EQ(Recv(listener), "hello back");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MulticastMemberTest, CountMakesMembersOnConsecutivePorts) {
    OpenPage();
    const int port = FreeUdpPorts(2);
    ASSERT_GT(port, 0);
    Join(page_.get(), port, port, {{kBoxCount, "2"}});
    ASSERT_EQ(Children(), 2);
    EXPECT_TRUE(Child(1)->text(0).startsWith("127.0.0.1:" + QString::number(port + 1) + "<->"));
    EXPECT_EQ(Tree()->currentItem(), Child(1));

    // A datagram for the first member's port goes to it alone, marked unread.
    const int sender = PlainMember(FreeUdpPort());
    ASSERT_TRUE(SendToGroup(sender, "first only", port));
    EXPECT_TRUE(Eventually([&] { return Image(Child(0)) == 5; }));
    EXPECT_TRUE(RecvLog(page_.get(), 0).contains("first only"));
    EXPECT_TRUE(RecvLog(page_.get(), 1).isEmpty());
    ClickItem(Child(0));
    EXPECT_EQ(Image(Child(0)), 2);
    EXPECT_TRUE(Received().contains("first only"));
}

TEST_F(MulticastMemberTest, ClosingThePageLeavesTheGroup) {
    OpenPage();
    const int port = FreeUdpPort();
    Join(page_.get(), port, port);
    ASSERT_EQ(Children(), 1);
    EXPECT_TRUE(KernelListsGroup());
    page_.reset();
    EXPECT_TRUE(Eventually([&] { return !KernelListsGroup(); }));
}

TEST_F(MulticastMemberTest, OnlyTheRootGetsTheUsualMessages) {
    OpenPage();
    Click(kSend);
    EXPECT_TRUE(LastMessage("请选择接收端！", "提示!"));
    Click(kClearReceived);
    EXPECT_TRUE(LastMessage("未选择要清除的连接", "提示"));
    Click(kClearSent);
    EXPECT_TRUE(LastMessage("未选择要清除的连接", "提示"));
}

}  // namespace
}  // namespace quillet::test
