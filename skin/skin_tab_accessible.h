#pragma once
// What screen readers see of a picture tab strip: a page tab list whose children are the
// items, each a page tab with the item's name, its tooltip as description, its rectangle, its
// selected state and a press action that selects it.
//
// Threads: user-interface thread only (Qt's accessibility runs there).

namespace quillet::ui {

// Registers the accessibility factory for CSkinTab; later calls do nothing.
void InstallSkinTabAccessibility();

}  // namespace quillet::ui
