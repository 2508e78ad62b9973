#include "pages/log/log_find_bar.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace quillet::pages {

namespace {

QCheckBox* Option(QWidget* parent, const QString& name, const QString& text, const QString& tip) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    box->setToolTip(tip);
    box->setAccessibleName(tip);  // the short text is a sign, the tip says what it does
    return box;
}

QToolButton* Button(QWidget* parent, const QString& name, const QString& text, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(text);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    button->setAutoRaise(true);
    return button;
}

}  // namespace

CLogFindBar::CLogFindBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("logFindBar"));
    setAutoFillBackground(true);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setPlaceholderText(tr("查找"));
    m_text->setAccessibleName(tr("查找"));
    setAccessibleName(tr("查找"));
    m_previous = Button(this, QStringLiteral("findPrevious"), QStringLiteral("▲"), tr("上一个"));
    m_next = Button(this, QStringLiteral("findNext"), QStringLiteral("▼"), tr("下一个"));
    m_case = Option(this, QStringLiteral("findMatchCase"), QStringLiteral("Aa"), tr("区分大小写"));
    m_word = Option(this, QStringLiteral("findWholeWord"), tr("词"), tr("全字匹配"));
    m_all = Option(this, QStringLiteral("findHighlightAll"), tr("全"), tr("全部高亮"));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("findStatus"));
    auto* close = Button(this, QStringLiteral("findClose"), QStringLiteral("×"), tr("关闭"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    row->addWidget(m_text, 1);
    row->addWidget(m_status);
    for (QWidget* w : {static_cast<QWidget*>(m_previous), static_cast<QWidget*>(m_next),
                       static_cast<QWidget*>(m_case), static_cast<QWidget*>(m_word),
                       static_cast<QWidget*>(m_all), static_cast<QWidget*>(close)})
        row->addWidget(w);
    connect(m_text, &QLineEdit::returnPressed, this, [this] {
        emit FindRequested(!(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier));
    });
    connect(m_previous, &QToolButton::clicked, this, [this] { emit FindRequested(false); });
    connect(m_next, &QToolButton::clicked, this, [this] { emit FindRequested(true); });
    connect(close, &QToolButton::clicked, this, [this] {
        hide();
        emit Closed();
    });
    connect(m_text, &QLineEdit::textChanged, this, [this] {
        SetStatus(QString());
        emit PatternChanged();
    });
    for (QCheckBox* box : {m_case, m_word, m_all})
        connect(box, &QCheckBox::toggled, this, [this] { emit PatternChanged(); });
}

QRegularExpression CLogFindBar::Pattern() const {
    const QString text = m_text->text();
    if (text.isEmpty())
        return QRegularExpression();
    QString pattern = QRegularExpression::escape(text);
    if (m_word->isChecked())
        pattern = QStringLiteral("\\b") + pattern + QStringLiteral("\\b");
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!m_case->isChecked())
        options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(pattern, options);
}

bool CLogFindBar::Highlighting() const {
    return isVisible() && m_all->isChecked() && !m_text->text().isEmpty();
}

void CLogFindBar::SetStatus(const QString& text) {
    m_status->setText(text);
}

void CLogFindBar::Open() {
    show();
    m_text->setFocus();
    m_text->selectAll();
}

void CLogFindBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_F3:
            emit FindRequested(!(event->modifiers() & Qt::ShiftModifier));
            return;
        case Qt::Key_Escape:
            hide();
            emit Closed();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

}  // namespace quillet::pages
