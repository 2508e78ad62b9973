#include "skin/skin_tab_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>

namespace quillet::ui {
namespace {

class CSkinTabItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CSkinTabItemAccessible(QWidget* strip, PictureTabs* tabs, int index)
        : m_strip(strip), m_tabs(tabs), m_index(index) {}

    bool isValid() const override { return m_strip && m_index < m_tabs->itemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_strip ? m_strip->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return m_strip ? QAccessible::queryAccessibleInterface(m_strip.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return m_tabs->itemName(m_index);
        if (t == QAccessible::Description)
            return m_tabs->itemToolTip(m_index);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = m_tabs->itemRect(m_index);
        return QRect(m_strip->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = m_tabs->selectedIndex() == m_index;
        s.hotTracked = m_tabs->hoverIndex() == m_index;
        s.invisible = !m_strip->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction())
            m_tabs->SelectItem(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<QWidget> m_strip;
    PictureTabs* m_tabs;  // the strip itself, valid while m_strip is
    int m_index;
};

class CSkinTabAccessible : public QAccessibleWidget {
public:
    CSkinTabAccessible(QWidget* strip, PictureTabs* tabs)
        : QAccessibleWidget(strip, QAccessible::PageTabList), m_tabs(tabs) {}
    ~CSkinTabAccessible() override {
        for (QAccessible::Id id : std::as_const(m_children))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return m_tabs->itemCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto it = m_children.constFind(index); it != m_children.cend())
            return QAccessible::accessibleInterface(*it);
        auto* item = new CSkinTabItemAccessible(widget(), m_tabs, index);
        m_children.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = m_children.cbegin(); it != m_children.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(m_tabs->HitTest(widget()->mapFromGlobal(QPoint(x, y))));
    }

private:
    PictureTabs* m_tabs;  // the widget itself

    mutable QHash<int, QAccessible::Id> m_children;  // item index -> registered interface
};

QAccessibleInterface* SkinTabFactory(const QString& className, QObject* object) {
    (void)className;
    auto* strip = qobject_cast<QWidget*>(object);
    auto* tabs = dynamic_cast<PictureTabs*>(object);
    return strip && tabs ? new CSkinTabAccessible(strip, tabs) : nullptr;
}

}  // namespace

void InstallSkinTabAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(SkinTabFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace quillet::ui
