// The keyboard alone: Tab walks each page in reading order, and Shift+F10 opens the context
// menu of the focused control as the Menu key does.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "pages/base/dialog_p.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/log/log_find_bar.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/prompts/set_dlg_broad_ip.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/udp_client_dlg.h"
#include "pages/log/log_view.h"
#include "pages/base/reading_order.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "skin/office_xp_menu.h"
#include "skin/skin_tab.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

class ReadingOrderTest : public ShellTest {
protected:
    pages::CDialogP* ShowTab(int tab) {
        dlg_->TabStrip()->SelectItem(tab);
        dlg_->activateWindow();
        ProcessEvents();
        return static_cast<pages::CDialogP*>(dlg_->PageOfTab(tab));
    }
};

TEST_F(ReadingOrderTest, TabWalksEachPageAsItReads) {
    for (int tab = 0; tab < shell::CMgrDlg::kTabCount; ++tab) {
        pages::CDialogP* page = ShowTab(tab);
        std::vector<QWidget*> order;
        for (QWidget* w : pages::ReadingOrder(page))
            if (w->isEnabled() && w->isVisible())
                order.push_back(w);
        // The buttons along the top, left to right, then the tree and the views and send box.
        const auto tree = std::find(order.begin(), order.end(), page->Tree());
        ASSERT_NE(tree, order.end()) << tab;
        for (auto it = order.begin(); it != tree; ++it) {
            EXPECT_LT((*it)->geometry().bottom(), page->Tree()->geometry().top());
            if (it != order.begin()) {
                EXPECT_LT((*(it - 1))->x(), (*it)->x());
            }
        }
        std::vector<QWidget*> main(tree, order.end());
        main.resize(std::min<size_t>(main.size(), 4));
        std::vector<QWidget*> expected = {page->Tree()};
        if (page->ReceivedView()->isVisible())
            expected.push_back(page->ReceivedView());
        expected.insert(expected.end(), {page->SentView(), page->SendBox()});
        main.resize(expected.size());
        EXPECT_EQ(main, expected) << "tab " << tab;
        // Tab itself goes that way.
        order.front()->setFocus(Qt::TabFocusReason);
        for (size_t i = 1; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            ASSERT_EQ(QApplication::focusWidget(), order[i])
                << "tab " << tab << " step " << i << ": "
                << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                : QStringLiteral("none"))
                       .toStdString();
        }
    }
}

// Presses Shift+F10 in `control` and returns the pop-up menu it opened (closed again).
QString MenuOpenedBy(QWidget* control) {
    control->window()->activateWindow();  // a closed pop-up leaves no window active
    QCoreApplication::processEvents();
    control->setFocus();
    QString opened;
    // A menu run with exec() returns only once closed: the timer looks and closes it.
    QTimer::singleShot(0, [&opened] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            opened = menu->metaObject()->className();
            menu->close();
        }
    });
    QTest::keyClick(control, Qt::Key_F10, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        opened = menu->metaObject()->className();
        menu->close();
    }
    return opened;
}

TEST_F(ReadingOrderTest, ShiftF10OpensTheFocusedControlsContextMenu) {
    pages::CDialogP* page = ShowTab(0);
    page->Tree()->setCurrentItem(page->Tree()->topLevelItem(0));
    for (QWidget* control : std::initializer_list<QWidget*>{page->Tree(), page->ReceivedView(),
                                                            page->SentView(), page->SendBox()})
        EXPECT_FALSE(MenuOpenedBy(control).isEmpty()) << control->objectName().toStdString();
}

// Every box and control a screen reader reaches has a name: the send box, the find bar's
// controls, every prompt's edit boxes; the menus list their items.
QString AccessibleName(QObject* o) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(o);
    return a ? a->text(QAccessible::Name) : QString();
}

TEST_F(ReadingOrderTest, BoxesAndControlsHaveNamesAndMenusListTheirItems) {
    for (int tab = 0; tab < shell::CMgrDlg::kTabCount; ++tab) {
        pages::CDialogP* page = ShowTab(tab);
        EXPECT_FALSE(AccessibleName(page->SendBox()).isEmpty()) << tab;
        EXPECT_FALSE(AccessibleName(page->SentView()).isEmpty()) << tab;
    }
    pages::CDialogP* page = ShowTab(0);
    page->ReceivedView()->OpenFindBar();
    ProcessEvents();
    for (QWidget* w : page->ReceivedView()->FindBar()->findChildren<QWidget*>())
        if (!qobject_cast<QLabel*>(w)) {
            EXPECT_FALSE(AccessibleName(w).isEmpty()) << w->objectName().toStdString();
        }

    auto* udp = qobject_cast<pages::CUdpClientDlg*>(dlg_->Page(shell::kUdpClient));
    auto* multicast = qobject_cast<pages::CMulticastServerDlg*>(dlg_->Page(shell::kMulticast));
    pages::CDlgSetIp setIp(QString(), Qt::white, nullptr);
    pages::CSetListenDlg listen(Qt::white, nullptr);
    pages::CSetUdpServerIp udpPeer(udp, u"", Qt::white);
    pages::CSetDlgBroadIp broadcast(udp, u"", Qt::white);
    pages::CSetMulticastDlg group(multicast, u"", "127.0.0.1", Qt::white);
    for (QWidget* prompt :
         std::initializer_list<QWidget*>{&setIp, &listen, &udpPeer, &broadcast, &group})
        for (QLineEdit* box : prompt->findChildren<QLineEdit*>())
            EXPECT_FALSE(AccessibleName(box).isEmpty())
                << prompt->objectName().toStdString() << " " << box->objectName().toStdString();

    ui::COfficeXPMenu menu;
    ASSERT_TRUE(menu.LoadMenu(shell::CMgrDlg::kMenuResource));
    ui::COfficeXPMenu* popup = menu.SubMenu(0);
    ASSERT_NE(popup, nullptr);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(popup);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::PopupMenu);
    ASSERT_EQ(a->childCount(), popup->actions().size());
    for (int i = 0; i < a->childCount(); ++i)
        if (!popup->actions()[i]->isSeparator()) {
            EXPECT_FALSE(a->child(i)->text(QAccessible::Name).isEmpty()) << i;
        }
}

}  // namespace
}  // namespace quillet::test
