#include "skin_tab_accessible.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include "skin_tab.h"

namespace quillet::ui {
namespace {

class CSkinTabItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CSkinTabItemAccessible(CSkinTab* strip, int index) : strip_(strip), index_(index) {}

    bool isValid() const override { return strip_ && index_ < strip_->itemCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return strip_ ? strip_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return strip_ ? QAccessible::queryAccessibleInterface(strip_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (t == QAccessible::Name)
            return strip_->itemName(index_);
        if (t == QAccessible::Description)
            return strip_->itemToolTip(index_);
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect r = strip_->itemRect(index_);
        return QRect(strip_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.selectable = true;
        s.selected = strip_->selectedIndex() == index_;
        s.hotTracked = strip_->hoverIndex() == index_;
        s.invisible = !strip_->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (isValid() && name == pressAction())
            strip_->SelectItem(index_);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<CSkinTab> strip_;
    int index_;
};

class CSkinTabAccessible : public QAccessibleWidget {
public:
    explicit CSkinTabAccessible(CSkinTab* strip)
        : QAccessibleWidget(strip, QAccessible::PageTabList) {}
    ~CSkinTabAccessible() override {
        for (QAccessible::Id id : std::as_const(children_))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return Strip()->itemCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        if (const auto it = children_.constFind(index); it != children_.cend())
            return QAccessible::accessibleInterface(*it);
        auto* item = new CSkinTabItemAccessible(Strip(), index);
        children_.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (auto it = children_.cbegin(); it != children_.cend(); ++it) {
            if (QAccessible::accessibleInterface(it.value()) == child)
                return it.key();
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        return child(Strip()->HitTest(Strip()->mapFromGlobal(QPoint(x, y))));
    }

private:
    CSkinTab* Strip() const { return static_cast<CSkinTab*>(widget()); }

    mutable QHash<int, QAccessible::Id> children_;  // item index -> registered interface
};

QAccessibleInterface* SkinTabFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(CSkinTab::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType()) {
        return new CSkinTabAccessible(static_cast<CSkinTab*>(object));
    }
    return nullptr;
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
