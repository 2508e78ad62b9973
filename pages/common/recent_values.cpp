#include "pages/common/recent_values.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringListModel>
#include <QValidator>

#include "pages/common/app_settings.h"

namespace quillet::pages {

namespace {

QString Key(const QString& page, int boxId) {
    return QStringLiteral("recent/%1/%2").arg(page).arg(boxId);
}

// Whether `box` would take `text` as typed: within its length and its validator.
bool BoxTakes(const QLineEdit* box, QString text) {
    if (text.isEmpty() || text.size() > box->maxLength())
        return false;
    int pos = 0;
    return !box->validator() || box->validator()->validate(text, pos) == QValidator::Acceptable;
}

// The Down arrow opens the whole list, whatever the box holds; a completer alone opens it only
// while the user types.
class DownArrowOpensList : public QObject {
public:
    DownArrowOpensList(QLineEdit* box, QCompleter* completer)
        : QObject(box), m_completer(completer) {
        setObjectName(QStringLiteral("recentValuesKey"));
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress ||
            static_cast<QKeyEvent*>(event)->key() != Qt::Key_Down ||
            static_cast<QKeyEvent*>(event)->modifiers() != Qt::NoModifier ||
            m_completer->popup()->isVisible() || m_completer->model()->rowCount() == 0)
            return false;
        m_completer->setCompletionPrefix(QString());
        m_completer->complete();
        return true;
    }

private:
    QCompleter* m_completer;
};

}  // namespace

QStringList RecentValues(const QString& page, int boxId, const QLineEdit* box) {
    const QVariant stored = settings::Value(Key(page, boxId));
    QStringList values;
    if (stored.typeId() != QMetaType::QStringList && stored.typeId() != QMetaType::QString)
        return values;
    for (const QString& text : stored.toStringList()) {
        if (values.size() < kMaxRecentValues && !values.contains(text) && BoxTakes(box, text))
            values << text;
    }
    return values;
}

void AddRecentValue(const QString& page, int boxId, const QString& text) {
    if (text.isEmpty())
        return;
    QStringList values = settings::Value(Key(page, boxId)).toStringList();
    values.removeAll(text);
    values.prepend(text);
    while (values.size() > kMaxRecentValues)
        values.removeLast();
    settings::SetValue(Key(page, boxId), values);
}

void OfferRecentValues(const QString& page, int boxId, QLineEdit* box) {
    auto* completer = new QCompleter(new QStringListModel(RecentValues(page, boxId, box)), box);
    completer->model()->setParent(completer);
    completer->setObjectName(QStringLiteral("recentValues"));
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    box->setCompleter(completer);
    box->installEventFilter(new DownArrowOpensList(box, completer));
}

}  // namespace quillet::pages
