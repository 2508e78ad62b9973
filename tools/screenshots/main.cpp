// Shows the main window and writes one picture of it per tab into a directory, for the README.
// Usage: screenshots <output directory> [--lang zh|en]; QT_SCALE_FACTOR scales as usual.
// The local address is pinned to 127.0.0.1, so no picture shows the machine's own addresses.
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPixmap>

#include <cstdio>

#include "engine/local_address.h"
#include "pages/base/dialog_p.h"
#include "shell/mgr_dlg.h"
#include "shell/ui_language.h"
#include "skin/crisp_lines.h"
#include "skin/skin_tab.h"
#include "skin/ui_kit.h"

namespace {

// The file names, in tab order.
constexpr const char* kShotNames[quillet::shell::CMgrDlg::kTabCount] = {
    "tcp-server", "tcp-client",       "udp-server",    "udp-client",
    "broadcast",  "multicast-create", "multicast-join"};

void Settle() {
    // A few rounds let posted page selections and repaints run; nothing waits on a clock.
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quillet::ui::UseCrispFrames();  // as the program does
    const QStringList args = app.arguments();
    if (args.size() < 2 || args[1].startsWith('-')) {
        std::fprintf(stderr, "usage: screenshots <output directory> [--lang zh|en]\n");
        return 2;
    }
    const QDir out(args[1]);
    if (!out.mkpath(".")) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(args[1]));
        return 1;
    }
    const int langAt = args.indexOf("--lang");
    const QString lang = langAt > 0 && langAt + 1 < args.size() ? args[langAt + 1] : "zh";
    quillet::shell::InstallTranslators(lang == "en" ? quillet::shell::Language::kEnglish
                                                    : quillet::shell::Language::kChinese);
    quillet::ui::SetPictureLanguage(lang);
    quillet::engine::SetLocalHostAddressForTest("127.0.0.1");
    quillet::engine::g_adapterInfo.Set("127.0.0.1", "255.0.0.0");

    quillet::shell::CMgrDlg window;
    window.show();
    Settle();
    bool ok = true;
    for (int tab = 0; tab < quillet::shell::CMgrDlg::kTabCount; ++tab) {
        window.TabStrip()->SelectItem(tab);
        Settle();
        if (auto* page = window.PageOfTab(tab)) {
            if (auto* send = page->findChild<QPlainTextEdit*>(
                    quillet::ui::ControlName(quillet::pages::CDialogP::kSendBox)))
                send->setPlainText(QStringLiteral("Hello from Quillet"));
        }
        Settle();
        const QString file = out.filePath(QString::fromLatin1(kShotNames[tab]) + ".png");
        if (!window.grab().save(file, "png", 0)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            ok = false;
        }
    }
    window.hide();
    return ok ? 0 : 1;
}
