// Quillet: a socket test tool. Options: --help, --version, --lang zh|en; no configuration and
// no saved state.
#include <clocale>
#include <cstdio>

#include <QApplication>

#include "shell/app_start.h"
#include "shell/chat_app.h"
#include "shell/command_line.h"
#include "shell/ui_language.h"
#include "skin/crisp_lines.h"

namespace {

using quillet::shell::CommandLine;

// Parsed with a core application only, so help, version and usage errors need no display.
CommandLine ParseArguments(int argc, char** argv) {
    int count = argc;
    QCoreApplication core(count, argv);
    return quillet::shell::ParseCommandLine(QCoreApplication::arguments());
}

}  // namespace

int main(int argc, char** argv) {
    // Wire text in the locale's character set until the user picks another encoding.
    std::setlocale(LC_ALL, "");
    const CommandLine cmd = ParseArguments(argc, argv);
    const QByteArray text = cmd.text.toLocal8Bit();
    switch (cmd.action) {
        case CommandLine::Action::kHelp:
        case CommandLine::Action::kVersion:
            std::fputs(text.constData(), stdout);
            return 0;
        case CommandLine::Action::kUsageError:
            std::fputs(text.constData(), stderr);
            return quillet::shell::kUsageExitCode;
        case CommandLine::Action::kRun:
            break;
    }
    if (const QString problem = quillet::shell::MissingDisplayProblem(); !problem.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", QByteArray(argv[0]).split('/').last().constData(),
                     problem.toLocal8Bit().constData());
        return quillet::shell::kNoDisplayExitCode;
    }
    const auto app = quillet::shell::OpenApplication(argc, argv);
    quillet::ui::UseCrispFrames();
    // Before any window is made, so every text is created in the chosen language.
    const auto language = quillet::shell::InstallTranslators(quillet::shell::ChooseLanguage(cmd));
    quillet::shell::CChatApp chat(language);
    return chat.Run(*app);
}
