#pragma once
// Shared by the TCP page tests: addresses pinned to loopback, a shown page, and the page driver
// (scripted prompts, clicks on buttons and tree items, waits that keep the event loop running).
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <map>
#include <memory>

#include "engine/connect_info.h"
#include "engine/local_address.h"
#include "pages/base/dialog_p.h"
#include "pages/prompts/prompt_dlg.h"
#include "skin/skin_btn.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/page_driver.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {

using namespace quillet::engine;

template <typename Page>
class TcpPageTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        SetLocalHostAddressForTest("127.0.0.1");
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
        page_ = std::make_unique<Page>();
        page_->show();
        ProcessEvents();
    }
    void TearDown() override {
        page_.reset();
        SetLocalHostAddressForTest(std::nullopt);
        g_adapterInfo.Clear();
        QtTestBase::TearDown();
    }

    pages::CTreeCtrlEx* Tree() const { return page_->Tree(); }
    pages::TreeNode* Root() const { return Tree()->topLevelItem(0); }
    pages::TreeNode* Child(int i) const { return Root()->child(i); }
    static ConnectInfo* Rec(pages::TreeNode* item) {
        return pages::CTreeCtrlEx::ItemData<ConnectInfo>(item);
    }
    static int Icon(pages::TreeNode* item) { return pages::CTreeCtrlEx::GetItemImage(item); }
    QString Received() const { return page_->ReceivedView()->toPlainText(); }
    QString Sent() const { return page_->SentView()->toPlainText(); }
    bool Enabled(int id) const { return page_->Button(id)->isEnabled(); }

    // A real click: a disabled button ignores it.
    void Press(int id) { PressButton(page_.get(), id); }
    void ClickItem(pages::TreeNode* item) { ClickTreeItem(page_.get(), item); }
    void Type(const QString& text) { page_->SendBox()->setPlainText(text); }

    // A server page: Create, with a free port typed into its prompt; returns the port.
    int ListenOnFreePort() {
        const int port = FreeTcpPort();
        ScriptPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
        Press(Page::kCreate);
        return port;
    }
    // A client of a server page on `port`, once its node (child `index`) is there.
    PeerSocket AcceptedClient(int port, int index) {
        PeerSocket fd(TcpConnect(port));
        EXPECT_GE(fd, 0);
        EXPECT_TRUE(Eventually([&] { return Root()->childCount() > index; }));
        return fd;
    }

    // The next prompt gets `fields` (control id -> text) and OK, or Cancel when `ok` is false;
    // what it showed is kept in seen_.
    void ScriptPrompt(std::map<int, QString> fields, bool ok = true) {
        AnswerNextPrompt({std::move(fields), {}, ok, [](const PromptSeen& s) { seen_ = s; }});
    }

    // Waits for `cond` while the page handles its notifications.
    bool Eventually(const std::function<bool()>& cond) { return RunUntil(cond); }

    bool HasMessage(const QString& text, const QString& caption) const {
        for (auto& m : messages_)
            if (m.text == text && m.caption == caption)
                return true;
        return false;
    }

    static inline PromptSeen seen_;
    // What the last scripted prompt showed: its name, caption, focused box, the texts beside
    // its boxes, and whether OK left it open.
    static inline QString& lastPrompt_ = seen_.name;
    static inline QString& lastCaption_ = seen_.caption;
    static inline QString& lastFocus_ = seen_.focus;
    static inline QStringList& lastLabels_ = seen_.labels;
    static inline bool& stayedOpen_ = seen_.stayedOpen;
    FreshSettings settings_;  // made before the page, gone after it
    std::unique_ptr<Page> page_;
};

// One log line: the UTC+8 time stamp, two blanks, the text.
inline QRegularExpression LogLine(const QString& text) {
    return QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ") +
                                  QRegularExpression::escape(text) + QStringLiteral("$"),
                              QRegularExpression::MultilineOption);
}

}  // namespace quillet::test
