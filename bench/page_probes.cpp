#include "bench/page_probes.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "pages/tree/tree_ctrl_ex.h"

using namespace quillet::engine;

namespace quillet::bench {

size_t ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return static_cast<size_t>(resident) * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

size_t LoggedBytes(pages::TreeNode* root) {
    size_t bytes = 0;
    CCritSecLock lock(g_csConnect);
    for (int i = 0; i < root->childCount(); ++i)
        if (auto* rec = pages::CTreeCtrlEx::ItemData<ConnectInfo>(root->child(i)))
            bytes += rec->nRecvBytesAll;
    return bytes;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return values[i];
}

Heartbeat::Heartbeat() : m_timer(new QTimer(this)) {
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(10);
    connect(m_timer, &QTimer::timeout, this, [this] {
        const auto now = Clock::now();
        m_gapsMs.push_back(std::chrono::duration<double, std::milli>(now - m_last).count());
        m_last = now;
    });
}

void Heartbeat::Start() {
    m_gapsMs.clear();
    m_last = Clock::now();
    m_timer->start();
}

void Heartbeat::Stop() {
    m_timer->stop();
}

double Heartbeat::MaxMs() const {
    return m_gapsMs.empty() ? 0 : *std::max_element(m_gapsMs.begin(), m_gapsMs.end());
}

}  // namespace quillet::bench
