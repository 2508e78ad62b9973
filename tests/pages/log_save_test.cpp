// Saving a log (Ctrl+S in a view) with a real client on loopback: an existing file is replaced
// only when the user says so and only by a whole save; a cancel, a full disk or the record's
// deletion while the save runs leaves the old file as it was and nothing else beside it.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <string>

#include "engine/crit_sec.h"
#include "engine/record_log.h"
#include "pages/log/log_save.h"
#include "pages/log/log_save_writer.h"
#include "pages/log/log_view.h"
#include "pages/log/save_log_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "skin/ui_kit.h"
#include "tests/common/tiny_disk.h"
#include "tests/pages/tcp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using Page = pages::CTcpServerDlg;

// The save's writer waits after each write while this lives.
struct HeldWriter {
    HeldWriter() { pages::LogSaveWriter::HoldForTest(true); }
    ~HeldWriter() { pages::LogSaveWriter::HoldForTest(false); }
};

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

class LogSaveTest : public TcpPageTest<Page> {
protected:
    void SetUp() override {
        TcpPageTest::SetUp();
        const int port = FreeTcpPort();
        ScriptPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
        Press(Page::kCreate);
        peer_ = PeerSocket(TcpConnect(port));
        ASSERT_GE(peer_, 0);
        ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
        ClickItem(Child(0));
        rec_ = Rec(Child(0));
    }
    pages::CLogView* View() const { return page_->ReceivedView(); }
    pages::LogSaver* Saver() const { return View()->findChild<pages::LogSaver*>(); }

    // Ctrl+S in the received view, the raw bytes to `path`; `replace` answers the question
    // whether to replace an existing file. Returns the objectName of that question, if asked.
    QString Save(const QString& path, bool replace) {
        QString asked;
        ui::SetModalScript([&](QDialog* dlg) {
            if (auto* box = qobject_cast<QMessageBox*>(dlg)) {
                asked = box->objectName();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                return;
            }
            auto* save = qobject_cast<pages::CSaveLogDlg*>(dlg);
            ASSERT_NE(save, nullptr);
            save->FormatBox()->setCurrentIndex(static_cast<int>(pages::SaveFormat::kRaw));
            save->PathBox()->setText(path);
            save->accept();
        });
        View()->setFocus();
        QTest::keyClick(View(), Qt::Key_S, Qt::ControlModifier);
        ui::SetModalScript(nullptr);
        return asked;
    }
    bool Saved() {
        return Eventually([&] { return !Saver(); });
    }
    QProgressDialog* Progress() const {
        return View()->findChild<QProgressDialog*>(QStringLiteral("saveProgress"));
    }
    // `count` chunks of `size` bytes logged as a worker would.
    void Log(int count, size_t size) {
        for (int i = 0; i < count; ++i)
            LogReceivedChunk(rec_, std::string(size, static_cast<char>('a' + i % 26)), false);
    }

    QTemporaryDir dir_;
    PeerSocket peer_;
    ConnectInfo* rec_ = nullptr;
};

TEST_F(LogSaveTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
    ASSERT_TRUE(SendAll(peer_, "hello"));
    ASSERT_TRUE(Eventually([&] { return rec_->nRecvBytesAll == 5; }));
    const QString path = dir_.filePath(QStringLiteral("log.bin"));
    WriteFile(path, "old");
    EXPECT_EQ(Save(path, false), QStringLiteral("replaceFilePrompt"));
    EXPECT_EQ(Saver(), nullptr);
    EXPECT_EQ(FileBytes(path), QByteArray("old"));
    EXPECT_EQ(Save(path, true), QStringLiteral("replaceFilePrompt"));
    ASSERT_TRUE(Saved());
    EXPECT_EQ(FileBytes(path), QByteArray("hello"));
    EXPECT_TRUE(messages_.empty());
    // A new file is not asked about.
    EXPECT_EQ(Save(dir_.filePath(QStringLiteral("new.bin")), false), QString());
    ASSERT_TRUE(Saved());
    EXPECT_EQ(FileBytes(dir_.filePath(QStringLiteral("new.bin"))), QByteArray("hello"));
}

TEST_F(LogSaveTest, CancelLeavesTheOldFileAndNoTemporaryFile) {
    Log(64, 1024);
    const QString path = dir_.filePath(QStringLiteral("log.bin"));
    WriteFile(path, "old");
    {
        HeldWriter held;
        Save(path, true);
        ASSERT_NE(Progress(), nullptr);
        // Every chunk is written to the temporary file; the writer waits before replacing.
        ASSERT_TRUE(Eventually([&] { return Progress()->value() == Progress()->maximum(); }));
        Progress()->findChild<QPushButton*>()->click();
    }
    ASSERT_TRUE(Saved());
    EXPECT_EQ(FileBytes(path), QByteArray("old"));
    EXPECT_EQ(Entries(dir_.path()), QStringList{QStringLiteral("log.bin")});
    EXPECT_TRUE(messages_.empty());  // the user asked for it
}

TEST_F(LogSaveTest, ASaveThatFailsHalfWayLeavesTheOldFileAndSaysWhy) {
    quillet::test::TinyDisk disk(dir_.path(), QStringLiteral("tiny"));
    if (const int error = disk.Mount(); error != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root): " << std::strerror(error);
    const QString mountPoint = disk.Path();
    const QString path = mountPoint + QStringLiteral("/log.bin");
    WriteFile(path, QByteArray(8 * 1024, 'o'));
    Log(4, 64 * 1024);  // four times the disk
    Save(path, true);
    ASSERT_TRUE(Saved());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("保存失败：磁盘已满"));
    EXPECT_EQ(messages_[0].caption, QStringLiteral("错误"));
    EXPECT_EQ(FileBytes(path), QByteArray(8 * 1024, 'o'));
    EXPECT_EQ(Entries(mountPoint), QStringList{QStringLiteral("log.bin")});
}

TEST_F(LogSaveTest, DeletingTheRecordWhileItsLogIsCopiedEndsTheSave) {
    // More than the writer's queues hold while it waits: the copy is still under way.
    Log(24 * 1024, 1024);
    const QString path = dir_.filePath(QStringLiteral("log.bin"));
    WriteFile(path, "old");
    {
        HeldWriter held;
        Save(path, true);
        ASSERT_NE(Progress(), nullptr);
        ASSERT_TRUE(Eventually([&] { return Progress()->value() > 0; }));
        Press(Page::kDelete);
        ASSERT_EQ(Root()->childCount(), 0);
    }
    ASSERT_TRUE(Saved());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("保存失败：连接已删除"));
    EXPECT_EQ(FileBytes(path), QByteArray("old"));
    EXPECT_EQ(Entries(dir_.path()), QStringList{QStringLiteral("log.bin")});
}

}  // namespace
}  // namespace quillet::test
