// What lasts between runs: the wire encoding, each prompt's last values and the log options,
// read back from the file; values that do not fit, and a file of random bytes, give the
// defaults without harm.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <map>

#include "encoding/wire_codec.h"
#include "engine/local_address.h"
#include "pages/app_settings.h"
#include "pages/dlg_set_ip.h"
#include "pages/log_settings_tab.h"
#include "pages/settings_dlg.h"
#include "pages/wire_encoding_setting.h"
#include "skin/ui_kit.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

namespace quillet::pages {
namespace {

using enum CDlgSetIp::ControlId;

class KeptSettingsTest : public test::QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    }
    void TearDown() override {
        enc::SetWireEncoding(enc::kAnsi);
        g_adapterInfo.Clear();
        QtTestBase::TearDown();
    }
    // The next run: the settings read again from the file.
    void Restart() { m_settings.Reopen(); }

    // Opens the target prompt; `answer` fills boxes and presses OK (empty: Cancel). Returns
    // what the boxes offered.
    std::map<int, QString> Prompt(const std::map<int, QString>& answer) {
        std::map<int, QString> offered;
        ui::SetModalScript([&](QDialog* d) {
            auto* dlg = static_cast<CDlgSetIp*>(d);
            for (int id : {kBoxAddress, kBoxPort, kBoxCount})
                offered[id] = dlg->Edit(id)->text();
            for (const auto& [id, text] : answer)
                dlg->Edit(id)->setText(text);
            (answer.empty() ? dlg->CancelButton() : dlg->OkButton())->click();
        });
        CDlgSetIp dlg(QString(), QColor(Qt::white), nullptr);
        ui::ExecModal(&dlg);
        ui::SetModalScript(nullptr);
        return offered;
    }

    test::FreshSettings m_settings;
};

TEST_F(KeptSettingsTest, TheChosenEncodingIsInForceAgainAfterARestart) {
    ASSERT_TRUE(enc::SetWireEncoding("GBK"));
    StoreWireEncoding();
    enc::SetWireEncoding(enc::kAnsi);
    Restart();
    EXPECT_TRUE(RestoreWireEncoding());
    EXPECT_EQ(enc::WireEncoding(), "GBK");
    ASSERT_TRUE(enc::SetWireEncoding(enc::kHex));
    StoreWireEncoding();
    Restart();
    EXPECT_TRUE(RestoreWireEncoding());
    EXPECT_EQ(enc::WireEncoding(), enc::kHex);
}

