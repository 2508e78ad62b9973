#include "shell/app_start.h"

#include <unistd.h>

#include <QApplication>
#include <QByteArray>
#include <cstdio>
#include <vector>

#include "shell/command_line.h"

namespace quillet::shell {
namespace {

// Messages of Qt's platform layer held back while the application object is built.
struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
std::vector<HeldMessage>* g_held = nullptr;
QByteArray g_program;

bool FromPlatformLayer(const QMessageLogContext& context) {
    return context.category != nullptr && qstrncmp(context.category, "qt.qpa", 6) == 0;
}

QString OneLine(QString text) {
    text = text.section(QLatin1Char('\n'), 0, 0).trimmed();
    return text;
}

void StartUpHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // The first platform warning names the cause (display unreachable, plugin missing);
        // Qt's own fatal text only says that no plugin could be initialised.
        QString reason = OneLine(text);
        for (const HeldMessage& m : *g_held) {
            if (m.type != QtDebugMsg && m.type != QtInfoMsg) {
                reason = OneLine(m.text);
                break;
            }
        }
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const QByteArray line =
            g_program + ": cannot open the display" +
            (platform.isEmpty() ? QByteArray() : " (platform " + platform + ")") + ": " +
            reason.toLocal8Bit() + "\n";
        (void)!::write(STDERR_FILENO, line.constData(), static_cast<size_t>(line.size()));
        ::_exit(kNoDisplayExitCode);  // mid-construction: nothing is safe to destroy
    }
    if (FromPlatformLayer(context)) {
        g_held->push_back({type, QByteArray(context.category), text});
        return;
    }
    g_previous(type, context, text);
}

}  // namespace

QString MissingDisplayProblem() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return {};
    }
    return QStringLiteral(
        "no display: neither DISPLAY nor WAYLAND_DISPLAY is set (start it in a desktop "
        "session, or with scripts/run)");
}

std::unique_ptr<QApplication> OpenApplication(int& argc, char** argv) {
    g_program = argc > 0 ? QByteArray(argv[0]).split('/').last() : QByteArray("quillet");
    std::vector<HeldMessage> held;
    g_held = &held;
    g_previous = qInstallMessageHandler(StartUpHandler);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(g_previous);
    g_held = nullptr;
    // The platform opened: its warnings were not about a failure, so show them as usual.
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
    return app;
}

}  // namespace quillet::shell
