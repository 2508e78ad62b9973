#pragma once
// What screen readers see of a connection tree: a tree whose children are its rows as shown
// (child 0 is the hidden column header, as for the framework's trees, so the view's own
// notices name the right row), each a tree item with the node's text, rectangle and states.
// Row interfaces are made when asked for and kept per node, so a row's index is found from
// its node at once and inserts renumber nothing. Only the current node of a tree that has the
// keyboard focus says it is focused.
//
// Threads: user-interface thread only (Qt's accessibility runs there).

namespace quillet::pages {

// Registers the accessibility factory for CTreeCtrlEx; later calls do nothing.
void InstallTreeAccessibility();

}  // namespace quillet::pages
