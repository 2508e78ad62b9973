// Quillet: a socket test tool. Options: --help, --version, --lang zh|en, --workspace FILE.
#include <clocale>
#include <cstdio>
#include <optional>
#include <variant>

#include <QApplication>

#include "pages/workspace/workspace_doc.h"
#include "shell/app_start.h"
#include "shell/chat_app.h"
#include "shell/command_line.h"
#include "shell/ui_language.h"
#include "skin/crisp_lines.h"

namespace {

using quillet::shell::CommandLine;

struct Start {
    CommandLine cmd;
    std::optional<quillet::pages::WorkspaceDoc> workspace;  // --workspace, read and checked
};

// Parsed with a core application only, so help, version and usage errors need no display; a
// --workspace file that cannot be opened is one of them.
Start ParseArguments(int argc, char** argv) {
    int count = argc;
    QCoreApplication core(count, argv);
    Start start{quillet::shell::ParseCommandLine(QCoreApplication::arguments()), std::nullopt};
    CommandLine& cmd = start.cmd;
    if (cmd.action != CommandLine::Action::kRun || cmd.workspace.isEmpty())
        return start;
    // The fault in the language the window would speak.
    quillet::shell::InstallTranslators(quillet::shell::ChooseLanguage(cmd));
    auto read = quillet::pages::ReadWorkspaceFile(cmd.workspace);
    quillet::shell::RemoveTranslators();
    if (auto* fault = std::get_if<QString>(&read)) {
        cmd.action = CommandLine::Action::kUsageError;
        cmd.text = quillet::shell::WorkspaceFaultLine(QByteArray(argv[0]).split('/').last(),
                                                      cmd.workspace, *fault);
        return start;
    }
    start.workspace = std::get<quillet::pages::WorkspaceDoc>(std::move(read));
    return start;
}

}  // namespace

int main(int argc, char** argv) {
    // Wire text in the locale's character set until the user picks another encoding.
    std::setlocale(LC_ALL, "");
    Start start = ParseArguments(argc, argv);
    const CommandLine& cmd = start.cmd;
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
    if (start.workspace)
        chat.OpenAtStart(cmd.workspace, std::move(*start.workspace));
    return chat.Run(*app);
}
