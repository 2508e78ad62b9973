// Sending on the TCP pages with real clients on 127.0.0.1: line endings, Ctrl+Enter, keeping
// the text, history, repeat, files, send to all and the automatic reply.
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <poll.h>

#include <atomic>
#include <thread>

#include "engine/crit_sec.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/log/log_find_bar.h"
#include "pages/log/log_view.h"
#include "pages/send/fed_encoding.h"
#include "pages/send/file_sender.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/send/send_box.h"
#include "pages/settings/settings_dlg.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/pages/send_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CAutoReplyDlg;
using pages::CRepeatDlg;
using pages::CSendFileDlg;
using pages::CTcpServerDlg;
using pages::LineEnding;
using enum CTcpServerDlg::ControlId;
using enum pages::CSetListenDlg::ControlId;

class TcpSendTest : public SendTest<CTcpServerDlg> {
protected:
    int Listen() { return this->ListenOnFreePort(); }
    // A client of the page, its node child `index`, selected.
    PeerSocket Client(int port, int index) {
        PeerSocket fd = this->AcceptedClient(port, index);
        ClickItem(Child(index));
        return fd;
    }
    void SendBox(const QString& text) {
        Type(text);
        Press(kSend);
    }
    void AutoReply(std::map<int, bool> checks, std::map<int, QString> fields = {}) {
        AnswerNextPrompt(
            {std::move(fields), std::move(checks), true, [](const PromptSeen& s) { seen_ = s; }});
        page_->Sending()->ChooseAutoReply();
    }
    void AutoReplyOff() {
        AutoReply({{CAutoReplyDlg::kEcho, false}, {CAutoReplyDlg::kFixed, false}});
    }
};

TEST_F(TcpSendTest, EachLineEndingGoesOutAsChosenAndHexIgnoresIt) {
    PeerSocket peer = Client(Listen(), 0);
    const std::pair<LineEnding, std::string> cases[] = {
        {LineEnding::kLf, "a\nb"},
        {LineEnding::kCrLf, "a\r\nb"},
        {LineEnding::kCr, "a\rb"},
        {LineEnding::kNone, "ab"},
    };
    for (const auto& [ending, wire] : cases) {
        Options(ending);
        SendBox("a\nb");
        EXPECT_EQ(RecvExactly(peer, wire.size()), wire) << int(ending);
    }
    // In the options dialog's tab too: CR LF chosen there goes out in UTF-16 as well.
    AnswerNextPrompt({{}, {}, true, {}});
    ui::SetModalScript([](QDialog* dlg) {
        dlg->findChild<QComboBox*>(QStringLiteral("sendLineEnding"))->setCurrentIndex(1);
        dlg->accept();
    });
    ASSERT_TRUE(pages::OpenSettings(page_.get()));
    ASSERT_TRUE(enc::SetWireEncoding("UTF-16LE"));
    SendBox("a\nb");
    EXPECT_EQ(RecvExactly(peer, 8), std::string("a\0\r\0\n\0b\0", 8));
    ASSERT_TRUE(enc::SetWireEncoding(enc::kHex));
    SendBox("41\n42");
    EXPECT_EQ(RecvExactly(peer, 2), "AB");
}

TEST_F(TcpSendTest, CtrlEnterSendsEnterBreaksTheLineAndTheBoxKeepsItsTextWhenAsked) {
    PeerSocket peer = Client(Listen(), 0);
    page_->SendBox()->setFocus();
    QTest::keyClicks(page_->SendBox(), "hi");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(page_->SendBox(), "there");
    EXPECT_EQ(Box(), "hi\nthere");
    Key(Qt::Key_Return);
    EXPECT_EQ(RecvExactly(peer, 8), "hi\nthere");
    EXPECT_EQ(Box(), "");  // emptied, as the Send button does

    Options(LineEnding::kLf, true);
    Type("again");
    Key(Qt::Key_Enter);  // the keypad's Enter
    EXPECT_EQ(RecvExactly(peer, 5), "again");
    EXPECT_EQ(Box(), "again");
    Menu("actionSend");
    EXPECT_EQ(RecvExactly(peer, 5), "again");
    EXPECT_TRUE(Eventually([&] { return Sent().count(LogLine("again")) == 2; }));
}

