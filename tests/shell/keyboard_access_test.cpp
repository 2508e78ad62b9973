// What a keyboard or screen-reader user has of the main window: names and tooltips on every
// picture control, F1 for Help, Ctrl+PageUp/PageDown through the tabs, Tab out of the send box.
#include <QAccessible>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>

#include "pages/base/dialog_p.h"
#include "pages/tcp_server_dlg.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "skin/ui_kit.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

using shell::CMgrDlg;

class KeyboardAccessTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        ui::SetModalScript([this](QDialog* d) {
            shown_.push_back(d->objectName().toStdString());
            d->reject();
        });
    }
    void Activate() {
        dlg_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
    }
    QPlainTextEdit* SendBox(int page) const {
        return dlg_->Page(page)->findChild<QPlainTextEdit*>(
            ui::ControlName(pages::CDialogP::kSendBox));
    }
    // Puts the keyboard focus into page 0's send box.
    QPlainTextEdit* FocusSendBox() {
        Activate();
        QPlainTextEdit* box = SendBox(0);
        box->setFocus(Qt::OtherFocusReason);
        ProcessEvents();
        EXPECT_TRUE(box->hasFocus());
        return box;
    }
    // Back to tab `tab` through the strip, as a click would.
    void OnTab(int tab) {
        dlg_->TabStrip()->SelectItem(tab);
        ProcessEvents();
        ASSERT_EQ(dlg_->CurrentTab(), tab);
    }
    std::vector<std::string> shown_;
};

TEST_F(KeyboardAccessTest, EveryPictureButtonHasANameAndATooltip) {
    // Hidden pages included: every page's buttons exist from the start.
    const QList<ui::CSkinBtn*> buttons = dlg_->findChildren<ui::CSkinBtn*>();
    ASSERT_GE(buttons.size(), 2 + 6 * 5);
    for (const ui::CSkinBtn* b : buttons) {
        SCOPED_TRACE(b->objectName().toStdString());
        EXPECT_FALSE(b->accessibleName().isEmpty());
        EXPECT_FALSE(b->toolTip().isEmpty());
    }
    EXPECT_EQ(dlg_->CloseButton()->accessibleName(), "关闭");
    EXPECT_EQ(dlg_->MenuButton()->accessibleName(), "菜单");
    const auto* send =
        dlg_->Page(0)->findChild<ui::CSkinBtn*>(ui::ControlName(pages::CTcpServerDlg::kSend));
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->accessibleName(), "发送");
    EXPECT_EQ(send->toolTip(), "发送");
    // The screen reader sees the name as a push button's.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(dlg_->CloseButton());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Button);
    EXPECT_EQ(a->text(QAccessible::Name), "关闭");
}

TEST_F(KeyboardAccessTest, EveryTabIsAPageTabWithANameAndATooltip) {
    ui::CSkinTab* strip = dlg_->TabStrip();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(strip);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->role(), QAccessible::PageTabList);
    ASSERT_EQ(list->childCount(), CMgrDlg::kTabCount);
    const char* names[] = {"TCP 服务器", "TCP 客户端",  "UDP 服务器", "UDP 客户端",
                           "UDP 广播",   "组播 创建组", "组播 加入组"};
    for (int i = 0; i < CMgrDlg::kTabCount; ++i) {
        SCOPED_TRACE(i);
        QAccessibleInterface* tab = list->child(i);
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(tab->text(QAccessible::Name), QString::fromUtf8(names[i]));
        EXPECT_EQ(strip->itemName(i), QString::fromUtf8(names[i]));
        EXPECT_TRUE(strip->itemToolTip(i).startsWith(QString::fromUtf8(names[i])));
        EXPECT_EQ(tab->text(QAccessible::Description), strip->itemToolTip(i));
        EXPECT_EQ(tab->state().selected, i == 0);
        EXPECT_EQ(tab->parent(), list);
        EXPECT_EQ(list->indexOfChild(tab), i);
        const QRect r = strip->itemRect(i);
        EXPECT_EQ(tab->rect(), QRect(strip->mapToGlobal(r.topLeft()), r.size()));
        EXPECT_EQ(list->childAt(tab->rect().center().x(), tab->rect().center().y()), tab);
    }
    // A screen reader's press on a tab shows its page, as a click does.
    QAccessibleActionInterface* press = list->child(3)->actionInterface();
    ASSERT_NE(press, nullptr);
    press->doAction(QAccessibleActionInterface::pressAction());
    ProcessEvents();
    EXPECT_EQ(dlg_->CurrentTab(), 3);
    EXPECT_TRUE(dlg_->Page(3)->isVisible());
    EXPECT_TRUE(list->child(3)->state().selected);
}

TEST_F(KeyboardAccessTest, F1OpensHelpFromAnywhereInTheWindow) {
    QPlainTextEdit* box = FocusSendBox();
    QTest::keyClick(box, Qt::Key_F1);
    EXPECT_EQ(shown_, std::vector<std::string>{"dialog295"});
    shown_.clear();
    Activate();
    QTest::keyClick(dlg_.get(), Qt::Key_F1);
    EXPECT_EQ(shown_, std::vector<std::string>{"dialog295"});
    EXPECT_EQ(box->toPlainText(), "");
}

TEST_F(KeyboardAccessTest, CtrlPageDownAndPageUpStepThroughTheTabsAndWrap) {
    QPlainTextEdit* box = FocusSendBox();
    QTest::keyClick(box, Qt::Key_PageDown, Qt::ControlModifier);
    ProcessEvents();
    EXPECT_EQ(dlg_->CurrentTab(), 1);
    EXPECT_EQ(dlg_->TabStrip()->selectedIndex(), 1);
    EXPECT_TRUE(dlg_->Page(1)->isVisible());
    EXPECT_FALSE(dlg_->Page(0)->isVisible());
    for (int expected : {0, 6, 5}) {
        Activate();
        QTest::keyClick(dlg_->focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
        ProcessEvents();
        EXPECT_EQ(dlg_->CurrentTab(), expected);
        EXPECT_TRUE(dlg_->PageOfTab(expected)->isVisible());
    }
    Activate();
    QTest::keyClick(dlg_->focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    QTest::keyClick(dlg_->focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    ProcessEvents();
    EXPECT_EQ(dlg_->CurrentTab(), 0);
    // From the connection tree and the received view too, which have page keys of their own.
    for (int id : {int(pages::CTcpServerDlg::kTree), int(pages::CDialogP::kReceivedView)}) {
        SCOPED_TRACE(id);
        auto* from = dlg_->Page(0)->findChild<QWidget*>(ui::ControlName(id));
        ASSERT_NE(from, nullptr);
        OnTab(0);
        Activate();
        from->setFocus();
        QTest::keyClick(from, Qt::Key_PageDown, Qt::ControlModifier);
        ProcessEvents();
        EXPECT_EQ(dlg_->CurrentTab(), 1);
    }
}

TEST_F(KeyboardAccessTest, TabLeavesTheSendBoxAndCtrlTabTypesATab) {
    QPlainTextEdit* box = FocusSendBox();
    QTest::keyClicks(box, "a");
    QTest::keyClick(box, Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClicks(box, "b");
    EXPECT_EQ(box->toPlainText(), "a\tb");
    EXPECT_TRUE(box->hasFocus());

    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(box->toPlainText(), "a\tb");
    QWidget* next = QApplication::focusWidget();
    ASSERT_NE(next, nullptr);
    QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(box->toPlainText(), "a\tb");
}

}  // namespace
}  // namespace quillet::test
