// Sending on the UDP server page with peers on 127.0.0.0/8: files as one datagram or in
// pieces, send to all, repeat, and echo.
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>

#include "engine/auto_reply.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/settings/settings_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/pages/send_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CAutoReplyDlg;
using pages::CRepeatDlg;
using pages::CSendFileDlg;
using pages::CUdpServerDlg;
using enum CUdpServerDlg::ControlId;
using enum pages::CSetListenDlg::ControlId;

class UdpSendTest : public SendTest<CUdpServerDlg> {
protected:
    void Start() {
        port_ = FreeUdpPort();
        ScriptPrompt({{kBoxPort, QString::number(port_)}});
        Press(kCreate);
    }
    // A peer that has said hello, its node child `index`, selected.
    PeerSocket Peer(int index, const char* ip = "127.0.0.1") {
        PeerSocket fd(UdpBind(0, ip));
        EXPECT_TRUE(UdpSendTo(fd, "hello", port_));
        EXPECT_TRUE(Eventually([&] { return Root()->childCount() > index; }));
        ClickItem(Child(index));
        return fd;
    }
    std::string Datagram(int fd) {
        bool ok = false;
        std::string got = UdpRecv(fd, &ok);
        EXPECT_TRUE(ok);
        return got;
    }
    int port_ = 0;
};

TEST_F(UdpSendTest, AFileGoesAsOneDatagramOrInPiecesAndTooBigForOneIsRefused) {
    Start();
    PeerSocket peer = Peer(0);
    std::string bytes;
    const QString path = MakeFile("small.bin", 5000, &bytes);
    ScriptPrompt({{CSendFileDlg::kPath, path}});
    Menu("actionSendFile");
    // The file is read beside the window: sent once the page has taken what was read.
    EXPECT_TRUE(Eventually([&] { return MessageStarts("文件已发送：5000"); }));
    EXPECT_EQ(Datagram(peer), bytes);

    AnswerNextPrompt({{{CSendFileDlg::kPath, path}, {CSendFileDlg::kPieceSize, "1500"}},
                      {{CSendFileDlg::kSplit, true}},
                      true,
                      {}});
    Menu("actionSendFile");
    EXPECT_TRUE(Eventually([&] { return !page_->Sending()->Files()->Busy(); }));
    std::string joined;
    for (size_t want : {1500u, 1500u, 1500u, 500u}) {
        const std::string piece = Datagram(peer);
        EXPECT_EQ(piece.size(), want);
        joined += piece;
    }
    EXPECT_TRUE(joined == bytes);

    std::string big;
    const QString large = MakeFile("large.bin", 65508, &big);
    ScriptPrompt({{CSendFileDlg::kPath, large}});
    Menu("actionSendFile");
    EXPECT_TRUE(stayedOpen_);
    EXPECT_TRUE(MessageStarts("文件大于 65507 字节"));
    AnswerNextPrompt({{{CSendFileDlg::kPath, path}, {CSendFileDlg::kPieceSize, "65508"}},
                      {{CSendFileDlg::kSplit, true}},
                      true,
                      [](const PromptSeen& s) { seen_ = s; }});
    Menu("actionSendFile");
    EXPECT_TRUE(stayedOpen_);
    EXPECT_TRUE(MessageStarts("每个数据报的字节数"));
}

