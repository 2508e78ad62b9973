#pragma once
// Shared by the TCP page tests: addresses pinned to loopback, a shown page, scripted prompts,
// clicks on buttons and tree items, and waits that keep the event loop running.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>

#include "dialog_p.h"
#include "engine/connect_info.h"
#include "engine/local_address.h"
#include "loopback_peer.h"
#include "qt_test_base.h"
#include "skin_btn.h"
#include "wait_until.h"

namespace quillet::test {

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
    QTreeWidgetItem* Root() const { return Tree()->topLevelItem(0); }
    QTreeWidgetItem* Child(int i) const { return Root()->child(i); }
    static ConnectInfo* Rec(QTreeWidgetItem* item) {
        return pages::CTreeCtrlEx::ItemData<ConnectInfo>(item);
    }
    static int Icon(QTreeWidgetItem* item) { return pages::CTreeCtrlEx::GetItemImage(item); }
    QString Received() const { return page_->ReceivedView()->toPlainText(); }
    QString Sent() const { return page_->SentView()->toPlainText(); }
    bool Enabled(int id) const { return page_->Button(id)->isEnabled(); }

    // A real click: a disabled button ignores it.
    void Press(int id) {
        ui::CSkinBtn* b = page_->Button(id);
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        ProcessEvents();
    }
    void ClickItem(QTreeWidgetItem* item) {
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {},
                          Tree()->visualItemRect(item).center());
    }
    void Type(const QString& text) { page_->SendBox()->setPlainText(text); }

    // The next prompt gets `fields` (control id -> text) and OK, or Cancel when `ok` is false.
    void ScriptPrompt(std::map<int, QString> fields, bool ok = true) {
        ui::SetModalScript([fields, ok](QDialog* dlg) {
            lastPrompt_ = dlg->objectName();
            lastCaption_ = dlg->windowTitle();
            lastLabels_.clear();
            for (auto* label : dlg->findChildren<QLabel*>())
                if (!label->text().isEmpty())
                    lastLabels_ << label->text();
            lastFocus_ = dlg->focusWidget() ? dlg->focusWidget()->objectName() : QString();
            for (auto& [id, text] : fields)
                dlg->findChild<QLineEdit*>(ui::ControlName(id))->setText(text);
            QPushButton* okButton = dlg->findChild<QPushButton*>(ui::ControlName(1));
            dlg->findChild<QPushButton*>(ui::ControlName(ok ? 1 : 2))->click();
            // A host name is looked up in the background; OK comes back with the answer.
            WaitUntil([&] {
                ProcessEvents();
                return !dlg->isVisible() || okButton->isEnabled();
            });
            stayedOpen_ = dlg->isVisible();
        });
    }

    // Waits for `cond` while the page handles its notifications.
    bool Eventually(const std::function<bool()>& cond) {
        return WaitUntil([&] {
            ProcessEvents();
            return cond();
        });
    }

    bool HasMessage(const QString& text, const QString& caption) const {
        for (auto& m : messages_)
            if (m.text == text && m.caption == caption)
                return true;
        return false;
    }

    static inline QString lastPrompt_, lastCaption_, lastFocus_;
    static inline QStringList lastLabels_;  // the prompt's texts beside its boxes
    static inline bool stayedOpen_ = false;
    std::unique_ptr<Page> page_;
};

// One log line: the UTC+8 time stamp, two blanks, the text.
inline QRegularExpression LogLine(const QString& text) {
    return QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ") +
                                  QRegularExpression::escape(text) + QStringLiteral("$"),
                              QRegularExpression::MultilineOption);
}

}  // namespace quillet::test
