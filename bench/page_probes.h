#pragma once
// The probes the page benchmarks share: resident memory, the open-file limit, a heartbeat timer
// on the user-interface thread, percentiles. The pages themselves are worked with the tests'
// page driver (tests/common/page_driver.h): prompts answered, buttons and tree items clicked as
// a user does, every wait bounded.
#include <QObject>

#include <vector>

#include <QString>

#include <memory>

#include "bench/bench_support.h"
#include "pages/prompts/prompt_dlg.h"
#include "tests/common/page_driver.h"

class QTimer;
#include "pages/tree/tree_node.h"

namespace quillet::bench {

using test::AnswerNextPrompt;
using test::ClickTreeItem;
using test::PressButton;
using test::RunFor;
using test::RunUntil;

// Resident set size of this process in bytes (/proc/self/statm).
size_t ResidentBytes();
// The bytes every peer under a server page's root node has logged (read under g_csConnect).
size_t LoggedBytes(pages::TreeNode* root);

double Percentile(std::vector<double> values, double p);

// A server page shown and listening on `port`, made as a user makes it: Create, then the port
// typed into the prompt.
template <typename Page>
std::unique_ptr<Page> ListeningPage(int port) {
    auto page = std::make_unique<Page>();
    page->show();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
    PressButton(page.get(), Page::kCreate);
    return page;
}

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
