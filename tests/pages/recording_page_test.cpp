// Recording a TCP server page's connections to files, with real peers on 127.0.0.1: the raw
// file holds exactly the peer's bytes, a disk that fills up stops the recording with a message
// and the count of bytes not written while the page goes on, and the counters line and the
// node's tooltip show what was received and sent.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolTip>

#include <cerrno>
#include <cstring>

#include "engine/crit_sec.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/log/recordings.h"
#include "pages/tcp_server_dlg.h"
#include "tests/common/tiny_disk.h"
#include "tests/pages/tcp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CTcpServerDlg;
using enum CTcpServerDlg::ControlId;
using enum pages::CSetListenDlg::ControlId;

class RecordingPageTest : public TcpPageTest<CTcpServerDlg> {
protected:
    // Listens, connects a peer and selects its node.
    PeerSocket Connected() {
        PeerSocket peer = AcceptedClient(ListenOnFreePort(), 0);
        ClickItem(Child(0));
        return peer;
    }
    // Picks a menu entry of the node's menu; the file prompt, if it comes, gets `path` in the
    // form named by `filterIndex` (0 raw, 1 text).
    void Choose(pages::TreeNode* node, const char* action, const QString& path = {},
                int filterIndex = 0) {
        ui::SetModalScript([path, filterIndex](QDialog* d) {
            auto* files = qobject_cast<QFileDialog*>(d);
            ASSERT_NE(files, nullptr);
            files->selectNameFilter(files->nameFilters().at(filterIndex));
            files->selectFile(path);
            static_cast<QDialog*>(files)->accept();  // the button OK would press
        });
        std::unique_ptr<QMenu> menu(page_->MakeTreeMenu(node));
        auto* entry = menu->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(entry, nullptr) << action;
        ASSERT_TRUE(entry->isEnabled()) << action;
        entry->trigger();
        ui::SetModalScript(nullptr);
    }
    static uint64_t Received(ConnectInfo* rec) {
        CCritSecLock lock(g_csConnect);
        return rec->counters.recvBytes;
    }
    static QByteArray FileBytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Sends every byte value many times over, in sends of uneven size.
    static std::string Flood(int fd, size_t total) {
        std::string sent;
        for (size_t i = 0; sent.size() < total; ++i) {
            std::string part(1 + (i * 7919) % 30000, '\0');
            for (size_t j = 0; j < part.size(); ++j)
                part[j] = static_cast<char>((i + j * 31) & 0xFF);
            EXPECT_TRUE(SendAll(fd, part));
            sent += part;
        }
        return sent;
    }

    QTemporaryDir dir_;
};

