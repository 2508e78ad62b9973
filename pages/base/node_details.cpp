#include "pages/base/node_details.h"

#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolTip>

#include "pages/common/shared_menu_items.h"
#include "pages/log/counters_line.h"
#include "pages/log/recordings.h"
#include "pages/tls/tls_cert_dlg.h"
#include "pages/tree/tree_ctrl_ex.h"

namespace quillet::pages {

CNodeDetails::CNodeDetails(QWidget* page, CTreeCtrlEx* tree, NodeDetailsHooks hooks)
    : QObject(page), m_tree(tree), m_viewport(tree->viewport()), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("nodeDetails"));
    m_recordings = new CRecordings(m_hooks.store, page);
    m_countersLine = new CCountersLine(page, m_hooks.store, m_recordings, m_hooks.selected);
    m_viewport->installEventFilter(this);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        TreeNode* item = m_tree->itemAt(at);
        QMenu* menu = MakeTreeMenu(item ? item : m_tree->currentItem());
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_tree->viewport()->mapToGlobal(at));
    });
}

QMenu* CNodeDetails::MakeTreeMenu(TreeNode* item) {
    QMenu* menu = m_hooks.sendingMenu();
    m_hooks.pageItems(menu, item);
    menu->addSeparator();
    QMenu* records = m_recordings->MakeMenu(m_hooks.recordOf(item), menu);
    for (QAction* action : records->actions())
        menu->addAction(action);
    AddSharedMenuItems(menu);
    return menu;
}

bool CNodeDetails::eventFilter(QObject* watched, QEvent* event) {
    // Only the two events it acts on reach the tree: the viewport also reports its own end,
    // while the tree around it is half destroyed.
    const QEvent::Type type = event->type();
    if (watched != m_viewport || (type != QEvent::ToolTip && type != QEvent::MouseButtonRelease))
        return QObject::eventFilter(watched, event);
    if (type == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (ConnectInfo* rec = m_hooks.recordOf(m_tree->itemAt(help->pos()))) {
            QString tip = m_countersLine->Text(rec) + TlsTooltipText(rec);
            if (const QString note = m_hooks.note(rec); !note.isEmpty())
                tip = note + QLatin1Char('\n') + tip;
            QToolTip::showText(help->globalPos(), tip, m_viewport);
            return true;
        }
    }
    if (type == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton)
            m_hooks.click(m_tree->itemAt(me->position().toPoint()));
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace quillet::pages
