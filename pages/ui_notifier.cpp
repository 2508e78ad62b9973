#include "ui_notifier.h"

#include <QThread>

namespace quillet::pages {

UiNotifier::UiNotifier(QObject* parent) : QObject(parent) { setObjectName("uiNotifier"); }

bool UiNotifier::Call(std::function<void()> fn) {
    if (QThread::currentThread() == thread()) {
        if (IsClosed()) return false;
        fn();
        return true;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_closed) return false;
    const uint64_t ticket = ++m_posted;
    QMetaObject::invokeMethod(
        this,
        [this, fn = std::move(fn)] {
            if (!IsClosed()) fn();
            std::lock_guard<std::mutex> done(m_mutex);
            ++m_finished;
            m_done.notify_all();
        },
        Qt::QueuedConnection);
    m_done.wait(lock, [&] { return m_closed || m_finished >= ticket; });
    return !m_closed;
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
