#include "skin/office_xp_menu.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>

#include "skin/office_xp_metrics.h"
#include "skin/office_xp_style.h"
#include "skin/ui_kit.h"

namespace quillet::ui {
namespace {

std::vector<const QMenu*>& Registry() {
    static std::vector<const QMenu*> registry;
    return registry;
}

}  // namespace

COfficeXPMenu::COfficeXPMenu(QWidget* parent) : QMenu(parent) {
    setObjectName("officeXPMenu");
    setStyle(OfficeXPStyle::Instance());
    connect(this, &QMenu::triggered, this, [this](QAction* a) {
        // Nested menus report through their own signal; only this level's items count here.
        if (a->parent() == this) {
            emit command(a->data().toInt());
        }
    });
}

COfficeXPMenu::~COfficeXPMenu() {
    Destroy();
}

bool COfficeXPMenu::LoadMenu(int resourceId) {
    Destroy();
    QFile file(QStringLiteral(":/menu/%1.menu").arg(resourceId));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    std::vector<COfficeXPMenu*> levels{this};
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QString keyword = line.section(' ', 0, 0);
        COfficeXPMenu* level = levels.back();
        if (line.isEmpty() || line.startsWith('#')) {
            continue;
        } else if (keyword == "POPUP") {
            auto* sub = new COfficeXPMenu(level);
            sub->setTitle(tr(line.section(' ', 1).toUtf8().constData()));
            sub->setObjectName(QStringLiteral("popup%1").arg(level->m_subMenus.size()));
            level->addMenu(sub);
            level->m_subMenus.push_back(sub);
            Registry().push_back(sub);
            // Choices inside the pop-up reach whoever listens to the top level.
            connect(sub, &COfficeXPMenu::command, level, &COfficeXPMenu::command);
            levels.push_back(sub);
        } else if (keyword == "END" && levels.size() > 1) {
            levels.pop_back();
        } else if (keyword == "ITEM") {
            const int cmd = line.section(' ', 1, 1).toInt();
            if (cmd == 0) {
                level->addSeparator();
            } else {
                QAction* a = level->addAction(tr(line.section(' ', 2).toUtf8().constData()));
                a->setData(cmd);
                a->setObjectName(ControlName(cmd));
            }
        } else {
            Destroy();
            return false;
        }
    }
    return levels.size() == 1;
}

COfficeXPMenu* COfficeXPMenu::SubMenu(int pos) const {
    const QList<QAction*> list = actions();
    if (pos < 0 || pos >= list.size()) {
        return nullptr;
    }
    return qobject_cast<COfficeXPMenu*>(list[pos]->menu());
}

void COfficeXPMenu::Destroy() {
    for (COfficeXPMenu* sub : m_subMenus) {
        auto& reg = Registry();
        reg.erase(std::remove(reg.begin(), reg.end(), sub), reg.end());
        delete sub;  // its destructor takes its own nested menus out of the registry
    }
    m_subMenus.clear();
    clear();
}

QFont COfficeXPMenu::MenuFont() {
    return xp::MenuFont();
}

int COfficeXPMenu::MenuBarHeight() {
    return xp::MenuBarHeight();
}

QSize COfficeXPMenu::MeasureItem(const QString& text, bool separator) {
    return xp::MeasureItem(text, separator);
}

QColor COfficeXPMenu::Lighten(const QColor& c, double f) {
    return xp::Lighten(c, f);
}

void COfficeXPMenu::SetDrawStyle(int whenFaceIsMenu, int otherwise) {
    xp::SetDrawStyle(whenFaceIsMenu, otherwise);
}

int COfficeXPMenu::DrawStyle() {
    return xp::DrawStyle();
}

const std::vector<const QMenu*>& COfficeXPMenu::PopupRegistry() {
    return Registry();
}

}  // namespace quillet::ui
