// About, Help and the encoding settings: their fixed content, and the encoding choice applying.
#include <QComboBox>
#include <QFontInfo>
#include <QImage>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "pages/prompts/set_dialog.h"
#include "encoding/wire_codec.h"
#include "shell/about_dlg.h"
#include "shell/help_dlg.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {
namespace {

using pages::CSet;

class DialogTest : public QtTestBase {
protected:
    void TearDown() override {
        enc::SetWireEncoding(enc::kAnsi);
        QtTestBase::TearDown();
    }
    // Runs a settings dialog through the modal seam; `script` works it.
    int RunSet(const std::function<void(CSet&)>& script) {
        ui::SetModalScript([&](QDialog* d) { script(*static_cast<CSet*>(d)); });
        CSet dlg;
        return ui::ExecModal(&dlg);
    }
};

TEST_F(DialogTest, AboutPaintsTheProductLineInGreen) {
    shell::CAbout about;
    EXPECT_EQ(about.windowTitle(), "关于Quillet");
    EXPECT_EQ(about.objectName(), "dialog100");
    EXPECT_EQ(about.size(), QSize(471, 313));
    auto* close = about.findChild<QPushButton*>(ui::ControlName(shell::CAbout::kCloseId));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), "退出");
    const QImage img = about.grab().toImage();
    EXPECT_EQ(img.pixelColor(200, 100), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(0, 100), QColor(Qt::black));
    int green = 0;
    for (int x = 50; x < 400; ++x) {
        for (int y = 20; y < 36; ++y)
            green += img.pixelColor(x, y).green() > 100 && img.pixelColor(x, y).red() < 100;
    }
    EXPECT_GT(green, 20);
}

TEST_F(DialogTest, HelpShowsTheFixedReadOnlyText) {
    shell::CHelp help;
    EXPECT_EQ(help.windowTitle(), "帮助");
    const QString text = help.View()->toPlainText();
    EXPECT_TRUE(text.startsWith("1.本软件为Socket编程测试工具，版本1.1\n2."));
    EXPECT_TRUE(text.contains(
        "\n    (5) 支持几十种信息编码格式信息(比如：Unocode、UTF8、GBK、...)的收发;\n"));
    EXPECT_TRUE(text.endsWith("\n3.本软件支持win7/8/10等系统。\n\n"));
    EXPECT_EQ(text.count('\n'), 10);
    EXPECT_TRUE(help.View()->isReadOnly());
    help.show();
    help.View()->setFocus();
    QTest::keyClicks(help.View(), "typed");
    EXPECT_EQ(help.View()->toPlainText(), text);
    help.close();
}

TEST_F(DialogTest, HelpOpensWithTheFocusInItsTextAndEnterCloses) {
    shell::CHelp help;
    help.show();
    ProcessEvents();
    EXPECT_EQ(help.focusWidget(), help.View());
    QTest::keyClick(help.View(), Qt::Key_Return);
    EXPECT_FALSE(help.isVisible());
    EXPECT_EQ(help.result(), QDialog::Accepted);
}

TEST_F(DialogTest, HelpTextIsTenPointSansSerif) {
    shell::CHelp help;
    const QFont shown = help.View()->font();
    // 10 points at 96 dots per inch are 13 pixels of em, not 13 pixels of cell.
    EXPECT_EQ(shown.pixelSize(), 13);
    EXPECT_EQ(QFontInfo(shown).pixelSize(), 13);
    EXPECT_EQ(shown.families(), ui::SansFont(13).families());
    EXPECT_FALSE(shown.bold());
}

TEST_F(DialogTest, SettingsListTheEncodingsAndOpenOnTheCurrentOne) {
    CSet dlg;
    EXPECT_EQ(dlg.windowTitle(), "收发信息编码设置");
    EXPECT_EQ(dlg.Combo()->objectName(), ui::ControlName(CSet::kComboId));
    QStringList entries;
    for (int i = 0; i < dlg.Combo()->count(); ++i)
        entries << dlg.Combo()->itemText(i);
    EXPECT_EQ(entries, QStringList({"Ansi", "GBK", "Unicode", "UTF8", "UFT16", "..."}));
    EXPECT_EQ(dlg.Combo()->currentText(), "Ansi");
    EXPECT_FALSE(dlg.MoreCombo()->isEnabled());
    const QStringList more = CSet::FurtherEncodings();
    for (const char* name :
         {"HEX", "GB18030", "BIG5", "SHIFT_JIS", "EUC-JP", "EUC-KR", "ISO-8859-1", "ISO-8859-15",
          "WINDOWS-1250", "WINDOWS-1258", "KOI8-R", "UTF-32"}) {
        EXPECT_TRUE(more.contains(name)) << name;
    }

    ASSERT_TRUE(enc::SetWireEncoding("UTF-16BE"));
    CSet again;
    EXPECT_EQ(again.Combo()->currentText(), "UFT16");
    ASSERT_TRUE(enc::SetWireEncoding("BIG5"));
    CSet further;
    EXPECT_EQ(further.Combo()->currentText(), "...");
    EXPECT_TRUE(further.MoreCombo()->isEnabled());
    EXPECT_EQ(further.MoreCombo()->currentText(), "BIG5");
}

TEST_F(DialogTest, OkAppliesTheChoiceToTheWireAndCancelChangesNothing) {
    const std::pair<const char*, const char*> choices[] = {{"GBK", "GBK"},
                                                           {"Unicode", "UTF-16LE"},
                                                           {"UTF8", "UTF-8"},
                                                           {"UFT16", "UTF-16BE"},
                                                           {"Ansi", "ANSI"}};
    for (const auto& [entry, wire] : choices) {
        EXPECT_EQ(RunSet([&](CSet& d) {
                      d.Combo()->setCurrentText(entry);
                      d.OkButton()->click();
                  }),
                  QDialog::Accepted);
        EXPECT_EQ(enc::WireEncoding(), wire);
    }
    RunSet([](CSet& d) {
        d.Combo()->setCurrentText("GBK");
        d.OkButton()->click();
    });
    EXPECT_EQ(enc::EncodeForWire(u"你好"), "\xC4\xE3\xBA\xC3");
    RunSet([](CSet& d) {
        d.Combo()->setCurrentText("UTF8");
        d.reject();
    });
    EXPECT_EQ(enc::WireEncoding(), "GBK");
    // HEX from the further encodings.
    RunSet([](CSet& d) {
        d.Combo()->setCurrentIndex(CSet::kMoreIndex);
        d.MoreCombo()->setCurrentText("HEX");
        d.OkButton()->click();
    });
    EXPECT_EQ(enc::WireEncoding(), "HEX");
    EXPECT_EQ(enc::EncodeForWire(u"41 42"), "AB");
}

TEST_F(DialogTest, AnUnknownTypedEncodingIsRefusedAndKeepsTheDialogOpen) {
    enc::SetWireEncoding("GBK");
    bool stayedOpen = false;
    RunSet([&](CSet& d) {
        d.Combo()->setCurrentText("NO-SUCH-CHARSET");
        d.OkButton()->click();
        stayedOpen = d.isVisible();
        d.Combo()->setCurrentText("koi8-r");  // any name iconv knows may be typed
        d.OkButton()->click();
    });
    EXPECT_TRUE(stayedOpen);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, "提示");
    EXPECT_EQ(enc::WireEncoding(), "koi8-r");
}

}  // namespace
}  // namespace quillet::test
