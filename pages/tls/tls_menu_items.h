#pragma once
// The TLS items of a TCP page's tree menu: "开始 TLS" for the selected open plain connection,
// and "证书..." for a node whose connection speaks TLS.
//
// Threads: user-interface thread only.
#include <functional>

#include "engine/record_store.h"
#include "pages/common/engine_names.h"

class QMenu;
class QWidget;

namespace quillet::pages {

// `selected`: the selected connection's record (or null); `item`: the record of the node the
// menu is for (or null). `startTls` runs on "开始 TLS" while `selected` is still listed (TCP
// records are keyed by id).
void AddTlsMenuItems(QMenu* menu, QWidget* page, RecordStore& store, ConnectInfo* selected,
                     ConnectInfo* item, std::function<void(ConnectInfo*)> startTls);

}  // namespace quillet::pages