TEST_F(TcpSendTest, HistoryKeepsTheLastFiftyDistinctTextsNewestFirst) {
    PeerSocket peer = Client(Listen(), 0);
    for (const char* text : {"one", "two", "one"})
        SendBox(text);
    EXPECT_EQ(RecvExactly(peer, 9), "onetwoone");
    ASSERT_EQ(page_->Sending()->History().Entries().size(), 2u);
    Type("draft");
    Key(Qt::Key_Up);
    EXPECT_EQ(Box(), "one");
    Key(Qt::Key_Up);
    EXPECT_EQ(Box(), "two");
    Key(Qt::Key_Up);  // no older one
    EXPECT_EQ(Box(), "two");
    Key(Qt::Key_Down);
    EXPECT_EQ(Box(), "one");
    Key(Qt::Key_Down);
    EXPECT_EQ(Box(), "draft");

    std::unique_ptr<QMenu> menu(page_->Sending()->MakeSendBoxMenu());
    auto items = menu->findChild<QMenu*>(QStringLiteral("historyMenu"))->actions();
    ASSERT_EQ(items.size(), 2);
    items[1]->trigger();
    EXPECT_EQ(Box(), "two");

    for (int i = 0; i < 60; ++i)
        SendBox(QString::number(i));
    EXPECT_EQ(page_->Sending()->History().Entries().size(), pages::SendHistory::kMaxEntries);
    EXPECT_EQ(*page_->Sending()->History().Entries().front(), u"59");
    EXPECT_EQ(*page_->Sending()->History().Entries().back(), u"10");
}

TEST_F(TcpSendTest, RepeatSendsTheCountLogsEachAndRefusesBadIntervals) {
    PeerSocket peer = Client(Listen(), 0);
    ConnectInfo* rec = Rec(Child(0));
    Type("ping");
    for (const char* bad : {"0", "-5", "abc", "86400001", ""}) {
        ScriptPrompt({{CRepeatDlg::kInterval, bad}, {CRepeatDlg::kTimes, "3"}});
        Menu("actionRepeat");
        EXPECT_TRUE(stayedOpen_) << bad;
        EXPECT_TRUE(MessageStarts("间隔须为")) << bad;
        EXPECT_FALSE(page_->Sending()->Repeats()->IsRunning(rec));
    }
    ScriptPrompt({{CRepeatDlg::kInterval, "2"}, {CRepeatDlg::kTimes, "25"}});
    Menu("actionRepeat");
    std::string got;
    ASSERT_TRUE(Eventually([&] {
        got += ReadAvailable(peer);
        return got.size() >= 100;
    }));
    EXPECT_EQ(got, [] {
        std::string s;
        for (int i = 0; i < 25; ++i)
            s += "ping";
        return s;
    }());
    EXPECT_TRUE(Eventually([&] { return !page_->Sending()->Repeats()->IsRunning(rec); }));
    EXPECT_EQ(rec->nSentBytes, 100u);
    EXPECT_TRUE(Eventually([&] { return Sent().count(LogLine("ping")) == 25; }));
    EXPECT_EQ(Box(), "ping");  // the box keeps the repeated text
}

TEST_F(TcpSendTest, RepeatsOfSeveralClientsStopWhenTheirConnectionClosesOrRecordGoes) {
    const int port = Listen();
    PeerSocket a = Client(port, 0);
    PeerSocket b = Client(port, 1);
    ConnectInfo* ra = Rec(Child(0));
    ConnectInfo* rb = Rec(Child(1));
    Type("x");
    for (int i : {0, 1}) {
        ClickItem(Child(i));
        ScriptPrompt({{CRepeatDlg::kInterval, "1"}, {CRepeatDlg::kTimes, "0"}});
        Menu("actionRepeat");
    }
    EXPECT_TRUE(page_->Sending()->Repeats()->IsRunning(ra) &&
                page_->Sending()->Repeats()->IsRunning(rb));
    EXPECT_FALSE(
        page_->Sending()->MakeTreeMenu()->findChild<QAction*>("actionRepeat")->isEnabled());
    ASSERT_TRUE(Eventually([&] { return page_->Sending()->Repeats()->SentCount(ra) > 20; }));
    a.Close();
    ASSERT_TRUE(Eventually([&] { return !page_->Sending()->Repeats()->IsRunning(ra); }));
    EXPECT_TRUE(Eventually([&] { return MessageStarts("重复发送已停止：连接已关闭"); }));
    EXPECT_TRUE(page_->Sending()->Repeats()->IsRunning(rb));
    ClickItem(Child(1));
    Press(kDelete);
    EXPECT_EQ(page_->Sending()->Repeats()->Running(), 0u);
    EXPECT_TRUE(Eventually([&] { return MessageStarts("重复发送已停止：连接已删除"); }));
}

