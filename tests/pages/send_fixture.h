#pragma once
// Shared by the sending tests: a shown page with loopback addresses and settings of its own,
// and the page's sending commands driven the way the user drives them (menus, keys, prompts).
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>

#include <memory>

#include "encoding/wire_codec.h"
#include "pages/common/app_settings.h"
#include "pages/send/file_sender.h"
#include "pages/send/repeat_sender.h"
#include "pages/common/send_options.h"
#include "pages/send/send_prompts.h"
#include "tests/pages/tcp_page_fixture.h"

namespace quillet::test {

template <typename Page>
class SendTest : public TcpPageTest<Page> {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        pages::settings::UseFileForTest(dir_.filePath(QStringLiteral("quillet.conf")));
        enc::SetWireEncoding(enc::kAnsi);
        TcpPageTest<Page>::SetUp();
    }
    void TearDown() override {
        TcpPageTest<Page>::TearDown();
        enc::SetWireEncoding(enc::kAnsi);
        pages::settings::UseFileForTest({});
    }

    void Options(pages::LineEnding ending, bool keep = false) {
        pages::StoreSendOptions({ending, keep});
    }
    // Runs the action `name` of the send box's context menu, as a click on it does.
    void Menu(const char* name) {
        std::unique_ptr<QMenu> menu(this->page_->Sending()->MakeSendBoxMenu());
        auto* action = menu->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        ASSERT_TRUE(action->isEnabled()) << name;
        action->trigger();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::ControlModifier) {
        QTest::keyClick(this->page_->SendBox(), static_cast<Qt::Key>(key), mods);
    }
    QString Box() const { return this->page_->SendBox()->toPlainText(); }
    // A file of `size` bytes that differ from each other in a seeded way.
    QString MakeFile(const char* name, size_t size, std::string* bytes) {
        bytes->resize(size);
        uint32_t x = 2463534242u;
        for (char& c : *bytes) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            c = static_cast<char>(x);
        }
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes->data(), static_cast<qint64>(bytes->size()));
        return path;
    }
    // What the peer has sent so far, without waiting.
    static std::string ReadAvailable(int fd) {
        std::string got;
        char buf[4096];
        for (ssize_t n; (n = recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
            got.append(buf, static_cast<size_t>(n));
        return got;
    }
    bool MessageStarts(const QString& start) const {
        for (auto& m : this->messages_)
            if (m.text.startsWith(start))
                return true;
        return false;
    }

    QTemporaryDir dir_;
};

}  // namespace quillet::test
