#pragma once
// The order Tab walks through a page: as the page reads, the buttons along the top left to
// right, the tree, the received view, the sent view, the send box, then the page's other
// controls from top to bottom and left to right.
//
// Threads: user-interface thread only.
#include <QWidget>

#include <vector>

namespace quillet::pages {

class CDialogP;

// The controls of `page` that take the focus with Tab, in reading order.
std::vector<QWidget*> ReadingOrder(const CDialogP* page);

// Chains the page's tab order as ReadingOrder gives it. Call once its controls are made.
void SetReadingTabOrder(CDialogP* page);

}  // namespace quillet::pages