TEST_F(TcpSendTest, AFileArrivesByteForByteAndBadFilesAreRefused) {
    PeerSocket peer = Client(Listen(), 0);
    std::string bytes;
    const QString path = MakeFile("data.bin", (3u << 20) + 12345, &bytes);
    std::string got;
    std::thread reader([&] { got = RecvExactly(peer, bytes.size()); });
    ScriptPrompt({{CSendFileDlg::kPath, path}});
    Menu("actionSendFile");
    const bool done = Eventually([&] { return MessageStarts("文件已发送"); });
    reader.join();
    ASSERT_TRUE(done);
    EXPECT_TRUE(got == bytes);
    EXPECT_EQ(Rec(Child(0))->nSentBytes, bytes.size());
    EXPECT_FALSE(page_->Sending()->Files()->Busy());
    EXPECT_EQ(page_->findChild<QWidget*>("fileProgress"), nullptr);

    std::string none;
    const QString empty = MakeFile("empty.bin", 0, &none);
    const std::pair<QString, QString> bad[] = {
        {dir_.filePath("missing.bin"), "文件不存在。"},
        {dir_.path(), "这是一个文件夹，请选择一个文件。"},
        {empty, "文件是空的，没有可发送的内容。"},
    };
    for (const auto& [file, text] : bad) {
        ScriptPrompt({{CSendFileDlg::kPath, file}});
        Menu("actionSendFile");
        EXPECT_TRUE(stayedOpen_) << file.toStdString();
        EXPECT_TRUE(HasMessage(text, "提示")) << text.toStdString();
    }
}

TEST_F(TcpSendTest, AFileCutByThePeerSaysHowFarItGot) {
    PeerSocket peer = Client(Listen(), 0);
    std::string bytes;
    const QString path = MakeFile("big.bin", 64u << 20, &bytes);
    ScriptPrompt({{CSendFileDlg::kPath, path}});
    Menu("actionSendFile");
    ASSERT_TRUE(page_->Sending()->Files()->Busy());
    RecvExactly(peer, 1 << 20);
    peer.Close();  // unread data makes this a reset
    EXPECT_TRUE(Eventually([&] { return !page_->Sending()->Files()->Busy(); }));
    EXPECT_TRUE(Eventually([&] {
        return MessageStarts("连接已关闭，文件未发完") || MessageStarts("连接已断开，文件未发完");
    }));
}

TEST_F(TcpSendTest, AFileThatShrinksWhileSentSaysHowMuchWent) {
    PeerSocket peer = Client(Listen(), 0);
    std::string bytes;
    const QString path = MakeFile("shrinks.bin", 32u << 20, &bytes);
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        char buf[65536];
        while (!stop) {
            pollfd ready{peer, POLLIN, 0};
            if (poll(&ready, 1, 10) > 0 && recv(peer, buf, sizeof buf, 0) <= 0)
                break;
        }
    });
    ScriptPrompt({{CSendFileDlg::kPath, path}});
    Menu("actionSendFile");
    ASSERT_TRUE(page_->Sending()->Files()->Busy());
    QFile(path).resize(1 << 20);
    const bool told = Eventually([&] { return MessageStarts("文件在发送中变短了"); });
    stop = true;
    reader.join();
    EXPECT_TRUE(told);
    EXPECT_FALSE(page_->Sending()->Files()->Busy());
}

TEST_F(TcpSendTest, SendToAllReachesEveryOpenClientOnce) {
    const int port = Listen();
    PeerSocket a = Client(port, 0), b = Client(port, 1), c = Client(port, 2);
    c.Close();
    ASSERT_TRUE(Eventually([&] {
        return Icon(Child(2)) == pages::kImageClosed || Icon(Child(2)) == pages::kImageClosedUnread;
    }));
    Type("all");
    std::unique_ptr<QMenu> menu(page_->Sending()->MakeTreeMenu());
    menu->findChild<QAction*>("actionSendToAll")->trigger();
    EXPECT_EQ(RecvExactly(a, 3), "all");
    EXPECT_EQ(RecvExactly(b, 3), "all");
    EXPECT_TRUE(HasMessage("已发送给 2 个连接，0 个失败。", "提示"));
    EXPECT_EQ(Box(), "");
    EXPECT_EQ(Rec(Child(0))->nSentBytes, 3u);
}

