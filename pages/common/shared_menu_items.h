#pragma once
// Items that every view's and tree's context menu ends with, offered by a feature that lives
// above the views (the workspace): the views ask for them here instead of knowing the feature.
//
// Threads: user-interface thread only.
#include <functional>

class QMenu;

namespace quillet::pages {

using MenuItemsAdder = std::function<void(QMenu*)>;

// Sets what AddSharedMenuItems adds (empty: nothing).
void SetSharedMenuItems(MenuItemsAdder adder);
// Adds the shared items at the end of `menu`.
void AddSharedMenuItems(QMenu* menu);

}  // namespace quillet::pages
