#include "pages/log/log_view_accessible.h"

#include <QWidget>

#include <algorithm>

#include "pages/common/page_names.h"

namespace quillet::pages {
namespace {

QAccessibleInterface* LogViewFactory(const QString& key, QObject* object) {
    (void)key;
    auto* view = qobject_cast<QWidget*>(object);
    auto* log = dynamic_cast<ReadableLog*>(object);
    return view && log ? new LogViewAccessible(view, log) : nullptr;
}

}  // namespace

LogViewAccessible::LogViewAccessible(QWidget* view, ReadableLog* log)
    : QAccessibleWidget(view, QAccessible::EditableText), m_log(log) {}

QString LogViewAccessible::Shown() const {
    return m_log->ShownText();
}

QAccessible::State LogViewAccessible::state() const {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    s.multiLine = true;
    s.editable = false;
    return s;
}

QString LogViewAccessible::text(QAccessible::Text t) const {
    switch (t) {
        case QAccessible::Name:
            return widget()->accessibleName().isEmpty() ? FrameTitle(widget())
                                                        : widget()->accessibleName();
        case QAccessible::Value:
            return m_log->toPlainText();  // the whole log: only on request
        default:
            return QAccessibleWidget::text(t);
    }
}

void* LogViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void LogViewAccessible::selection(int, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
}

QString LogViewAccessible::text(int startOffset, int endOffset) const {
    const QString shown = Shown();
    startOffset = std::clamp(startOffset, 0, static_cast<int>(shown.size()));
    endOffset = endOffset < 0 ? static_cast<int>(shown.size())
                              : std::clamp(endOffset, startOffset, static_cast<int>(shown.size()));
    return shown.mid(startOffset, endOffset - startOffset);
}

int LogViewAccessible::characterCount() const {
    return static_cast<int>(Shown().size());
}

QString LogViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = 0;
    *endOffset = characterCount();
    (void)offset;
    return QString();
}

void InstallLogViewAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(LogViewFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace quillet::pages