TEST_F(TcpSendTest, EchoAndFixedRepliesComeFromTheWorkerAndAreLogged) {
    PeerSocket peer = Client(Listen(), 0);
    AutoReply({{CAutoReplyDlg::kEcho, true}});
    ASSERT_TRUE(SendAll(peer, "hello"));
    EXPECT_EQ(RecvExactly(peer, 5), "hello");
    EXPECT_TRUE(Eventually([&] { return Sent().contains(LogLine("hello")); }));
    EXPECT_TRUE(Eventually([&] { return Rec(Child(0))->nSentBytes == 5; }));

    AutoReply({{CAutoReplyDlg::kFixed, true}, {CAutoReplyDlg::kHex, true}},
              {{CAutoReplyDlg::kReply, "414"}});
    EXPECT_TRUE(stayedOpen_);
    EXPECT_TRUE(MessageStarts("回复内容不是有效的十六进制数据"));
    AutoReply({{CAutoReplyDlg::kFixed, true}, {CAutoReplyDlg::kHex, true}},
              {{CAutoReplyDlg::kReply, "4F 4b0d0a"}});
    ASSERT_TRUE(SendAll(peer, "anything"));
    EXPECT_EQ(RecvExactly(peer, 4), "OK\r\n");
    // Kept with the settings: a new page answers the same way.
    EXPECT_EQ(pages::settings::IntValue("send/autoReply/page129/mode", 0, 0, 2), 2);

    AutoReplyOff();
    ASSERT_TRUE(SendAll(peer, "quiet"));
    ASSERT_TRUE(Eventually([&] { return Rec(Child(0))->nRecvBytes >= 18; }));
    RunFor(std::chrono::milliseconds(50));
    char c;
    EXPECT_EQ(recv(peer, &c, 1, MSG_DONTWAIT), -1);
}

// Two pages of the program that would answer each other: the server never answers the
// program's own client, so no endless exchange starts; its record says why, and the pages
// close cleanly.
TEST_F(TcpSendTest, TwoEchoingPagesOfTheProgramDoNotAnswerEachOther) {
    const int port = Listen();
    AutoReply({{CAutoReplyDlg::kEcho, true}});
    pages::CTcpClientDlg client;
    client.show();
    AnswerNextPrompt({{pages::CDlgSetIp::kBoxAddress, "127.0.0.1"},
                      {pages::CDlgSetIp::kBoxPort, QString::number(port)},
                      {pages::CDlgSetIp::kBoxCount, "1"}});
    PressButton(&client, pages::CTcpClientDlg::kCreate);
    pages::TreeNode* node = client.Tree()->topLevelItem(0)->child(0);
    ASSERT_NE(node, nullptr);
    ClickTreeItem(&client, node);
    PressButton(&client, pages::CTcpClientDlg::kConnect);
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    AnswerNextPrompt({{}, {{CAutoReplyDlg::kEcho, true}}, true, {}});
    client.Sending()->ChooseAutoReply();
    ClickTreeItem(&client, node);
    client.SendBox()->setPlainText("ball");
    PressButton(&client, pages::CTcpClientDlg::kSend);
    ConnectInfo* rec = Rec(Child(0));
    ClickItem(Child(0));
    ASSERT_TRUE(Eventually([&] {
        page_->CountersLine()->Refresh();
        return page_->CountersLine()->text().contains(QStringLiteral("本程序自己的套接字 1 次"));
    })) << page_->CountersLine()->text().toStdString();
    {
        CCritSecLock lock(g_csConnect);
        EXPECT_EQ(rec->nRecvBytes, 4u);
        EXPECT_EQ(rec->sendQueue.doneBytes, 0u);
    }
    AutoReplyOff();
    client.close();
}

// The box lays out what it shows; a line of megabytes must not be laid out whole at each edit.
TEST_F(TcpSendTest, ATenMegabyteLineIsPastedAndTheBoxStaysResponsive) {
    PeerSocket peer = Client(Listen(), 0);
    const QString line = QString(10 << 20, QLatin1Char('q')) + QStringLiteral("\nend");
    QGuiApplication::clipboard()->setText(line);
    auto* box = static_cast<pages::CSendBox*>(page_->SendBox());
    box->setFocus();
    box->paste();
    box->repaint();
    EXPECT_EQ(box->Text(), line);
    EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);  // it looks as it always does
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(box, "!");
    box->moveCursor(QTextCursor::Start);
    box->moveCursor(QTextCursor::Right);
    QTest::keyClick(box, Qt::Key_Return);  // a real line break inside the long line
    box->repaint();
    EXPECT_EQ(box->Text(), QStringLiteral("q\n") + line.mid(1) + QStringLiteral("!"));
    // Copied out, it is the text as typed.
    box->selectAll();
    box->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), box->Text());
    QGuiApplication::clipboard()->clear();
    // What goes out is the text as typed (the sent view, being the log's, is not shown here).
    box->SetText(QString(100000, QLatin1Char('z')) + QStringLiteral("\n"));
    EXPECT_EQ(box->Text().size(), 100001);
    ClickItem(Root());
}

