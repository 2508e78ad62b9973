// The group prompt: what it offers, and what it refuses before anything is made.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include "tests/pages/multicast_fixture.h"

namespace quillet::test {
namespace {

using enum pages::CUdpClientDlg::ControlId;

using pages::kBoxCount;
using pages::kBoxGroup;
using pages::kBoxGroupPort;
using pages::kBoxInterface;
using pages::kBoxLocalPort;
using pages::kBoxLoop;
using pages::kBoxTtl;

class MulticastPromptTest : public MulticastPageTest {};

TEST_F(MulticastPromptTest, OffersDefaultsThenTheLastGroup) {
    auto* page = OpenPage();
    std::map<int, QString> offered;
    QString caption;
    bool loop = false;
    auto capture = [&](QDialog* dlg) {
        caption = dlg->windowTitle();
        for (auto* edit : dlg->findChildren<QLineEdit*>())
            offered[edit->objectName().toInt()] = edit->text();
        loop = dlg->findChild<QCheckBox*>(QString::number(kBoxLoop))->isChecked();
        dlg->findChild<QPushButton*>(ui::ControlName(pages::CPromptDlg::kCancel))->click();
    };
    ui::SetModalScript(capture);
    PressButton(page, kCreate);
    EXPECT_EQ(caption, "请输入组播参数");
    EXPECT_EQ(offered[kBoxGroup], "239.255.0.1");
    EXPECT_EQ(offered[kBoxGroupPort], "6666");
    EXPECT_EQ(offered[kBoxLocalPort], "6666");
    EXPECT_EQ(offered[kBoxTtl], "1");
    EXPECT_EQ(offered[kBoxInterface], "127.0.0.1");  // the root's address
    EXPECT_EQ(offered[kBoxCount], "1");
    EXPECT_TRUE(loop);
    EXPECT_EQ(Children(), 0);

    const int port = FreeUdpPort();
    Join(page, port, port);
    ASSERT_EQ(Children(), 1);
    ui::SetModalScript(capture);
    PressButton(page, kCreate);
    EXPECT_EQ(offered[kBoxGroup], QString::fromStdString(group_));
}

TEST_F(MulticastPromptTest, RefusesBadInputAndStaysOpen) {
    auto* page = OpenPage();
    const int port = FreeUdpPort();
    const QString portText = QString::number(port);
    struct Case {
        int box;
        QString text;
        QString message;
        QString caption;
    };
    const QString title = ui::AppTitle();
    const QString badGroup =
        QStringLiteral("组播地址有错! (应在 224.0.0.0 到 239.255.255.255 之间)");
    const QString badTtl = QStringLiteral("生存时间应在 0 到 255 之间！");
    const std::vector<Case> cases = {
        {kBoxGroup, "10.0.0.1", badGroup, title},
        {kBoxGroup, "240.0.0.1", badGroup, title},
        {kBoxGroup, "223.255.255.255", badGroup, title},
        {kBoxGroup, "no.such.group", badGroup, title},
        {kBoxGroupPort, "65536", "输入的端口号有错！", "提示"},
        {kBoxLocalPort, "99999999999", "输入的端口号有错！", "提示"},
        {kBoxTtl, "256", badTtl, "提示"},
        {kBoxTtl, "4294967297", badTtl, "提示"},  // would wrap to 1 if read into 32 bits
        {kBoxInterface, "1.2.3", "本地接口地址有错!", title},
        {kBoxInterface, "239.1.1.1", "本地接口地址有错!", title},
        {kBoxCount, "1001", "客户数量不能超过 1000！", "提示"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        std::map<int, QString> fields = {{kBoxGroup, QString::fromStdString(group_)},
                                         {kBoxGroupPort, portText},
                                         {kBoxLocalPort, portText}};
        fields[c.box] = c.text;
        bool open = false;
        AnswerGroup(fields, true, &open);
        PressButton(page, kCreate);
        EXPECT_TRUE(open);
        EXPECT_TRUE(LastMessage(c.message, c.caption))
            << (messages_.empty() ? "no message" : messages_.back().text.toStdString());
        EXPECT_EQ(Children(), 0);
    }
    EXPECT_FALSE(KernelListsGroup());
}

TEST_F(MulticastPromptTest, CountRunningPastTheLastPortIsRefused) {
    auto* page = OpenPage();
    bool open = false;
    AnswerGroup(
        {{kBoxGroup, QString::fromStdString(group_)}, {kBoxLocalPort, "65535"}, {kBoxCount, "2"}},
        true, &open);
    PressButton(page, kCreate);
    EXPECT_TRUE(open);
    EXPECT_TRUE(LastMessage("客户数量太多：本地端口将超过 65535！", "提示"));
    EXPECT_EQ(Children(), 0);
}

TEST_F(MulticastPromptTest, SecondMemberOnTheSameGroupAndPortIsRefused) {
    auto* page = OpenPage();
    const int port = FreeUdpPort();
    Join(page, port, port);
    ASSERT_EQ(Children(), 1);
    bool open = false;
    AnswerGroup({{kBoxGroup, QString::fromStdString(group_)},
                 {kBoxGroupPort, QString::number(port)},
                 {kBoxLocalPort, QString::number(port)}},
                true, &open);
    PressButton(page, kCreate);
    EXPECT_TRUE(open);
    EXPECT_TRUE(LastMessage("本地端口已经被占用!", ui::AppTitle()));
    EXPECT_EQ(Children(), 1);
}

TEST_F(MulticastPromptTest, ZeroPortOrForeignInterfaceMakesNothing) {
    auto* page = OpenPage();
    bool open = true;
    AnswerGroup({{kBoxGroup, QString::fromStdString(group_)}, {kBoxGroupPort, "0"}}, true, &open);
    PressButton(page, kCreate);
    EXPECT_FALSE(open);
    EXPECT_EQ(Children(), 0);
    EXPECT_TRUE(messages_.empty());

    // An address no interface of this host has: the join fails and the socket is dropped.
    // (Were it local after all, the join would announce itself on a real interface.)
    const char* foreign = "203.0.113.254";
    PeerSocket probe(UdpBind(0, foreign));
    if (probe >= 0) {
        probe.Close();
        GTEST_SKIP() << foreign << " is an address of this host";
    }
    const int port = FreeUdpPort();
    Join(page, port, port, {{kBoxInterface, foreign}});
    EXPECT_TRUE(LastMessage("加入组播组出错", "错误!"));
    EXPECT_EQ(Children(), 0);
    EXPECT_FALSE(KernelListsGroup());
    // The port is free again.
    EXPECT_GE(Peer(port, group_.c_str()), 0);
}

}  // namespace
}  // namespace quillet::test
