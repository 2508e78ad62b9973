// Start-up to the first painted frame of the main window, and its idle resident memory, beside
// a bare window in a bare application launched the same way. On a real X server (scripts/bench
// starts Xvfb) the clock starts at the process's launch; otherwise at main, offscreen.
#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "shell/mgr_dlg.h"

namespace quillet::bench {
namespace {

// Notes when its watched window has painted for the first time.
class PaintWatch : public QObject {
public:
    bool painted = false;
    Clock::time_point at;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(watched);
        const bool exposed = widget->windowHandle() && widget->windowHandle()->isExposed();
        if (event->type() == QEvent::Paint && exposed && !painted) {
            painted = true;
            at = Clock::now();
        }
        return QObject::eventFilter(watched, event);
    }
};

Clock::time_point g_start;

bool Measure(QWidget& window) {
    PaintWatch watch;
    window.installEventFilter(&watch);
    window.show();
    if (!RunUntil([&] { return watch.painted; }, std::chrono::seconds(10)))
        return false;
    Report("first_paint_ms", Seconds(watch.at - g_start) * 1e3);
    RunFor(std::chrono::milliseconds(500));  // idle
    Report("idle_MB", ResidentBytes() / 1e6);
    window.removeEventFilter(&watch);
    return true;
}

}  // namespace

void MarkProcessStart() {
    // Launched by bench_pages on a real X server: the clock starts at the launch.
    if (const char* ticks = std::getenv("QUILLET_LAUNCH_TICKS"))
        g_start = Clock::time_point(Clock::duration(std::atoll(ticks)));
    else
        g_start = Clock::now();
}

bool PartStartup() {
    shell::CMgrDlg window;
    return Measure(window);
}

bool PartStartupPlain() {
    QWidget window;
    window.resize(800, 600);
    return Measure(window);
}

}  // namespace quillet::bench
