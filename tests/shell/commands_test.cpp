// The menu, its commands, the accelerators and the keys the main window swallows; About comes
// before the end of the program.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "pages/prompts/set_dialog.h"
#include "encoding/wire_codec.h"
#include "pages/common/app_settings.h"
#include "pages/common/wire_encoding_setting.h"
#include "pages/base/dialog_p.h"
#include "skin/skin_btn.h"
#include "tests/shell/shell_fixture.h"

namespace quillet::test {
namespace {

using shell::CMgrDlg;

class CommandTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        // Every modal dialog is recorded by name and closed at once.
        ui::SetModalScript([this](QDialog* d) {
            shown_.push_back(d->objectName().toStdString());
            d->reject();
        });
        CMgrDlg::SetMenuRunner([this](QMenu* popup, QPoint at) {
            popupAt_ = at;
            for (QAction* a : popup->actions())
                menuTexts_.push_back(a->text());
            return menuChoice_;
        });
    }
    // Accelerators work in the active window; a closed dialog hands activation back later.
    void Activate() {
        dlg_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg_.get()));
    }
    std::vector<std::string> shown_;
    QStringList menuTexts_;
    QPoint popupAt_;
    int menuChoice_ = 0;
};

TEST_F(CommandTest, MenuButtonPopsUpTheFourItemsUnderItself) {
    QTest::mouseClick(dlg_->MenuButton(), Qt::LeftButton);
    EXPECT_EQ(menuTexts_, QStringList({"设置        (&Alt+S)", "帮助        (&Alt+H)",
                                       "关于        (&Alt+A)", "退出        (&Alt+X)"}));
    const QPoint button = dlg_->MenuButton()->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(popupAt_, QPoint(button.x(), button.y() + 18));
    EXPECT_TRUE(shown_.empty());
}

TEST_F(CommandTest, EachMenuItemOpensItsDialog) {
    QSignalSpy quit(dlg_.get(), &CMgrDlg::quitRequested);
    const std::pair<int, const char*> items[] = {{CMgrDlg::kSettings, "dialog294"},
                                                 {CMgrDlg::kHelp, "dialog295"},
                                                 {CMgrDlg::kAbout, "dialog100"}};
    for (const auto& [command, dialog] : items) {
        shown_.clear();
        menuChoice_ = command;
        dlg_->PopUpMenu();
        EXPECT_EQ(shown_, std::vector<std::string>{dialog});
    }
    ProcessEvents();
    EXPECT_EQ(quit.count(), 0);  // About from the menu leaves the program running
}

TEST_F(CommandTest, TheEncodingChosenFromTheMenuIsKeptForTheNextRun) {
    auto choose = [this](const char* entry, bool ok) {
        ui::SetModalScript([entry, ok](QDialog* d) {
            auto& set = *static_cast<pages::CSet*>(d);
            set.Combo()->setCurrentText(entry);
            ok ? set.OkButton()->click() : set.reject();
        });
        menuChoice_ = CMgrDlg::kSettings;
        dlg_->PopUpMenu();
    };
    choose("GBK", true);
    EXPECT_EQ(pages::settings::Value(QStringLiteral("encoding/wire")).toString(), "GBK");
    choose("UTF8", false);  // Cancel keeps the stored choice
    EXPECT_EQ(pages::settings::Value(QStringLiteral("encoding/wire")).toString(), "GBK");
    enc::SetWireEncoding(enc::kAnsi);
    pages::settings::UseFileForTest(settings_.Path());  // the next run reads the file
    EXPECT_TRUE(pages::RestoreWireEncoding());
    EXPECT_EQ(enc::WireEncoding(), "GBK");
    enc::SetWireEncoding(enc::kAnsi);
}

