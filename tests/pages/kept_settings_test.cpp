// What lasts between runs: the wire encoding, each prompt's recent values (offered, never
// filled in) and the log options, read back from the file; values that do not fit, and a file
// of random bytes, give the defaults without harm.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <functional>
#include <map>
#include <memory>

#include "encoding/wire_codec.h"
#include "engine/local_address.h"
#include "pages/common/app_settings.h"
#include "pages/prompts/dlg_set_ip.h"
#include "engine/chunk_log.h"
#include "engine/log_limits.h"
#include "pages/log/log_settings.h"
#include "pages/log/log_settings_tab.h"
#include "pages/prompts/set_dlg_broad_ip.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/settings/settings_dlg.h"
#include "pages/common/wire_encoding_setting.h"
#include "skin/ui_kit.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

using namespace quillet::engine;

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

    // Opens a prompt made by `open`; `answer` fills boxes and presses OK (empty: Cancel).
    // Returns what its boxes held when it opened.
    static std::map<int, QString> Answer(const std::function<std::unique_ptr<CPromptDlg>()>& open,
                                         const std::map<int, QString>& answer) {
        std::unique_ptr<CPromptDlg> dlg = open();
        std::map<int, QString> offered;
        for (const QLineEdit* box : dlg->findChildren<QLineEdit*>())
            offered[box->objectName().toInt()] = box->text();
        for (const auto& [id, text] : answer)
            dlg->Edit(id)->setText(text);
        (answer.empty() ? dlg->CancelButton() : dlg->OkButton())->click();
        EXPECT_EQ(dlg->result(), answer.empty() ? QDialog::Rejected : QDialog::Accepted);
        return offered;
    }
    static std::unique_ptr<CPromptDlg> TargetPrompt() {
        return std::make_unique<CDlgSetIp>(QString(), QColor(Qt::white), nullptr);
    }
    static std::map<int, QString> Prompt(const std::map<int, QString>& answer) {
        return Answer(TargetPrompt, answer);
    }
    // What box `id` of the prompt offers on the Down arrow.
    static QStringList Recent(CPromptDlg* dlg, int id) {
        QCompleter* completer = dlg->Edit(id)->completer();
        if (!completer)
            return {};
        QStringList values;
        for (int row = 0; row < completer->model()->rowCount(); ++row)
            values << completer->model()->index(row, 0).data().toString();
        return values;
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

// Each prompt of each page, over two runs on one settings file: it opens with its own values
// every time (a count once typed never creates that many again), and offers what was confirmed
// as that page's recent values of that box.
TEST_F(KeptSettingsTest, PromptsOpenWithTheirOwnValuesAndOfferTheirRecentOnes) {
    const QColor white(Qt::white);
    struct Case {
        const char* page;
        std::function<std::unique_ptr<CPromptDlg>()> open;
        std::map<int, QString> own;    // what every opening shows
        std::map<int, QString> typed;  // confirmed in the first run
    };
    using Udp = CSetUdpServerIp;
    const Case cases[] = {
        {"tcpServer",
         [&] { return std::make_unique<CSetListenDlg>(white, nullptr, "tcpServer"); },
         {{CSetListenDlg::kBoxPort, ""}},
         {{CSetListenDlg::kBoxPort, "7001"}}},
        {"udpServer",
         [&] { return std::make_unique<CSetListenDlg>(white, nullptr, "udpServer"); },
         {{CSetListenDlg::kBoxPort, ""}},
         {{CSetListenDlg::kBoxPort, "7002"}}},
        {"tcpClient",
         TargetPrompt,
         {{kBoxAddress, "127.0.0.1"}, {kBoxPort, "8888"}, {kBoxCount, "1"}},
         {{kBoxAddress, "127.0.0.9"}, {kBoxPort, "9191"}, {kBoxCount, "1000"}}},
        {"udpClient",
         [&] { return std::make_unique<Udp>(nullptr, u"", white); },
         {{Udp::kBoxAddress, "127.0.0.1"},
          {Udp::kBoxPeerPort, "8888"},
          {Udp::kBoxLocalPort, "6666"},
          {Udp::kBoxCount, "1"}},
         {{Udp::kBoxAddress, "127.0.0.3"},
          {Udp::kBoxPeerPort, "9000"},
          {Udp::kBoxLocalPort, "7000"},
          {Udp::kBoxCount, "3"}}},
        {"broadcast",
         [&] { return std::make_unique<CSetDlgBroadIp>(nullptr, u"", white); },
         {{Udp::kBoxAddress, "127.255.255.255"},
          {Udp::kBoxPeerPort, "8888"},
          {Udp::kBoxLocalPort, "6666"},
          {Udp::kBoxCount, "1"}},
         {{Udp::kBoxAddress, "255.255.255.255"},
          {Udp::kBoxPeerPort, "9001"},
          {Udp::kBoxLocalPort, "7001"},
          {Udp::kBoxCount, "2"}}},
        {"multicast",
         [&] { return std::make_unique<CSetMulticastDlg>(nullptr, u"", "127.0.0.1", white); },
         {{kBoxGroup, "239.255.0.1"},
          {kBoxGroupPort, "6666"},
          {kBoxLocalPort, "6666"},
          {kBoxTtl, "1"},
          {kBoxInterface, "127.0.0.1"},
          {kBoxCount, "1"}},
         {{kBoxGroup, "239.255.0.7"},
          {kBoxGroupPort, "7777"},
          {kBoxLocalPort, "7778"},
          {kBoxTtl, "4"},
          {kBoxInterface, "127.0.0.1"},
          {kBoxCount, "2"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Answer(c.open, c.typed), c.own) << c.page;
        EXPECT_EQ(Answer(c.open, {}), c.own) << c.page;  // again in the same run
    }
    EXPECT_TRUE(messages_.empty());
    Restart();
    for (const Case& c : cases) {
        std::unique_ptr<CPromptDlg> dlg = c.open();
        for (const auto& [id, text] : c.own) {
            EXPECT_EQ(dlg->Edit(id)->text(), text) << c.page << " " << id;
            EXPECT_EQ(Recent(dlg.get(), id), QStringList{c.typed.at(id)}) << c.page << " " << id;
        }
    }
    // The Down arrow lists them and leaves the box as it is.
    std::unique_ptr<CPromptDlg> dlg = TargetPrompt();
    dlg->show();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(dlg->Edit(kBoxCount), &down);
    EXPECT_TRUE(dlg->Edit(kBoxCount)->completer()->popup()->isVisible());
    EXPECT_EQ(dlg->Edit(kBoxCount)->text(), "1");
    dlg->close();
    // A value its box would not take (letters in a number box) is not offered.
    settings::SetValue(QStringLiteral("recent/tcpClient/1010"), QStringList{"80a", "81"});
    EXPECT_EQ(Recent(TargetPrompt().get(), kBoxPort), QStringList{"81"});
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
    EXPECT_EQ(stray.TotalLimit()->value(), 1);  // brought into the range
}

// The limits stored in the file are the ones the logs keep to, after a restart; a value out of
// range is brought into the one range the tab offers too, stored so, and told once.
TEST_F(KeptSettingsTest, StoredLogLimitsReachTheLogsWithinTheirOneRange) {
    const struct {
        QVariant record, total;
        int recordMiB, totalMiB;
        int notices;
    } cases[] = {
        {3, 200, 3, 200, 0},
        {QVariant(), QVariant(), log_limits::kDefaultRecordMiB, log_limits::kDefaultTotalMiB, 0},
        {"lots", 0, log_limits::kDefaultRecordMiB, log_limits::kMinMiB, 1},
        {qlonglong{1} << 40, log_limits::kMaxTotalMiB + 1, log_limits::kMaxRecordMiB,
         log_limits::kMaxTotalMiB, 2},
    };
    QWidget parent;
    for (const auto& c : cases) {
        settings::SetValue(QString::fromLatin1(log_keys::kRecordLimitMiB), c.record);
        settings::SetValue(QString::fromLatin1(log_keys::kTotalLimitMiB), c.total);
        for (int run = 0; run < 2; ++run) {
            Restart();
            settings::TakeNotices();
            ApplyLogSettings();
            EXPECT_EQ(LogLimitPerLog(), uint64_t(c.recordMiB) << 20) << c.recordMiB;
            EXPECT_EQ(LogLimitTotal(), uint64_t(c.totalMiB) << 20) << c.totalMiB;
            EXPECT_EQ(settings::TakeNotices().size(), run == 0 ? c.notices : 0) << c.totalMiB;
            CLogSettingsTab tab(&parent);
            EXPECT_EQ(tab.RecordLimit()->value(), c.recordMiB);
            EXPECT_EQ(tab.TotalLimit()->value(), c.totalMiB);
            EXPECT_EQ(tab.TotalLimit()->maximum(), log_limits::kMaxTotalMiB);
        }
    }
    SetLogLimits(kDefaultLogLimitPerLog, kDefaultLogLimitTotal);
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
    settings::TakeNotices();
    testing::internal::CaptureStderr();
    Restart();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings::TakeNotices().size(), 1);  // for the window too
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
    EXPECT_EQ(Recent(TargetPrompt().get(), kBoxPort), QStringList{"7777"});
}

}  // namespace
}  // namespace quillet::pages
