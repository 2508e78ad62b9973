#pragma once
// Names for a screen reader where a page's controls have no label of their own: the views and
// the send box are named after the group box that frames them.
//
// Threads: user-interface thread only.
#include <QString>

class QWidget;

namespace quillet::pages {

// The title of the group box that frames `control` on its parent, or empty.
QString FrameTitle(const QWidget* control);

// Gives a page's send box its frame's title as its accessible name, and a sent view without
// a frame the title the other pages' frames have. Either may be null.
void NamePageControls(QWidget* sendBox, QWidget* sentView);

}  // namespace quillet::pages