TEST_F(UdpSendTest, SendToAllRepeatAndEchoReachEachPeer) {
    Start();
    PeerSocket a = Peer(0, "127.0.0.1");
    PeerSocket b = Peer(1, "127.0.0.2");
    Type("to all");
    std::unique_ptr<QMenu> menu(page_->Sending()->MakeTreeMenu());
    menu->findChild<QAction*>("actionSendToAll")->trigger();
    EXPECT_EQ(Datagram(a), "to all");
    EXPECT_EQ(Datagram(b), "to all");
    EXPECT_TRUE(HasMessage("已发送给 2 个连接，0 个失败。", "提示"));

    ClickItem(Child(1));
    Type("tick");
    ScriptPrompt({{CRepeatDlg::kInterval, "1"}, {CRepeatDlg::kTimes, "5"}});
    Menu("actionRepeat");
    // The repeat runs on the page's timer: the datagrams are read while the page runs.
    int ticks = 0;
    EXPECT_TRUE(Eventually([&] {
        for (char buf[16]; recv(b, buf, sizeof buf, MSG_DONTWAIT) == 4;)
            ticks += std::string(buf, 4) == "tick";
        return ticks == 5;
    }));
    EXPECT_TRUE(Eventually([&] { return Sent().count(LogLine("tick")) == 5; }));

    AnswerNextPrompt({{}, {{CAutoReplyDlg::kEcho, true}}, true, {}});
    page_->Sending()->ChooseAutoReply();
    ASSERT_TRUE(UdpSendTo(a, "echo me", port_));
    std::string echoed;
    EXPECT_TRUE(Eventually([&] { return (echoed += ReadAvailable(a)) == "echo me"; }));
    ClickItem(Child(0));
    EXPECT_TRUE(Eventually([&] { return Sent().contains(LogLine("echo me")); }));
    // Stopping the server ends what the records could send: a repeat says so.
    Type("more");
    ScriptPrompt({{CRepeatDlg::kInterval, "5"}, {CRepeatDlg::kTimes, "0"}});
    Menu("actionRepeat");
    ClickItem(Root());
    Press(kStopReceive);
    EXPECT_TRUE(Eventually([&] { return page_->Sending()->Repeats()->Running() == 0; }));
    EXPECT_TRUE(Eventually([&] { return MessageStarts("重复发送已停止"); }));
    AnswerNextPrompt({{}, {{CAutoReplyDlg::kEcho, false}}, true, {}});
    page_->Sending()->ChooseAutoReply();
    EXPECT_EQ(pages::settings::IntValue("send/autoReply/page140/mode", -1, 0, 2), 0);
}

// The reply budget from the options dialog's sending tab: with no allowance a fixed reply larger
// than the request is withheld, and the record's counters line says so; the budget off answers.
TEST_F(UdpSendTest, TheReplyBudgetOptionWithholdsRepliesAndTheRecordSaysSo) {
    Start();
    PeerSocket a = Peer(0);
    ui::SetModalScript([](QDialog* dlg) {
        dlg->findChild<QCheckBox*>(QStringLiteral("sendReplyBudget"))->setChecked(true);
        dlg->findChild<QSpinBox*>(QStringLiteral("sendReplyAllowance"))->setValue(0);
        dlg->accept();
    });
    ASSERT_TRUE(pages::OpenSettings(page_.get()));
    EXPECT_EQ(ReplyAllowance(), 0);
    AnswerNextPrompt({{{CAutoReplyDlg::kReply, QStringLiteral("a long fixed reply")}},
                      {{CAutoReplyDlg::kFixed, true}},
                      true,
                      {}});
    page_->Sending()->ChooseAutoReply();
    ASSERT_TRUE(UdpSendTo(a, "?", port_));
    EXPECT_TRUE(Eventually([&] {
        page_->CountersLine()->Refresh();
        return page_->CountersLine()->text().contains(QStringLiteral("已丢弃 1 个回复"));
    })) << page_->CountersLine()->text().toStdString();

    ui::SetModalScript([](QDialog* dlg) {
        dlg->findChild<QCheckBox*>(QStringLiteral("sendReplyBudget"))->setChecked(false);
        dlg->accept();
    });
    ASSERT_TRUE(pages::OpenSettings(page_.get()));
    EXPECT_EQ(ReplyAllowance(), -1);
    ASSERT_TRUE(UdpSendTo(a, "?", port_));
    EXPECT_EQ(Datagram(a), "a long fixed reply");
    pages::StoreSendOptions({});
    EXPECT_EQ(ReplyAllowance(), kDefaultReplyAllowance);
}

}  // namespace
}  // namespace quillet::test
