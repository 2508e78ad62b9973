#pragma once
// Drives real pages offscreen the way a user does: prompts answered through the modal seam,
// skin buttons and tree items clicked with the mouse, the event loop run while waiting. Also
// the probes the page benchmarks share: resident memory, a heartbeat timer on the
// user-interface thread, percentiles. Every wait is bounded.
#include <QObject>

#include <chrono>
#include <functional>
#include <map>
#include <vector>

#include "bench/bench_support.h"

class QDialog;
class QTimer;
class QTreeWidgetItem;

namespace quillet::pages {
class CDialogP;
}

namespace quillet::bench {

// The next prompt gets `fields` (control id to text) and OK.
void AnswerNextPrompt(std::map<int, QString> fields);
// A mouse click on the page's skin button `id`.
void ClickButton(pages::CDialogP* page, int id);
// A mouse click on a tree item, as the user selects a connection.
void ClickItem(pages::CDialogP* page, QTreeWidgetItem* item);
// Runs the event loop until `cond` holds or `timeout` passes; returns the last value of `cond`.
bool RunUntil(const std::function<bool()>& cond, std::chrono::milliseconds timeout);
// Runs the event loop for about `time`.
void RunFor(std::chrono::milliseconds time);

// Resident set size of this process in bytes (/proc/self/statm).
size_t ResidentBytes();
// Raises the open-file limit to its hard maximum (a thousand peers need two thousand sockets).
void RaiseFileLimit();

double Percentile(std::vector<double> values, double p);

// A 10 ms timer on the user-interface thread; the gaps between its ticks show how long the
// thread was kept from its events.
class Heartbeat : public QObject {
public:
    Heartbeat();
    void Start();
    void Stop();
    double P99Ms() const { return Percentile(m_gapsMs, 0.99); }
    double MaxMs() const;

private:
    QTimer* m_timer;
    Clock::time_point m_last;
    std::vector<double> m_gapsMs;
};

}  // namespace quillet::bench
