#pragma once
// The line at a page's foot with the selected record's counters, read a few times a second
// while the page is visible; the same text is the start of a node's tooltip.
//
// Threads: user-interface thread only; each read of the counters is a short take of
// g_csConnect through the store.
#include <QLabel>

#include <functional>

#include "engine/record_store.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

class CRecordings;

class CCountersLine : public QLabel {
    Q_OBJECT
public:
    // `selected`: the record of the selected node, or null. `recordings` outlives the line.
    CCountersLine(QWidget* page, std::function<RecordStore&()> store, const CRecordings* recordings,
                  std::function<ConnectInfo*()> selected);

    // A record's counters as the line and the node's tooltip show them.
    QString Text(ConnectInfo* rec) const;
    // Shows the selected record's counters now.
    void Refresh();

private:
    std::function<RecordStore&()> m_store;
    const CRecordings* m_recordings;
    std::function<ConnectInfo*()> m_selected;
};

}  // namespace quillet::pages
