// The received and sent views over the records' chunk logs, with real peers on loopback: a
// flood shown whole, a huge log selected at once, the limits and their notice, every byte
// visible, rendering again after a change of encoding, byte view or stamp style, and a view
// that keeps its place while scrolled up.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <unistd.h>

#include <string>

#include "encoding/wire_codec.h"
#include "engine/chunk_log.h"
#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "engine/record_log.h"
#include "engine/record_store.h"
#include "pages/common/app_settings.h"
#include "pages/log/log_find_bar.h"
#include "pages/log/log_pieces.h"
#include "pages/log/log_sources.h"
#include "pages/log/log_save.h"
#include "pages/log/log_view.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/log/save_log_dlg.h"
#include "pages/settings/settings_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_server_dlg.h"
#include "skin/ui_kit.h"
#include "tests/pages/tcp_page_fixture.h"
#include "tests/pages/udp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using enum pages::CSetListenDlg::ControlId;

// UTF-8 on the wire and the default log settings for one test; the previous state after it.
struct LogState {
    LogState() { enc::SetWireEncoding("UTF-8"); }
    ~LogState() {
        enc::SetWireEncoding(enc::kAnsi);
        SetLogLimits(kDefaultLogLimitPerLog, kDefaultLogLimitTotal);
        SetHexTextView(false);
        SetStampStyle(StampStyle::kChinaSeconds);
        pages::settings::SetValue(QStringLiteral("log/stampStyle"), 0);
        pages::settings::SetValue(QStringLiteral("log/hexText"), false);
    }
};

uint64_t LogEnd(const ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    return rec->strRecv.End();
}

uint32_t Counted(const ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    return rec->nRecvBytesAll;
}

