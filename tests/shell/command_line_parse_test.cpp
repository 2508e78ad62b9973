// The language chosen on the command line reaches the program; Chinese when none is chosen.
#include <gtest/gtest.h>

#include "shell/chat_app.h"
#include "shell/command_line.h"

namespace quillet::test {
namespace {

using shell::CommandLine;
using shell::Language;

TEST(CommandLineParse, TheChosenLanguageIsKeptAndChineseIsTheDefault) {
    const CommandLine none = shell::ParseCommandLine({"quillet"});
    EXPECT_EQ(none.action, CommandLine::Action::kRun);
    EXPECT_FALSE(none.language.has_value());
    EXPECT_EQ(shell::UiLanguage(none), Language::kChinese);

    const CommandLine en = shell::ParseCommandLine({"quillet", "--lang", "en"});
    EXPECT_EQ(en.action, CommandLine::Action::kRun);
    EXPECT_EQ(shell::UiLanguage(en), Language::kEnglish);
    EXPECT_EQ(shell::CChatApp(shell::UiLanguage(en)).UiLanguage(), Language::kEnglish);

    const CommandLine zh = shell::ParseCommandLine({"/usr/bin/quillet", "--lang=zh"});
    EXPECT_EQ(zh.language, Language::kChinese);
    // The last of repeated options wins, as with most programs.
    EXPECT_EQ(shell::ParseCommandLine({"quillet", "--lang=zh", "--lang=en"}).language,
              Language::kEnglish);
    EXPECT_EQ(shell::CChatApp().UiLanguage(), Language::kChinese);
}

TEST(CommandLineParse, ErrorsNameTheProgramWithoutItsPath) {
    const CommandLine bad = shell::ParseCommandLine({"/usr/bin/quillet", "--lang", "fr"});
    EXPECT_EQ(bad.action, CommandLine::Action::kUsageError);
    EXPECT_TRUE(bad.text.startsWith("quillet: unknown language 'fr' for --lang"));
}

}  // namespace
}  // namespace quillet::test
