#pragma once
// What a page shows of a connection beside its node: the counters line under the views (the
// selected connection's), the node's tooltip (its counters, TLS state and the page's note), the
// tree's menu (sending, the page's own items, recording) and the recordings it starts.
// Tooltips are read when asked, so thousands of nodes cost nothing until one is pointed at.
//
// Threads: user-interface thread only.
#include <QObject>
#include <QString>

#include <functional>

#include "engine/connect_info.h"
#include "engine/record_store.h"
#include "pages/common/engine_names.h"

class QMenu;
class QWidget;

namespace quillet::pages {

class CCountersLine;
class CRecordings;
class CTreeCtrlEx;
class TreeNode;

// What the details ask of their page.
struct NodeDetailsHooks {
    std::function<RecordStore&()> store;
    // The record behind a node (null for the root or none), and the selected connection's.
    std::function<ConnectInfo*(const TreeNode*)> recordOf;
    std::function<ConnectInfo*()> selected;
    // The menu's first items (sending); the page's own items for a node; the page's note on a
    // record's tooltip (empty: none); a left click in the tree (null on empty space).
    std::function<QMenu*()> sendingMenu;
    std::function<void(QMenu*, TreeNode*)> pageItems;
    std::function<QString(ConnectInfo*)> note;
    std::function<void(TreeNode*)> click;
};

class CNodeDetails : public QObject {
    Q_OBJECT
public:
    // Watches `tree` (the page's child) for tooltips, clicks and the menu; the counters line
    // and the recordings become the page's children.
    CNodeDetails(QWidget* page, CTreeCtrlEx* tree, NodeDetailsHooks hooks);

    CCountersLine* CountersLine() const { return m_countersLine; }
    CRecordings* Recordings() const { return m_recordings; }
    // The tree's menu: sending acts on the selected connection, recording on `item`.
    QMenu* MakeTreeMenu(TreeNode* item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CTreeCtrlEx* m_tree;
    QWidget* m_viewport;  // the tree's, watched
    NodeDetailsHooks m_hooks;
    CRecordings* m_recordings = nullptr;      // a child of the page
    CCountersLine* m_countersLine = nullptr;  // a child of the page
};

}  // namespace quillet::pages