TEST_F(RecordingPageTest, ARawRecordingHoldsExactlyThePeersBytes) {
    PeerSocket peer = Connected();
    ConnectInfo* rec = Rec(Child(0));
    const QString path = dir_.filePath(QStringLiteral("peer.bin"));
    Choose(Child(0), "recordRecord", path);
    ASSERT_TRUE(page_->Recordings()->IsRecording(rec));

    const std::string sent = Flood(peer, 3 << 20);
    ASSERT_TRUE(Eventually([&] { return Received(rec) == sent.size(); }));
    Type(QStringLiteral("a reply the raw form leaves out"));
    Press(kSend);
    ASSERT_TRUE(Eventually([&] { return !Sent().isEmpty(); }));

    Choose(Child(0), "recordStop");
    EXPECT_FALSE(page_->Recordings()->IsRecording(rec));
    ASSERT_TRUE(Eventually([&] { return FileBytes(path).size() == qsizetype(sent.size()); }));
    EXPECT_TRUE(FileBytes(path) == QByteArray::fromStdString(sent));
    // Data after the stop is not recorded.
    ASSERT_TRUE(SendAll(peer, "after"));
    ASSERT_TRUE(Eventually([&] { return Received(rec) == sent.size() + 5; }));
    page_->Recordings()->Watch();
    EXPECT_EQ(FileBytes(path).size(), qsizetype(sent.size()));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(RecordingPageTest, ATextRecordingOfThePageHasEveryChunkBothWays) {
    PeerSocket peer = Connected();
    ConnectInfo* rec = Rec(Child(0));
    const QString path = dir_.filePath(QStringLiteral("page.txt"));
    Choose(Child(0), "recordPage", path, 1);
    ASSERT_TRUE(page_->Recordings()->IsRecordingPage());
    ASSERT_TRUE(SendAll(peer, "ping"));
    ASSERT_TRUE(Eventually([&] { return Received(rec) == 4; }));
    Type(QStringLiteral("pong"));
    Press(kSend);
    ASSERT_TRUE(Eventually([&] { return !Sent().isEmpty(); }));
    Choose(Child(0), "recordStopPage");
    const QString label = Child(0)->text(0);
    ASSERT_TRUE(Eventually([&] { return FileBytes(path).count('\n') == 2; }));
    const QString text = QString::fromUtf8(FileBytes(path));
    const QString stamp = QStringLiteral("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ");
    EXPECT_TRUE(text.contains(
        QRegularExpression("^" + stamp + "RX " + QRegularExpression::escape(label) + "  ping\n" +
                           stamp + "TX " + QRegularExpression::escape(label) + "  pong\n$")))
        << text.toStdString();
}

TEST_F(RecordingPageTest, AFullDiskStopsTheRecordingWithAMessageAndThePageGoesOn) {
    quillet::test::TinyDisk disk(dir_.path(), QStringLiteral("tiny"));
    if (const int error = disk.Mount(); error != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root): " << std::strerror(error);
    const QString mountPoint = disk.Path();

    PeerSocket peer = Connected();
    ConnectInfo* rec = Rec(Child(0));
    const QString path = mountPoint + QStringLiteral("/full.bin");
    Choose(Child(0), "recordPage", path);
    const std::string sent = Flood(peer, 1 << 20);
    ASSERT_TRUE(Eventually([&] { return Received(rec) == sent.size(); }));
    ASSERT_TRUE(Eventually([&] { return !messages_.empty(); }));
    ASSERT_EQ(messages_.size(), 1u);
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("已写入 (\\d+) 字节，未写入 (\\d+) 字节"))
            .match(messages_[0].text);
    ASSERT_TRUE(m.hasMatch()) << messages_[0].text.toStdString();
    EXPECT_TRUE(messages_[0].text.contains(path));
    const qsizetype written = m.captured(1).toLongLong();
    const qsizetype unwritten = m.captured(2).toLongLong();
    EXPECT_GT(unwritten, 0);
    EXPECT_LE(written + unwritten, qsizetype(sent.size()));
    // What did reach the file is the start of the peer's bytes.
    EXPECT_EQ(FileBytes(path), QByteArray::fromStdString(sent.substr(0, size_t(written))));
    EXPECT_FALSE(page_->Recordings()->IsRecordingPage());

    // The page goes on: more data arrives and is logged, and no second message comes.
    ASSERT_TRUE(SendAll(peer, "still here"));
    ASSERT_TRUE(Eventually([&] { return Received(rec) == sent.size() + 10; }));
    RunFor(std::chrono::milliseconds(pages::CRecordings::kWatchMs * 2));
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(RecordingPageTest, ARightClickOnANodeOpensItsMenu) {
    PeerSocket peer = Connected();
    const QPoint at = Tree()->visualItemRect(Child(0)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, Tree()->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(Tree()->viewport(), &click);
    QMenu* menu = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QStringLiteral("treeMenu"))
            menu = qobject_cast<QMenu*>(w);
    ASSERT_NE(menu, nullptr);
    QStringList entries;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            entries << a->text();
    // The sending commands come first, the recording ones last.
    ASSERT_GE(entries.size(), 4);
    EXPECT_EQ(entries.mid(entries.size() - 4),
              QStringList({"记录此连接到文件...", "停止记录此连接", "记录本页所有连接到文件...",
                           "停止记录本页"}));
    EXPECT_TRUE(menu->findChild<QAction*>(QStringLiteral("recordRecord"))->isEnabled());
    EXPECT_FALSE(menu->findChild<QAction*>(QStringLiteral("recordStop"))->isEnabled());
    menu->close();
}

TEST_F(RecordingPageTest, AFileThatCannotBeOpenedIsToldAndNothingStarts) {
    PeerSocket peer = Connected();
    Choose(Child(0), "recordRecord", QStringLiteral("/proc/quillet-no-such-dir/x.bin"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.startsWith(QStringLiteral("无法打开记录文件：")));
    EXPECT_TRUE(messages_[0].text.endsWith(QStringLiteral("x.bin\n原因: 文件或文件夹不存在")));
    EXPECT_FALSE(page_->Recordings()->IsRecording(Rec(Child(0))));
}

TEST_F(RecordingPageTest, TheCountersLineAndTooltipShowAKnownExchange) {
    PeerSocket peer = Connected();
    ConnectInfo* rec = Rec(Child(0));
    ASSERT_TRUE(SendAll(peer, "hello"));
    ASSERT_TRUE(Eventually([&] { return Received(rec) == 5; }));
    ASSERT_TRUE(SendAll(peer, "world!"));
    ASSERT_TRUE(Eventually([&] { return Received(rec) == 11; }));
    Type(QStringLiteral("abc"));
    Press(kSend);
    ASSERT_TRUE(Eventually([&] { return !Sent().isEmpty(); }));
    ASSERT_EQ(RecvExactly(peer, 3), "abc");

    // The line follows on its own, a few times a second.
    ASSERT_TRUE(Eventually([&] {
        return page_->CountersLine()->text().startsWith(QStringLiteral("收 11 字节 / 2 条，"));
    })) << page_->CountersLine()->text().toStdString();
    const QString line = page_->CountersLine()->text();
    EXPECT_TRUE(line.endsWith(QStringLiteral("；发 3 字节 / 1 条"))) << line.toStdString();
    EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral("，(\\d+) 字节/秒；"))));
    // It lies below every specified control, inside the page.
    EXPECT_TRUE(page_->rect().contains(page_->CountersLine()->geometry()));
    EXPECT_GT(page_->CountersLine()->y(), page_->SentView()->geometry().bottom());

    // The node's tooltip says the same, read when the node is pointed at.
    const QRect at = Tree()->visualItemRect(Child(0));
    QHelpEvent help(QEvent::ToolTip, at.center(), Tree()->viewport()->mapToGlobal(at.center()));
    QCoreApplication::sendEvent(Tree()->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), page_->CountersLine()->Text(rec));
    QToolTip::hideText();

    // Clearing the received side forgets its counts.
    Press(kClearReceived);
    EXPECT_TRUE(page_->CountersLine()->Text(rec).startsWith(QStringLiteral("收 0 字节 / 0 条，")));
}

}  // namespace
}  // namespace quillet::test