bool PairsWhole(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate()) {
            if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate())
                return false;
            ++i;
        } else if (text[i].isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

class TcpLogViewTest : public TcpPageTest<pages::CTcpServerDlg> {
protected:
    // A listening page and one accepted client, its node selected.
    PeerSocket Client() {
        const int port = FreeTcpPort();
        ScriptPrompt({{kBoxPort, QString::number(port)}});
        Press(pages::CTcpServerDlg::kCreate);
        PeerSocket fd(TcpConnect(port));
        EXPECT_GE(fd, 0);
        EXPECT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
        ClickItem(Child(0));
        return fd;
    }
    pages::CLogView* View() const { return page_->ReceivedView(); }
};

TEST_F(TcpLogViewTest, ShowsTheWholeOfAFloodAndNeverSplitsACharacter) {
    LogState state;
    PeerSocket peer = Client();
    ConnectInfo* rec = Rec(Child(0));
    // Four-byte characters all through the flood: chunk edges cut many of them.
    constexpr int kLines = 200000;
    std::string flood;
    for (int i = 0; i < kLines; ++i)
        flood += "L" + std::to_string(i) + "\xF0\x9F\x98\x80\n";
    ASSERT_GT(flood.size(), size_t{2} << 20);
    std::thread sender([&] { SendAll(peer, flood); });
    ASSERT_TRUE(Eventually([&] { return Counted(rec) == flood.size(); }));
    sender.join();
    // The view catches up with the newest chunk, whatever came before it.
    ASSERT_TRUE(Eventually([&] { return View()->ShownEnd() == LogEnd(rec); }));
    EXPECT_TRUE(View()->IsFollowing());
    const QString shown = View()->ShownText();
    EXPECT_TRUE(shown.contains(QStringLiteral("L%1\U0001F600").arg(kLines - 1)))
        << shown.toStdString();
    EXPECT_TRUE(PairsWhole(shown));
    const QString all = View()->toPlainText();
    EXPECT_EQ(all.count(QStringLiteral("\U0001F600")), kLines);
    EXPECT_FALSE(all.contains(QChar(0xFFFD)));
    EXPECT_TRUE(PairsWhole(all));
}

TEST_F(TcpLogViewTest, SelectingAHugeLogCopiesOnlyWhatIsInSight) {
    LogState state;
    SetLogLimits(uint64_t{256} << 20, uint64_t{1} << 30);
    PeerSocket peer = Client();
    ConnectInfo* rec = Rec(Child(0));
    ClickItem(Root());
    // 70 MiB in 1 KiB chunks, as a worker would log them.
    constexpr int kChunks = 70 * 1024;
    for (int i = 0; i < kChunks; ++i) {
        std::string chunk(1024, 'a' + i % 26);
        const std::string tag = "#" + std::to_string(i) + "#";
        chunk.replace(0, tag.size(), tag);
        LogReceivedChunk(rec, chunk, false);
    }
    const uint64_t before = RecordStore::CopiedChunks();
    ClickItem(Child(0));
    // Shown at once, from a copy of what is in sight only.
    EXPECT_TRUE(View()->ShownText().contains(QStringLiteral("#%1#").arg(kChunks - 1)));
    EXPECT_LT(RecordStore::CopiedChunks() - before, 200u);

    // A worker's append while the view is selected goes on and shows.
    LogReceivedChunk(rec, "late", false);
    page_->OnConnectionUpdate(rec, UPDATE_DATA, rec->nId);
    ASSERT_TRUE(Eventually([&] { return View()->ShownText().endsWith(QStringLiteral("  late")); }));

    // Ctrl+A then Ctrl+C of more than 64 MiB asks first; No copies nothing.
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QString asked;
    ui::SetModalScript([&](QDialog* dlg) {
        asked = dlg->objectName();
        auto* box = qobject_cast<QMessageBox*>(dlg);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_C, Qt::ControlModifier);
    ui::SetModalScript(nullptr);
    EXPECT_EQ(asked, QStringLiteral("copyLargeLogPrompt"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(TcpLogViewTest, SelectAllAndCopyTakeTheWholeLog) {
    LogState state;
    PeerSocket peer = Client();
    ConnectInfo* rec = Rec(Child(0));
    for (int i = 0; i < 300; ++i)
        LogReceivedChunk(rec, "line " + std::to_string(i), false);
    page_->OnConnectionUpdate(rec, UPDATE_DATA, rec->nId);
    ASSERT_TRUE(Eventually([&] { return View()->ShownEnd() == 300; }));
    View()->SelectAll();
    ASSERT_TRUE(View()->CopySelection());
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied, View()->toPlainText());
    EXPECT_EQ(copied.count(QLatin1Char('\n')), 300);
    EXPECT_TRUE(copied.contains(LogLine(QStringLiteral("line 0"))));
    EXPECT_TRUE(copied.contains(LogLine(QStringLiteral("line 299"))));
}

TEST_F(TcpLogViewTest, SaveWritesThePeersBytesOrTheShownText) {
    LogState state;
    PeerSocket peer = Client();
    ConnectInfo* rec = Rec(Child(0));
    const std::string bytes("hi\0\xFF\xE4\xBD\xA0\r\nthere", 12);
    ASSERT_TRUE(SendAll(peer, bytes));
    ASSERT_TRUE(Eventually([&] { return Counted(rec) == bytes.size(); }));
    const QString dir = QDir::tempPath() + QStringLiteral("/quillet-save-%1").arg(getpid());
    QDir().mkpath(dir);
    const auto save = [&](int what, int format, const QString& path) {
        QString opened;
        ui::SetModalScript([&](QDialog* dlg) {
            opened = dlg->objectName();
            auto* save = qobject_cast<pages::CSaveLogDlg*>(dlg);
            ASSERT_NE(save, nullptr);
            save->WhatBox()->setCurrentIndex(what);
            save->FormatBox()->setCurrentIndex(format);
            save->PathBox()->setText(path);
            save->accept();
        });
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
        ui::SetModalScript(nullptr);
        EXPECT_EQ(opened, QStringLiteral("saveLogDlg"));
        // The save runs beside the window.
        EXPECT_TRUE(Eventually([&] { return !View()->findChild<pages::LogSaver*>(); }));
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    };
    // Raw: exactly the peer's bytes, whatever chunks they came in.
    EXPECT_EQ(save(0, 1, dir + QStringLiteral("/raw.bin")), QByteArray(bytes.data(), 12));
    // Text: what the view shows.
    EXPECT_EQ(save(0, 0, dir + QStringLiteral("/text.log")), Received().toUtf8());
    // Both, in time order: the reply after what came before it.
    Type(QStringLiteral("reply"));
    Press(pages::CTcpServerDlg::kSend);
    ASSERT_TRUE(Eventually([&] { return Sent().contains(QStringLiteral("reply")); }));
    EXPECT_EQ(save(2, 1, dir + QStringLiteral("/both.bin")),
              QByteArray(bytes.data(), 12) + QByteArray("reply"));
    const QByteArray both = save(2, 0, dir + QStringLiteral("/both.log"));
    EXPECT_TRUE(both.startsWith("<< "));
    EXPECT_TRUE(both.contains("\n>> "));
    EXPECT_TRUE(both.endsWith("  reply\n"));
    // A folder that does not exist: told, nothing else happens.
    messages_.clear();
    save(0, 1, dir + QStringLiteral("/missing/raw.bin"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("保存失败：文件或文件夹不存在"));  // not 未知错误
    EXPECT_EQ(messages_[0].caption, QStringLiteral("错误"));
    QDir(dir).removeRecursively();
}

class UdpLogViewTest : public UdpPageTest {
protected:
    void Start() {
        Open<pages::CUdpServerDlg>();
        port_ = FreeUdpPort();
        AnswerPrompt({{kBoxPort, QString::number(port_)}});
        Click(pages::CUdpServerDlg::kCreate);
    }
    // Sends each datagram from `fd`, waits until the page counted them all, selects the peer.
    ConnectInfo* SendAndSelect(int fd, const std::vector<std::string>& datagrams) {
        size_t total = 0;
        for (const std::string& d : datagrams) {
            EXPECT_TRUE(UdpSendTo(fd, d, port_));
            total += d.size();
        }
        EXPECT_TRUE(Eventually([&] { return Children() == 1; }));
        ConnectInfo* rec = pages::CTreeCtrlEx::ItemData<ConnectInfo>(Child(0));
        EXPECT_TRUE(Eventually([&] { return Counted(rec) >= total; }));
        if (Tree()->currentItem() != Child(0))
            ClickItem(Child(0));
        return rec;
    }
    pages::CLogView* View() const { return page_->ReceivedView(); }
    int port_ = 0;
};

TEST_F(UdpLogViewTest, AWholeDatagramOf65507BytesArrives) {
    LogState state;
    Start();
    ConnectInfo* rec = SendAndSelect(Peer(), {std::string(65507, 'h')});
    EXPECT_EQ(Counted(rec), 65507u);
    EXPECT_TRUE(Received().contains(QString(65507, QLatin1Char('h')) + QLatin1Char('\n')));
}

TEST_F(UdpLogViewTest, ZeroControlAndBidiBytesShowAsMarks) {
    LogState state;
    Start();
    SendAndSelect(Peer(), {std::string("a\0b\x07\xE2\x80\xAEgnp.exe", 14), std::string("\0\0", 2),
                           "one\n2017-01-01 00:00:00  forged"});
    const QString text = Received();
    EXPECT_TRUE(text.contains(QStringLiteral("  a\u2400b\u2407<U+202E>gnp.exe\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("  \u2400\u2400\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("  one\n    2017-01-01 00:00:00  forged\n")));
    // Every line that starts with a stamp is a chunk of its own: three of them.
    EXPECT_EQ(text.count(QRegularExpression(QStringLiteral("(^|\n)\\d{4}-"))), 3);
}

TEST_F(UdpLogViewTest, LimitDropsTheOldestChunksAndTheViewSaysHowMany) {
    LogState state;
    // Room for four datagrams of 1,000 bytes as the limits count them.
    SetLogLimits(ChunkLog::BaseCost() + 4 * ChunkLog::CostOf(std::string(1000, 'd').capacity()),
                 uint64_t{1} << 30);
    Start();
    std::vector<std::string> datagrams;
    for (int i = 0; i < 10; ++i)
        datagrams.push_back(std::to_string(i) + std::string(999, 'd'));
    ConnectInfo* rec = SendAndSelect(Peer(), datagrams);
    EXPECT_EQ(Counted(rec), 10000u);  // the counters count all that came
    const QStringList lines = Received().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], pages::DroppedNotice(6000));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("6000")));
    EXPECT_TRUE(lines[1].contains(QStringLiteral("  6ddd")));
    View()->ScrollToStart();
    EXPECT_TRUE(View()->ShownText().startsWith(pages::DroppedNotice(6000)));
}

TEST_F(UdpLogViewTest, ChangingTheEncodingOrByteViewRendersOldLinesAgain) {
    LogState state;
    Start();
    SendAndSelect(Peer(), {"\xE4\xBD\xA0"
                           "A"});
    EXPECT_TRUE(View()->ShownText().endsWith(QStringLiteral("  你A")));
    enc::SetWireEncoding(enc::kHex);
    pages::CLogView::RefreshAll();
    EXPECT_TRUE(View()->ShownText().endsWith(QStringLiteral("  E4 BD A0 41")));
    enc::SetWireEncoding("UTF-8");
    View()->HexTextAction()->trigger();
    EXPECT_TRUE(HexTextView());
    EXPECT_TRUE(pages::settings::BoolValue(QStringLiteral("log/hexText"), false));
    EXPECT_TRUE(
        View()->ShownText().contains(QRegularExpression(QStringLiteral("  E4 BD A0 41 +你A$"))));
    EXPECT_TRUE(page_->SentView()->HexTextAction()->isChecked());
    View()->HexTextAction()->trigger();
    EXPECT_TRUE(View()->ShownText().endsWith(QStringLiteral("  你A")));
}

TEST_F(UdpLogViewTest, StampStyleSettingRendersEveryLineAgain) {
    LogState state;
    Start();
    SendAndSelect(Peer(), {"hello"});
    EXPECT_TRUE(Received().contains(LogLine(QStringLiteral("hello"))));
    const auto styled = [&](int style) {
        pages::settings::SetValue(QStringLiteral("log/stampStyle"), style);
        emit pages::SettingsNews::Instance().Changed();
        return View()->ShownText();
    };
    EXPECT_TRUE(styled(2).contains(QRegularExpression(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z  hello$"))));
    EXPECT_TRUE(styled(1).contains(QRegularExpression(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  hello$"))));
    EXPECT_TRUE(styled(0).contains(LogLine(QStringLiteral("hello"))));
}

TEST_F(UdpLogViewTest, ScrolledUpTheViewKeepsItsPlaceAndSaysNewDataCame) {
    LogState state;
    Start();
    const int peer = Peer();
    std::vector<std::string> first;
    for (int i = 0; i < 200; ++i)
        first.push_back("line " + std::to_string(i));
    ConnectInfo* rec = SendAndSelect(peer, first);
    ASSERT_TRUE(Eventually([&] { return View()->ShownEnd() == 200; }));
    EXPECT_TRUE(View()->IsFollowing());
    EXPECT_TRUE(View()->verticalScrollBar()->isVisible());

    // Wheel and keys move it up; it stays there while data arrives.
    QWheelEvent wheel(QPointF(10, 10), View()->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View()->viewport(), &wheel);
    QTest::keyClick(View(), Qt::Key_Up);
    EXPECT_FALSE(View()->IsFollowing());
    const uint64_t top = View()->TopItem();
    EXPECT_LT(top, 200u);
    EXPECT_FALSE(View()->HasUnseenData());
    for (int i = 200; i < 260; ++i)
        ASSERT_TRUE(UdpSendTo(peer, "line " + std::to_string(i), port_));
    ASSERT_TRUE(Eventually([&] { return LogEnd(rec) == 260; }));
    ProcessEvents();
    EXPECT_EQ(View()->TopItem(), top);
    EXPECT_TRUE(View()->HasUnseenData());
    EXPECT_FALSE(View()->ShownText().contains(QStringLiteral("line 259")));

    // Ctrl+Home goes to the start; End follows again.
    QTest::keyClick(View(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(View()->TopItem(), 0u);
    EXPECT_TRUE(View()->ShownText().startsWith(QStringLiteral("20")));
    QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(View()->IsFollowing());
    EXPECT_FALSE(View()->HasUnseenData());
    EXPECT_TRUE(View()->ShownText().endsWith(QStringLiteral("  line 259")));
    // Scrolling down to the end by keys follows again too.
    QTest::keyClick(View(), Qt::Key_PageUp);
    EXPECT_FALSE(View()->IsFollowing());
    for (int i = 0; i < 10 && !View()->IsFollowing(); ++i)
        QTest::keyClick(View(), Qt::Key_PageDown);
    EXPECT_TRUE(View()->IsFollowing());
}

// A search run to its end, however many slices it takes; whether it found a match.
bool FindToTheEnd(pages::CLogView* view, bool forward) {
    view->Find(forward);
    return RunUntil([&] { return !view->IsSearching(); }) && view->LastSearchFound();
}

TEST_F(UdpLogViewTest, FindSearchesTheWholeLogBeyondWhatIsShown) {
    LogState state;
    Start();
    std::vector<std::string> datagrams;
    for (int i = 0; i < 300; ++i)
        datagrams.push_back(i == 3     ? "a needle here"
                            : i == 250 ? "NEEDLE again"
                                       : "line " + std::to_string(i));
    SendAndSelect(Peer(), datagrams);
    ASSERT_TRUE(Eventually([&] { return View()->ShownEnd() == 300; }));
    QTest::keyClick(View(), Qt::Key_F, Qt::ControlModifier);
    pages::CLogFindBar* bar = View()->FindBar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_FALSE(FindToTheEnd(View(), true));  // nothing to find yet
    bar->TextBox()->setText(QStringLiteral("needle"));
    // From the end in sight, round to the start: the first one, brought into sight.
    ASSERT_TRUE(FindToTheEnd(View(), true));
    EXPECT_EQ(View()->SelectedText(), QStringLiteral("needle"));
    EXPECT_LE(View()->TopItem(), 3u);
    EXPECT_TRUE(View()->ShownText().contains(QStringLiteral("a needle here")));
    ASSERT_TRUE(FindToTheEnd(View(), true));
    EXPECT_EQ(View()->SelectedText(), QStringLiteral("NEEDLE"));
    ASSERT_TRUE(FindToTheEnd(View(), false));
    EXPECT_EQ(View()->SelectedText(), QStringLiteral("needle"));
    bar->MatchCase()->setChecked(true);
    ASSERT_TRUE(FindToTheEnd(View(), true));
    EXPECT_EQ(View()->SelectedText(), QStringLiteral("needle"));  // round again to the same
    bar->MatchCase()->setChecked(false);
    bar->WholeWord()->setChecked(true);
    bar->TextBox()->setText(QStringLiteral("needl"));
    EXPECT_FALSE(FindToTheEnd(View(), true));
    EXPECT_EQ(bar->Status()->text(), QStringLiteral("未找到"));
    bar->WholeWord()->setChecked(false);
    bar->TextBox()->setText(QString(5000, QLatin1Char('x')));  // longer than any line
    EXPECT_FALSE(FindToTheEnd(View(), true));
    bar->TextBox()->setText(QStringLiteral("line 299"));
    bar->HighlightAll()->setChecked(true);
    EXPECT_TRUE(FindToTheEnd(View(), false));
    View()->repaint();  // highlighting paints without trouble
    QTest::keyClick(bar->TextBox(), Qt::Key_Escape);
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(UdpLogViewTest, ALostChunkIsCountedAndToldOnce) {
    LogState state;
    Start();
    const int peer = Peer();
    ConnectInfo* rec = SendAndSelect(peer, {"first"});
    ChunkLog::FailNextAppendsForTest(2);  // as if memory ran out in the receive thread
    ASSERT_TRUE(UdpSendTo(peer, "lost", port_));
    ASSERT_TRUE(UdpSendTo(peer, "lost too", port_));
    ASSERT_TRUE(UdpSendTo(peer, "after", port_));
    ASSERT_TRUE(Eventually([&] { return Received().contains(QStringLiteral("  after")); }));
    EXPECT_EQ(Counted(rec), 5u + 4u + 8u + 5u);
    EXPECT_FALSE(Received().contains(QStringLiteral("lost")));
    {
        CCritSecLock lock(g_csConnect);
        EXPECT_EQ(rec->strRecv.FailedBytes(), 12u);
    }
    ProcessEvents();
    int told = 0;
    for (const auto& m : messages_)
        told += m.text.startsWith(QStringLiteral("内存不足"));
    EXPECT_EQ(told, 1);
}

// A search of a long log runs in slices: the window serves its events between them, a new
// search or closing the bar ends the old one, and the match is shown when it is found.
TEST_F(UdpLogViewTest, ASearchRunsInSlicesBetweenEventsAndCanBeCancelled) {
    LogState state;
    Start();
    std::vector<std::string> datagrams;
    for (int i = 0; i < 300; ++i)
        datagrams.push_back(i == 3 ? "a needle here" : "line " + std::to_string(i));
    SendAndSelect(Peer(), datagrams);
    ASSERT_TRUE(Eventually([&] { return View()->ShownEnd() == 300; }));
    pages::CLogView::SetSearchSliceForTest(0, 16);  // one step of 16 items a slice
    struct Restore {
        ~Restore() { pages::CLogView::SetSearchSliceForTest(0, 0); }
    } restore;
    int finished = 0;
    QObject::connect(View(), &pages::CLogView::SearchFinished, View(), [&] { ++finished; });
    View()->OpenFindBar();
    pages::CLogFindBar* bar = View()->FindBar();
    bar->TextBox()->setText(QStringLiteral("needle"));

    // From the end in sight round to the start: many slices.
    EXPECT_FALSE(View()->Find(true));
    EXPECT_TRUE(View()->IsSearching());
    EXPECT_EQ(bar->Status()->text(), QStringLiteral("正在查找…"));
    bool served = false;
    QTimer::singleShot(0, View(), [&] { served = true; });
    ASSERT_TRUE(Eventually([&] { return !View()->IsSearching(); }));
    EXPECT_TRUE(served);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(View()->LastSearchFound());
    EXPECT_EQ(View()->SelectedText(), QStringLiteral("needle"));
    EXPECT_TRUE(bar->Status()->text().isEmpty());

    // A second search replaces the first; closing the bar ends a search without an answer.
    View()->ScrollToEnd();
    EXPECT_FALSE(View()->Find(false));
    EXPECT_FALSE(View()->Find(false));
    ASSERT_TRUE(Eventually([&] { return !View()->IsSearching(); }));
    EXPECT_EQ(finished, 2);
    EXPECT_FALSE(View()->Find(true));
    ASSERT_TRUE(View()->IsSearching());
    QTest::keyClick(bar->TextBox(), Qt::Key_Escape);
    EXPECT_FALSE(View()->IsSearching());
    // The cancelled search's next slice, already posted, does nothing.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished, 2);
}

TEST_F(TcpLogViewTest, AOneLineChunkOfTenMegabytesLaysOutOnlyWhatIsInSight) {
    LogState state;
    PeerSocket fd = Client();
    ConnectInfo* rec = Rec(Child(0));
    std::string line(10'000'000, 'a');
    line.replace(5'000'000, 6, "needle");
    LogSentChunk(rec, line);
    pages::CLogView* view = page_->SentView();
    const uint64_t before = pages::CLogView::LaidOutChars();
    page_->ShowSentLog(rec);
    // Rendered aside, the line shows its first bytes and then, once rendered, its end.
    EXPECT_TRUE(view->ShownText().endsWith(QStringLiteral("a \u2026")));
    EXPECT_TRUE(Eventually([&] { return view->ShownText().endsWith(QStringLiteral("aaaa")); }));
    // A screenful is a few pieces, whatever the length of the line.
    const uint64_t bound = 4 * pages::kPieceChars;
    EXPECT_LT(pages::CLogView::LaidOutChars() - before, bound);
    uint64_t mark = pages::CLogView::LaidOutChars();
    view->ScrollRows(-200);
    view->ScrollToStart();
    view->ScrollRows(100);
    EXPECT_FALSE(view->IsFollowing());
    EXPECT_LT(pages::CLogView::LaidOutChars() - mark, 64 * pages::kPieceChars);

    // The find bar finds a match in the middle of the line and brings its piece into sight.
    mark = pages::CLogView::LaidOutChars();
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    view->FindBar()->TextBox()->setText(QStringLiteral("needle"));
    ASSERT_TRUE(FindToTheEnd(view, true));
    EXPECT_EQ(view->SelectedText(), QStringLiteral("needle"));
    EXPECT_LT(pages::CLogView::LaidOutChars() - mark, bound);
    view->repaint();
    QTest::keyClick(view->FindBar()->TextBox(), Qt::Key_Escape);

    // A selection spans every piece.
    view->SelectAll();
    const QString all = view->SelectedText();
    EXPECT_EQ(all.size(), static_cast<qsizetype>(line.size()) + all.indexOf(QLatin1Char('a')) + 1);
    EXPECT_TRUE(all.contains(QStringLiteral("aneedlea")));
}

TEST_F(TcpLogViewTest, AMessageThatEndsWithALineBreakTakesOneRow) {
    LogState state;
    PeerSocket fd = Client();
    ASSERT_TRUE(SendAll(fd, std::string("first\n")));
    ConnectInfo* rec = Rec(Child(0));
    ASSERT_TRUE(Eventually([&] { return LogEnd(rec) == 1; }));
    ASSERT_TRUE(SendAll(fd, std::string("two\nlines\n")));
    ASSERT_TRUE(Eventually([&] { return LogEnd(rec) == 2; }));
    pages::RecordLogSource source(&page_->Engine().m_store, rec, ChunkDir::kReceived);
    const auto items = source.Fetch(0, 2);
    ASSERT_EQ(items.texts.size(), 2u);
    // One piece (one row) for the first, two for the second: no empty row after either.
    EXPECT_TRUE(items.texts[0].endsWith(QStringLiteral("  first")));
    EXPECT_EQ(pages::NextPiece(items.texts[0], 0), -1);
    EXPECT_TRUE(items.texts[1].endsWith(QStringLiteral("two\n    lines")));
    EXPECT_EQ(pages::LastPiece(items.texts[1]), items.texts[1].indexOf(QLatin1Char('\n')) + 1);
}

// A server page that notes whether its handlers run with the record lock held.
class WatchedServerPage : public pages::CTcpServerDlg {
public:
    int handled = 0;
    bool heldInHandler = false;

protected:
    void HandleNewConnection(ConnectInfo* pInfo) override {
        Note();
        CTcpServerDlg::HandleNewConnection(pInfo);
    }
    void HandleConnectionUpdate(ConnectInfo* pInfo, UpdateKind kind) override {
        Note();
        CTcpServerDlg::HandleConnectionUpdate(pInfo, kind);
    }

private:
    void Note() {
        ++handled;
        heldInHandler = heldInHandler || g_csConnect.IsLockedByThisThread();
    }
};

class HandOverTest : public TcpPageTest<WatchedServerPage> {};

TEST_F(HandOverTest, HandlersUpdateTheWindowWithoutTheRecordLock) {
    const int port = ListenOnFreePort();
    PeerSocket fd(TcpConnect(port));
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    ASSERT_TRUE(SendAll(fd, std::string("data")));
    ASSERT_TRUE(Eventually([&] { return Received().contains(QStringLiteral("data")); }));
    fd.Close();
    ASSERT_TRUE(Eventually([&] { return page_->handled >= 2; }));  // new, then closed
    EXPECT_FALSE(page_->heldInHandler);
    EXPECT_FALSE(g_csConnect.IsLockedByThisThread());
}

}  // namespace
}  // namespace quillet::test
