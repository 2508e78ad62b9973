#pragma once
// Start-up and shutdown of the program: checks that IPv4 sockets can be made, runs the main
// window until it asks to quit, then destroys it, which closes every socket of every page.
#include <optional>

#include "pages/workspace/workspace_doc.h"
#include "shell/command_line.h"

class QApplication;

namespace quillet::shell {

class CMgrDlg;

class CChatApp {
public:
    explicit CChatApp(Language language = Language::kChinese) : m_language(language) {}

    // The language the translators installed at start-up speak (see ui_language.h); Chinese
    // unless told otherwise.
    Language UiLanguage() const { return m_language; }

    // A workspace (read from `path`) the window opens once it is up; without one, the last
    // workspace is opened when the user asked for that (WorkspaceRestoresAtStart).
    void OpenAtStart(const QString& path, pages::WorkspaceDoc doc) {
        m_startPath = path;
        m_startWorkspace = std::move(doc);
    }

    // Whether this process can create an IPv4 socket.
    static bool SocketsUsable();
    // The whole life of the program inside a running QApplication; returns the exit code.
    // `ready`, when given, is called with the shown main window (in-process drivers use it).
    int Run(QApplication& app, void (*ready)(CMgrDlg*) = nullptr);

private:
    // Opens the workspace of the start, if any, in `window`.
    void OpenStartWorkspace(CMgrDlg* window);

    Language m_language;
    QString m_startPath;
    std::optional<pages::WorkspaceDoc> m_startWorkspace;
};

}  // namespace quillet::shell