TEST_F(CommandTest, ExitAndCloseShowAboutThenQuit) {
    std::vector<std::string> order;
    QObject::connect(dlg_.get(), &CMgrDlg::quitRequested,
                     [&](int code) { order.push_back("quit " + std::to_string(code)); });
    ui::SetModalScript([&](QDialog* d) {
        order.push_back(d->objectName().toStdString());
        d->accept();
    });
    menuChoice_ = CMgrDlg::kExit;
    dlg_->PopUpMenu();
    ProcessEvents();
    QTest::mouseClick(dlg_->CloseButton(), Qt::LeftButton);
    ProcessEvents();
    EXPECT_EQ(order, (std::vector<std::string>{"dialog100", "quit 0", "dialog100", "quit 0"}));
    // A close from the desktop takes the same way and leaves the window to the quit.
    order.clear();
    dlg_->close();
    ProcessEvents();
    EXPECT_EQ(order, (std::vector<std::string>{"dialog100", "quit 0"}));
    EXPECT_TRUE(dlg_->isVisible());
}

TEST_F(CommandTest, AcceleratorsRunTheirCommands) {
    QSignalSpy quit(dlg_.get(), &CMgrDlg::quitRequested);
    const std::pair<Qt::Key, const char*> keys[] = {
        {Qt::Key_S, "dialog294"}, {Qt::Key_H, "dialog295"}, {Qt::Key_A, "dialog100"}};
    for (const auto& [key, dialog] : keys) {
        shown_.clear();
        Activate();
        QTest::keyClick(dlg_.get(), key, Qt::AltModifier);
        EXPECT_EQ(shown_, std::vector<std::string>{dialog});
    }
    ProcessEvents();
    EXPECT_EQ(quit.count(), 0);
    shown_.clear();
    Activate();
    QTest::keyClick(dlg_.get(), Qt::Key_X, Qt::AltModifier);
    ProcessEvents();
    EXPECT_EQ(shown_, std::vector<std::string>{"dialog100"});
    EXPECT_EQ(quit.count(), 1);
    EXPECT_TRUE(menuTexts_.isEmpty());  // no menu popped up on the way
}

TEST_F(CommandTest, AltAloneOpensTheMenu) {
    dlg_->setFocus();
    QTest::keyPress(dlg_.get(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(dlg_.get(), Qt::Key_Alt, Qt::NoModifier);
    EXPECT_EQ(menuTexts_.size(), 4);
}

TEST_F(CommandTest, AltWithAnyOtherKeyOpensTheMenu) {
    Activate();
    for (Qt::Key key : {Qt::Key_Q, Qt::Key_1, Qt::Key_F5}) {
        menuTexts_.clear();
        dlg_->setFocus();
        QTest::keyClick(dlg_.get(), key, Qt::AltModifier);
        EXPECT_EQ(menuTexts_.size(), 4) << key;  // once: the release of Alt adds nothing
    }
    EXPECT_TRUE(shown_.empty());
}

TEST_F(CommandTest, KeysTypedInAPageStayWithThePage) {
    Activate();
    auto* box = dlg_->Page(0)->findChild<QWidget*>(ui::ControlName(pages::CDialogP::kSendBox));
    ASSERT_NE(box, nullptr);
    box->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), box);
    QTest::keyPress(box, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(box, Qt::Key_Alt, Qt::NoModifier);
    QTest::keyClick(box, Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(box, Qt::Key_F5, Qt::AltModifier);
    EXPECT_TRUE(menuTexts_.isEmpty());
    EXPECT_TRUE(shown_.empty());
    // The accelerators work from inside a page as before.
    QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(shown_, std::vector<std::string>{"dialog294"});
    EXPECT_TRUE(menuTexts_.isEmpty());
}

TEST_F(CommandTest, EnterAndEscapeDoNothing) {
    QSignalSpy quit(dlg_.get(), &CMgrDlg::quitRequested);
    for (QWidget* target : {static_cast<QWidget*>(dlg_.get()), dlg_->Page(0)}) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(target, key);
        }
    }
    ProcessEvents();
    EXPECT_TRUE(dlg_->isVisible());
    EXPECT_TRUE(dlg_->Page(0)->isVisible());
    EXPECT_TRUE(shown_.empty());
    EXPECT_TRUE(menuTexts_.isEmpty());
    EXPECT_EQ(quit.count(), 0);
}

}  // namespace
}  // namespace quillet::test