TEST_F(TcpSendTest, AMultiMegabyteLineFromTheBoxArrivesWholeIsLoggedWholeAndEmptiesTheBox) {
    PeerSocket peer = Client(Listen(), 0);
    // More than the socket takes at once: the rest goes out on the connection's writer.
    QString line(6 << 20, QLatin1Char('w'));
    for (qsizetype i = 0; i < line.size(); i += 4099)
        line[i] = QLatin1Char(static_cast<char>('a' + i % 26));
    auto* box = static_cast<pages::CSendBox*>(page_->SendBox());
    box->SetText(line);
    Press(kSend);
    EXPECT_EQ(RecvExactly(peer, static_cast<size_t>(line.size())), line.toStdString());
    EXPECT_TRUE(Eventually([&] { return box->document()->isEmpty(); }));
    EXPECT_TRUE(Eventually([&] { return Sent().count(line) == 1; }));
    ASSERT_FALSE(page_->Sending()->History().Entries().empty());
    EXPECT_EQ(*page_->Sending()->History().Entries().front(), line.toStdU16String());
    // Typed on after a paste, the box sends what it shows now.
    box->SetText(QString(100000, QLatin1Char('y')));
    box->moveCursor(QTextCursor::End);
    QTest::keyClicks(box, "z");
    Press(kSend);
    EXPECT_EQ(RecvExactly(peer, 100001), std::string(100000, 'y') + "z");
}

// A line of megabytes goes out while it is still being encoded: it arrives whole and before a
// text sent right after it, is logged and counted once, and the sent view shows its end and
// finds in it (the view renders the line aside, so these are waited for).
TEST_F(TcpSendTest, ATenMegabyteLineArrivesBeforeTheNextSendAndTheSentViewShowsAndFindsIt) {
    PeerSocket peer = Client(Listen(), 0);
    ConnectInfo* rec = Rec(Child(0));
    QString line(10'000'000, QLatin1Char('w'));
    line.replace(5'000'000, 6, QStringLiteral("needle"));
    // Characters of two and three bytes, and a surrogate pair across the first piece's end.
    for (qsizetype i = 1000; i < line.size() - 1000; i += 777'777)
        line.replace(i, 2, QStringLiteral("é中"));
    line.replace(static_cast<qsizetype>(pages::kFedChars) - 1, 2, QStringLiteral("😀"));
    line += QStringLiteral("THE-END");
    const std::string wire = enc::EncodeForWire(line.toStdU16String());
    auto* box = static_cast<pages::CSendBox*>(page_->SendBox());
    box->SetText(line);
    Press(kSend);
    box->SetText(QStringLiteral("tail"));
    Press(kSend);
    EXPECT_EQ(RecvExactly(peer, wire.size() + 4), wire + "tail");
    EXPECT_TRUE(Eventually([&] { return rec->nSentBytes == wire.size() + 4; }));
    EXPECT_TRUE(Eventually([&] { return box->document()->isEmpty(); }));
    const auto& history = page_->Sending()->History().Entries();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(*history[0], u"tail");
    EXPECT_EQ(*history[1], line.toStdU16String());

    pages::CLogView* view = page_->SentView();
    EXPECT_TRUE(Eventually([&] { return view->ShownText().contains(QStringLiteral("THE-END")); }));
    view->OpenFindBar();
    view->FindBar()->TextBox()->setText(QStringLiteral("needle"));
    view->Find(false);
    ASSERT_TRUE(Eventually([&] { return !view->IsSearching(); }));
    EXPECT_TRUE(view->LastSearchFound());
    EXPECT_EQ(view->SelectedText(), QStringLiteral("needle"));
    EXPECT_EQ(Sent().count(line), 1);
    QTest::keyClick(view->FindBar()->TextBox(), Qt::Key_Escape);
}

}  // namespace
}  // namespace quillet::test
