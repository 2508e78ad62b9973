#include "pages/common/ui_notifier.h"

#include "engine/thread_check.h"
#include "pages/common/engine_names.h"

#include <QThread>

namespace quillet::pages {

UiNotifier::UiNotifier(QObject* parent) : QObject(parent) {
    setObjectName("uiNotifier");
}

bool UiNotifier::Call(std::function<void()> fn) {
    QUILLET_ASSERT_UNLOCKED();
    if (QThread::currentThread() == thread()) {
        if (IsClosed())
            return false;
        fn();
        return true;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed)
        return false;
    const uint64_t ticket = ++m_posted;
    QMetaObject::invokeMethod(
        this,
        [this, fn = std::move(fn)] {
            if (!IsClosed())
                fn();
            std::lock_guard<std::mutex> done(m_mutex);
            ++m_finished;
            m_done.notify_all();
        },
        Qt::QueuedConnection);
    m_done.wait(lock, [&] { return m_closed || m_finished >= ticket; });
    return !m_closed;
}

void UiNotifier::Post(uint64_t key, const void* record, std::function<void()> fn) {
    QUILLET_ASSERT_UNLOCKED();
    const std::pair<uint64_t, const void*> id(key, record);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || !m_queued.insert(id).second)
            return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, id, fn = std::move(fn)] {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_queued.erase(id);  // news arriving while fn runs is queued anew
                if (m_closed)
                    return;
            }
            fn();
        },
        Qt::QueuedConnection);
}

void UiNotifier::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_done.notify_all();
}

bool UiNotifier::IsClosed() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

}  // namespace quillet::pages
