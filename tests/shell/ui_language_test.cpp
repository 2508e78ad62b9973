// The two languages: chosen by --lang or the locale (Chinese for Chinese, C and POSIX, English
// for every other); the English texts cover every text of the windows and prompts; Qt's own
// texts are Chinese under Chinese; a missing or broken English file leaves the program in
// Chinese.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <memory>
#include <optional>

#include "pages/prompts/set_dialog.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/prompts/set_dlg_broad_ip.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "shell/about_dlg.h"
#include "shell/chat_app.h"
#include "shell/help_dlg.h"
#include "shell/ui_language.h"
#include "skin/office_xp_menu.h"
#include "tests/shell/shell_fixture.h"
#include "pages/udp_client_dlg.h"

namespace quillet::test {
namespace {

using shell::Language;

// Sets or clears an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (qEnvironmentVariableIsSet(name))
            old_ = qgetenv(name);
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            qputenv(name_, *old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

struct LocaleCase {
    const char* language;
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    Language expected;
};

class UiLanguageOfLocale : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(UiLanguageOfLocale, FollowsTheCLibrarysPrecedence) {
    const LocaleCase& c = GetParam();
    EXPECT_EQ(shell::LanguageOfLocale({c.language, c.lcAll, c.lcMessages, c.lang}), c.expected)
        << "LANGUAGE=" << c.language << " LC_ALL=" << c.lcAll << " LC_MESSAGES=" << c.lcMessages
        << " LANG=" << c.lang;
}

constexpr Language zh = Language::kChinese, en = Language::kEnglish;
INSTANTIATE_TEST_SUITE_P(
    Locales, UiLanguageOfLocale,
    ::testing::Values(
        // Chinese locales, C and POSIX speak Chinese; every other locale English.
        LocaleCase{"", "", "", "zh_CN.UTF-8", zh}, LocaleCase{"", "", "", "zh_TW", zh},
        LocaleCase{"", "", "", "en_US.UTF-8", en}, LocaleCase{"", "", "", "fr_FR.UTF-8", en},
        LocaleCase{"", "", "", "de_DE@euro", en}, LocaleCase{"", "", "", "C", zh},
        LocaleCase{"", "", "", "C.UTF-8", zh}, LocaleCase{"", "", "", "POSIX", zh},
        LocaleCase{"", "", "", "", zh},
        // LC_ALL over LC_MESSAGES over LANG.
        LocaleCase{"", "en_US.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", en},
        LocaleCase{"", "zh_CN.UTF-8", "en_US.UTF-8", "en_US.UTF-8", zh},
        LocaleCase{"", "", "fr_FR.UTF-8", "zh_CN.UTF-8", en},
        LocaleCase{"", "", "zh_CN.UTF-8", "en_GB.UTF-8", zh},
        LocaleCase{"", "C", "", "en_US.UTF-8", zh},
        // LANGUAGE over all of them, its first entry the program has texts for winning...
        LocaleCase{"en:zh_CN", "", "", "zh_CN.UTF-8", en},
        LocaleCase{"zh_CN:en", "fr_FR.UTF-8", "", "en_US.UTF-8", zh},
        LocaleCase{"de:fr:en_GB", "", "", "zh_CN.UTF-8", en},
        LocaleCase{"de:fr", "", "", "zh_CN.UTF-8", zh}, LocaleCase{"::", "", "", "en_US", en},
        // ...except under the C locale, where the C library ignores it.
        LocaleCase{"en_US", "", "", "C", zh}, LocaleCase{"en", "POSIX", "", "en_US.UTF-8", zh},
        LocaleCase{"en", "", "", "", zh}));

struct TagCase {
    const char* tag;
    std::optional<Language> expected;
};

class UiLanguageTag : public ::testing::TestWithParam<TagCase> {};

TEST_P(UiLanguageTag, NamesALanguageAloneOrAsALocale) {
    EXPECT_EQ(shell::LanguageOfTag(GetParam().tag), GetParam().expected) << GetParam().tag;
}

INSTANTIATE_TEST_SUITE_P(
    Tags, UiLanguageTag,
    ::testing::Values(TagCase{"zh", zh}, TagCase{"zh_CN", zh}, TagCase{"zh-CN", zh},
                      TagCase{"zh_CN.UTF-8", zh}, TagCase{"en", en}, TagCase{"en_US", en},
                      TagCase{"en-GB", en}, TagCase{"en_US.UTF-8", en}, TagCase{"en@quot", en},
                      TagCase{"EN", std::nullopt}, TagCase{"eng", std::nullopt},
                      TagCase{"fr_FR", std::nullopt}, TagCase{"", std::nullopt},
                      TagCase{"_en", std::nullopt}));

TEST(UiLanguageChoice, TheOptionWinsOverTheLocale) {
    ScopedEnv a("LANGUAGE", nullptr), b("LC_ALL", nullptr), c("LC_MESSAGES", nullptr);
    ScopedEnv d("LANG", "en_US.UTF-8");
    EXPECT_EQ(shell::ChooseLanguage(shell::ParseCommandLine({"quillet"})), en);
    EXPECT_EQ(shell::ChooseLanguage(shell::ParseCommandLine({"quillet", "--lang", "zh_CN"})), zh);
    ScopedEnv e("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(shell::ChooseLanguage(shell::ParseCommandLine({"quillet"})), zh);
    EXPECT_EQ(shell::ChooseLanguage(shell::ParseCommandLine({"quillet", "--lang=en_US"})), en);
}

// Texts of the program that are still Chinese.
bool HasHan(const QString& text) {
    static const QRegularExpression han(
        QStringLiteral("[\\x{3000}-\\x{303f}\\x{4e00}-\\x{9fff}"
                       "\\x{ff00}-\\x{ffef}]"));
    return text.contains(han);
}

// Every text a user can see or a screen reader can read under `root`, named by its widget.
QStringList ChineseTexts(QWidget* root) {
    QStringList found;
    auto check = [&](const QObject* o, const QString& text) {
        if (HasHan(text))
            found << o->objectName() + ": " + text;
    };
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* w : widgets) {
        check(w, w->windowTitle());
        check(w, w->toolTip());
        check(w, w->accessibleName());
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            check(w, b->text());
        if (auto* l = qobject_cast<QLabel*>(w))
            check(w, l->text());
        if (auto* g = qobject_cast<QGroupBox*>(w))
            check(w, g->title());
        if (auto* m = qobject_cast<QMenu*>(w)) {
            check(w, m->title());
            for (const QAction* a : m->actions())
                check(a, a->text());
        }
    }
    return found;
}

class UiLanguageTest : public ShellTest {
protected:
    // The window is made after the translators, as at start-up.
    void SetUp() override { QtTestBase::SetUp(); }
    void TearDown() override {
        shell::RemoveTranslators();
        if (dlg_)
            ShellTest::TearDown();
        else
            QtTestBase::TearDown();
    }
    void OpenWindow(Language language) {
        ASSERT_EQ(shell::InstallTranslators(language), language);
        ShellTest::SetUp();
    }
    QString SendBoxTitle() const {
        auto* box = dlg_->Page(shell::kTcpServer)->findChild<QGroupBox*>("groupBox1031");
        return box ? box->title() : QString();
    }
};

TEST_F(UiLanguageTest, EnglishWindowPromptsAndDialogsHaveNoChineseLeft) {
    OpenWindow(Language::kEnglish);
    EXPECT_EQ(SendBoxTitle(), "Send window");
    EXPECT_EQ(QCoreApplication::translate("quillet::pages::TcpSendController", "对方已经断开！"),
              "The peer has disconnected!");
    EXPECT_EQ(ChineseTexts(dlg_.get()), QStringList());

    shell::CAbout about;
    shell::CHelp help;
    pages::CSet set;
    ui::COfficeXPMenu menu;
    ASSERT_TRUE(menu.LoadMenu(132));
    auto* udp = qobject_cast<pages::CUdpClientDlg*>(dlg_->Page(shell::kUdpClient));
    auto* multicast = qobject_cast<pages::CMulticastServerDlg*>(dlg_->Page(shell::kMulticast));
    ASSERT_TRUE(udp && multicast);
    pages::CDlgSetIp setIp(QString(), Qt::white, nullptr);
    pages::CSetListenDlg listen(Qt::white, nullptr);
    pages::CSetUdpServerIp udpPeer(udp, u"", Qt::white);
    pages::CSetDlgBroadIp broadcast(udp, u"", Qt::white);
    pages::CSetMulticastDlg group(multicast, u"", "127.0.0.1", Qt::white);
    for (QWidget* w : std::initializer_list<QWidget*>{&about, &help, &set, &menu, &setIp, &listen,
                                                      &udpPeer, &broadcast, &group})
        EXPECT_EQ(ChineseTexts(w), QStringList()) << w->metaObject()->className();
    EXPECT_TRUE(help.HelpText().startsWith("1. This software is a tool for testing socket"));
    EXPECT_EQ(about.windowTitle(), "About Quillet");
    EXPECT_EQ(menu.SubMenu(0)->title(), "Settings(&M)");
}

TEST_F(UiLanguageTest, ChineseIsExactlyTheProgramsOwnAndQtSpeaksChineseToo) {
    OpenWindow(Language::kChinese);
    EXPECT_EQ(SendBoxTitle(), QStringLiteral("发送窗口"));
    EXPECT_GT(ChineseTexts(dlg_.get()).size(), 20);  // the search above does find Chinese
    EXPECT_EQ(shell::CAbout().windowTitle(), QStringLiteral("关于Quillet"));
    EXPECT_EQ(pages::CSetListenDlg(Qt::white, nullptr).windowTitle(), QStringLiteral("请输入端口"));
    // Qt's own texts: the standard buttons and a text box's context menu.
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    QLineEdit edit;
    const std::unique_ptr<QMenu> context(edit.createStandardContextMenu());
    QStringList texts;
    for (const QAction* a : context->actions())
        if (!a->isSeparator())
            texts << a->text();
    ASSERT_FALSE(texts.isEmpty());
    for (const QString& t : texts)
        EXPECT_TRUE(HasHan(t)) << t.toStdString();
}

// Captures warnings while a test runs.
QStringList* g_warnings = nullptr;
void Capture(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtWarningMsg && g_warnings)
        *g_warnings << text;
}

TEST_F(UiLanguageTest, MissingOrBrokenEnglishFileGivesChineseAndAWarning) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString broken = dir.filePath("broken.qm");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no translation file");
    file.close();
    QStringList warnings;
    g_warnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(Capture);
    const Language withBroken = shell::InstallTranslators(Language::kEnglish, broken);
    const Language withMissing =
        shell::InstallTranslators(Language::kEnglish, dir.filePath("no.qm"));
    qInstallMessageHandler(previous);
    g_warnings = nullptr;
    EXPECT_EQ(withBroken, Language::kChinese);
    EXPECT_EQ(withMissing, Language::kChinese);
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_TRUE(warnings[0].contains("broken.qm")) << warnings[0].toStdString();
    ShellTest::SetUp();
    EXPECT_EQ(SendBoxTitle(), QStringLiteral("发送窗口"));
    EXPECT_EQ(shell::CChatApp(withBroken).UiLanguage(), Language::kChinese);
}

// The committed English file: every text translated, and the translation keeps the
// placeholders the code fills in.
TEST(EnglishTranslationFile, EveryTextIsTranslatedWithItsPlaceholders) {
    QFile file(QStringLiteral(QUILLET_EN_TS));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << QUILLET_EN_TS;
    QXmlStreamReader xml(&file);
    QString context, source;
    int count = 0;
    static const QRegularExpression placeholder(QStringLiteral("%\\d"));
    auto placeholders = [](const QString& s) {
        QStringList list;
        for (auto it = placeholder.globalMatch(s); it.hasNext();)
            list << it.next().captured();
        list.sort();
        return list;
    };
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value("type").toString();
            const QString text = xml.readElementText();
            const std::string where = (context + " / " + source).toStdString();
            ++count;
            EXPECT_TRUE(type.isEmpty()) << type.toStdString() << ": " << where;
            EXPECT_FALSE(text.trimmed().isEmpty()) << where;
            EXPECT_FALSE(HasHan(text)) << where;
            EXPECT_EQ(placeholders(text), placeholders(source)) << where;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_GT(count, 100);
}

}  // namespace
}  // namespace quillet::test