TEST_F(KeptSettingsTest, AnEncodingThisMachineLacksGivesTheDefaultAndAWarning) {
    ASSERT_TRUE(enc::SetWireEncoding("GBK"));
    settings::SetValue(QStringLiteral("encoding/wire"), QStringLiteral("NO-SUCH-CHARSET-42"));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RestoreWireEncoding());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(enc::WireEncoding(), enc::kAnsi);
    EXPECT_NE(err.find("NO-SUCH-CHARSET-42"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

TEST_F(KeptSettingsTest, APromptOffersItsLastValuesAgainAfterARestart) {
    const std::map<int, QString> defaults{
        {kBoxAddress, "127.0.0.1"}, {kBoxPort, "8888"}, {kBoxCount, "1"}};
    EXPECT_EQ(Prompt({{kBoxAddress, "127.0.0.9"}, {kBoxPort, "9191"}, {kBoxCount, "3"}}), defaults);
    Restart();
    const std::map<int, QString> last{
        {kBoxAddress, "127.0.0.9"}, {kBoxPort, "9191"}, {kBoxCount, "3"}};
    EXPECT_EQ(Prompt({}), last);  // Cancel stores nothing
    EXPECT_EQ(Prompt({}), last);
    // A value its box would not take (letters in a number box, an overlong address) is passed
    // over for the box's own default.
    settings::SetValue(QStringLiteral("addr/dialog139/1010"), QStringLiteral("80a"));
    settings::SetValue(QStringLiteral("addr/dialog139/1037"), QString(5000, QLatin1Char('9')));
    settings::SetValue(QStringLiteral("addr/dialog139/1011"), 7);  // not a text
    Restart();
    EXPECT_EQ(Prompt({}), defaults);
}

TEST_F(KeptSettingsTest, TheLogTabShowsTheDefaultsAndStoresValidChoicesOnly) {
    QWidget parent;
    CLogSettingsTab tab(&parent);
    EXPECT_EQ(tab.Title(), QStringLiteral("日志"));
    EXPECT_EQ(tab.StampStyle()->count(), 3);
    EXPECT_EQ(tab.StampStyle()->currentIndex(), 0);
    EXPECT_EQ(tab.RecordLimit()->value(), 64);
    EXPECT_EQ(tab.TotalLimit()->value(), 1024);
    EXPECT_EQ(tab.StampStyle()->objectName(), QStringLiteral("logStampStyle"));

    tab.StampStyle()->setCurrentIndex(2);
    tab.RecordLimit()->setValue(128);
    tab.TotalLimit()->setValue(100);  // less than one record may hold: refused
    EXPECT_FALSE(tab.Apply());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_FALSE(settings::Value(QStringLiteral("log/stampStyle")).isValid());

    tab.TotalLimit()->setValue(512);
    EXPECT_TRUE(tab.Apply());
    Restart();
    EXPECT_EQ(settings::IntValue(QStringLiteral("log/stampStyle"), 0, 0, 2), 2);
    EXPECT_EQ(settings::IntValue(QStringLiteral("log/recordLimitMiB"), 64, 1, 1 << 20), 128);
    EXPECT_EQ(settings::IntValue(QStringLiteral("log/totalLimitMiB"), 1024, 1, 1 << 20), 512);
    CLogSettingsTab again(&parent);
    EXPECT_EQ(again.StampStyle()->currentIndex(), 2);
    EXPECT_EQ(again.RecordLimit()->value(), 128);
    EXPECT_EQ(again.TotalLimit()->value(), 512);

    settings::SetValue(QStringLiteral("log/stampStyle"), 9);
    settings::SetValue(QStringLiteral("log/recordLimitMiB"), QStringLiteral("lots"));
    settings::SetValue(QStringLiteral("log/totalLimitMiB"), -5);
    CLogSettingsTab stray(&parent);
    EXPECT_EQ(stray.StampStyle()->currentIndex(), 0);
    EXPECT_EQ(stray.RecordLimit()->value(), 64);
    EXPECT_EQ(stray.TotalLimit()->value(), 1024);
}

TEST_F(KeptSettingsTest, TheOptionsDialogHasTheLogTab) {
    ui::SetModalScript([](QDialog* d) {
        auto* tabs = d->findChild<QTabWidget*>(QStringLiteral("settingsTabs"));
        ASSERT_NE(tabs, nullptr);
        QStringList titles;
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        EXPECT_TRUE(titles.contains(QStringLiteral("日志")));
        EXPECT_NE(d->findChild<QSpinBox*>(QStringLiteral("logTotalLimit")), nullptr);
        d->findChild<QPushButton*>(QStringLiteral("settingsOk"))->click();
    });
    EXPECT_TRUE(OpenSettings(nullptr));
    ui::SetModalScript(nullptr);
    EXPECT_EQ(settings::IntValue(QStringLiteral("log/recordLimitMiB"), 0, 0, 1 << 20), 64);
}

TEST_F(KeptSettingsTest, AFileOfRandomBytesGivesTheDefaults) {
    QByteArray noise;
    uint32_t x = 2463534242u;
    for (int i = 0; i < 65536; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        noise.append(static_cast<char>(x & 0xFF));
    }
    {
        QFile f(m_settings.Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(noise);
    }
    testing::internal::CaptureStderr();
    Restart();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("could not be read"), std::string::npos) << err;
    EXPECT_TRUE(QFile::exists(m_settings.Path() + QStringLiteral(".damaged")));  // kept for a look
    EXPECT_TRUE(RestoreWireEncoding());
    EXPECT_EQ(enc::WireEncoding(), enc::kAnsi);
    EXPECT_EQ(Prompt({}), (std::map<int, QString>{
                              {kBoxAddress, "127.0.0.1"}, {kBoxPort, "8888"}, {kBoxCount, "1"}}));
    QWidget parent;
    CLogSettingsTab tab(&parent);
    EXPECT_EQ(tab.RecordLimit()->value(), 64);
    // The program can store and read its choices again.
    EXPECT_EQ(Prompt({{kBoxPort, "7777"}}).at(kBoxPort), "8888");
    Restart();
    EXPECT_EQ(Prompt({}).at(kBoxPort), "7777");
}

}  // namespace
}  // namespace quillet::pages
