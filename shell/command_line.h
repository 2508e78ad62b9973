#pragma once
// The program's command line: --help, --version, --lang zh|en (zh_CN, en_US and the like too)
// and --workspace FILE.
// Parsed before any window system is opened, so help, version and usage errors work without a
// display.
//
// Threads: main thread, before the application object exists or while it runs.
#include <QString>
#include <QStringList>

#include <optional>

namespace quillet::shell {

enum class Language { kChinese, kEnglish };

struct CommandLine {
    enum class Action {
        kRun,         // start the program
        kHelp,        // print `text` on stdout, exit 0
        kVersion,     // print `text` on stdout, exit 0
        kUsageError,  // print `text` on stderr, exit kUsageExitCode
    };
    Action action = Action::kRun;
    // Chosen with --lang; unset lets the locale decide (Chinese unless told otherwise).
    std::optional<Language> language;
    QString text;
    // --workspace: a workspace file to open at start (empty: none).
    QString workspace;
};

inline constexpr int kUsageExitCode = 2;
inline constexpr int kNoDisplayExitCode = 1;

// The one line a --workspace file that cannot be opened gives on stderr (ending in a newline).
QString WorkspaceFaultLine(const QString& program, const QString& file, const QString& fault);

// The language a tag names: "zh" or "en", alone or as a locale name with a territory,
// character set or modifier ("zh_CN", "en-US", "en_GB.UTF-8"); nullopt for any other.
std::optional<Language> LanguageOfTag(const QString& tag);

// `args` includes the program name first, as QCoreApplication::arguments() gives it.
CommandLine ParseCommandLine(const QStringList& args);

// The language the user interface speaks: --lang when given, else Chinese.
Language UiLanguage(const CommandLine& cmd);

}  // namespace quillet::shell
