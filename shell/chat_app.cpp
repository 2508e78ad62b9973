#include "shell/chat_app.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <memory>

#include "engine/descriptor_budget.h"
#include "engine/local_address.h"
#include "pages/common/app_settings.h"
#include "pages/common/wire_encoding_setting.h"
#include "pages/workspaces.h"
#include "pages/workspace/workspace_start.h"
#include "shell/mgr_dlg.h"
#include "skin/ui_kit.h"

namespace quillet::shell {

bool CChatApp::SocketsUsable() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    ::close(fd);  // never served by a worker, so a plain close is right
    return true;
}

int CChatApp::Run(QApplication& app, void (*ready)(CMgrDlg*)) {
    // Thousands of peers need thousands of descriptors; the usual soft limit is 1024.
    engine::fd::RaiseOpenFileLimit();
    // The host's address is looked up while the window is being built.
    engine::StartLocalHostLookup();
    if (!SocketsUsable()) {
        const QString text = QStringLiteral("WSAStartup Error !");
        ui::ShowMessage(nullptr, text, text);
        return 1;
    }
    // Only the main window's quit request ends the run, not the last dialog closing.
    app.setQuitOnLastWindowClosed(false);
    // A damaged settings file is reported (and set aside) before the window reads it.
    pages::settings::Open();
    pages::RestoreWireEncoding();
    // The pictures with words speak the window's language.
    ui::SetPictureLanguage(m_language == Language::kEnglish ? QStringLiteral("en") : QString());
    auto window = std::make_unique<CMgrDlg>();
    QObject::connect(window.get(), &CMgrDlg::quitRequested, &app, &QApplication::exit);
    window->show();
    window->activateWindow();
    // What the settings had to say at start-up (a damaged file, a value out of range), in the
    // window, once it is up.
    QTimer::singleShot(0, window.get(), [w = window.get()] {
        for (const QString& text : pages::settings::TakeNotices())
            ui::ShowMessage(w, text, ui::AppTitle());
    });
    OpenStartWorkspace(window.get());
    if (ready != nullptr)
        ready(window.get());
    const int code = app.exec();
    // Destroying the window destroys the pages, which close their sockets and join workers.
    window.reset();
    return code;
}

void CChatApp::OpenStartWorkspace(CMgrDlg* window) {
    pages::CWorkspace* workspace = window->Workspace();
    if (m_startWorkspace) {
        QTimer::singleShot(0, workspace, [this, workspace] {
            workspace->Open(*m_startWorkspace, m_startPath);
            m_startWorkspace.reset();
        });
        return;
    }
    const QString last = pages::CWorkspace::LastFile();
    if (pages::WorkspaceRestoresAtStart() && !last.isEmpty())
        QTimer::singleShot(0, workspace, [workspace, last] { workspace->OpenFrom(last); });
}

}  // namespace quillet::shell
