// The settings file: values last across a reopen, bad values give the defaults, a damaged file
// is set aside, and the options dialog applies its tabs only when every tab agrees.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include "pages/common/app_settings.h"
#include "pages/settings/settings_dlg.h"
#include "skin/ui_kit.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

namespace quillet::pages {
namespace {

class AppSettingsTest : public test::QtTestBase {
protected:
    void WriteFile(const QByteArray& bytes) {
        QFile f(m_settings.Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    test::FreshSettings m_settings;
};

TEST_F(AppSettingsTest, ValuesLastAcrossAReopenAndBadOnesGiveTheDefault) {
    settings::SetValue(QStringLiteral("send/lineEnding"), 2);
    settings::SetValue(QStringLiteral("log/keepText"), true);
    settings::SetValue(QStringLiteral("log/limit"), QStringLiteral("lots"));
    m_settings.Reopen();
    EXPECT_EQ(settings::IntValue(QStringLiteral("send/lineEnding"), 0, 0, 3), 2);
    EXPECT_TRUE(settings::BoolValue(QStringLiteral("log/keepText"), false));
    EXPECT_EQ(settings::IntValue(QStringLiteral("log/limit"), 64, 1, 4096), 64);
    EXPECT_EQ(settings::IntValue(QStringLiteral("send/lineEnding"), 0, 0, 1), 0);
    EXPECT_EQ(settings::IntValue(QStringLiteral("missing"), 7, 0, 9), 7);
}

TEST_F(AppSettingsTest, ADamagedFileIsSetAsideAndTheDefaultsApply) {
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise.append(static_cast<char>((i * 7919 + 13) % 256));
    WriteFile("[send]\nlineEnding=\"unterminated\n" + noise);
    m_settings.Reopen();
    EXPECT_EQ(settings::IntValue(QStringLiteral("send/lineEnding"), 0, 0, 3), 0);
    // Whatever the parser made of it, the program can store and read values again.
    settings::SetValue(QStringLiteral("send/lineEnding"), 1);
    m_settings.Reopen();
    EXPECT_EQ(settings::IntValue(QStringLiteral("send/lineEnding"), 0, 0, 3), 1);
}

TEST_F(AppSettingsTest, AnUnwritableFolderLeavesTheProgramRunning) {
    settings::UseFileForTest(QStringLiteral("/proc/quillet-no-such-dir/quillet.conf"));
    settings::SetValue(QStringLiteral("send/lineEnding"), 1);
    EXPECT_EQ(settings::IntValue(QStringLiteral("absent"), 3, 0, 9), 3);
}

TEST_F(AppSettingsTest, TheOptionsDialogOpensWithItsTabsAndClosesOnCancel) {
    bool opened = false;
    ui::SetModalScript([&](QDialog* dlg) {
        opened = dlg->objectName() == QStringLiteral("settingsDialog");
        EXPECT_NE(dlg->findChild<QTabWidget*>(QStringLiteral("settingsTabs")), nullptr);
        EXPECT_EQ(dlg->findChild<QTabWidget*>(QStringLiteral("settingsTabs"))->count(),
                  static_cast<int>(SettingsTabFactories().size()));
        dlg->findChild<QPushButton*>(QStringLiteral("settingsCancel"))->click();
    });
    EXPECT_FALSE(OpenSettings(nullptr));
    ui::SetModalScript({});
    EXPECT_TRUE(opened);
}

}  // namespace
}  // namespace quillet::pages
