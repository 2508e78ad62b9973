#include "pages/common/ui_notifier.h"

#include <chrono>

#include "engine/thread_check.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

namespace {

// How long one turn of the event loop spends on news before input and painting get theirs.
constexpr auto kSlice = std::chrono::milliseconds(5);

}  // namespace

UiNotifier::UiNotifier(QObject* parent) : QObject(parent) {
    setObjectName("uiNotifier");
}

void UiNotifier::Post(uint64_t key, const void* record, std::function<void()> fn) {
    QUILLET_ASSERT_UNLOCKED();
    const Id id(key, record);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed || !m_queued.insert(id).second)
        return;
    m_pending.push_back({id, std::move(fn)});
    if (!m_drainPosted) {
        m_drainPosted = true;
        PostDrain();
    }
}

void UiNotifier::PostDrain() {
    QMetaObject::invokeMethod(
        this, [this] { Drain(); }, Qt::QueuedConnection);
}

void UiNotifier::Drain() {
    QUILLET_ASSERT_UNLOCKED();
    const auto until = std::chrono::steady_clock::now() + kSlice;
    for (;;) {
        News news;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_closed || m_pending.empty()) {
                m_drainPosted = false;
                return;
            }
            if (std::chrono::steady_clock::now() >= until) {
                PostDrain();  // the rest after what else waits in the event loop
                return;
            }
            news = std::move(m_pending.front());
            m_pending.pop_front();
            m_queued.erase(news.id);  // news arriving while it runs is queued anew
        }
        news.fn();
    }
}

void UiNotifier::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_pending.clear();
    m_queued.clear();
}

bool UiNotifier::IsClosed() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

}  // namespace quillet::pages
