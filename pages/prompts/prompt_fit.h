#pragma once
// Makes a fixed layout fit longer texts (English): every label, check box and button that
// cannot show its whole text on one line is widened, the controls to its right on the same row
// move right by as much, and the dialog grows to keep them all inside. Texts that fit leave
// the layout exactly as it is.
//
// Threads: user-interface thread only.
class QWidget;

namespace quillet::pages {

// The width `control` needs to show its whole text on one line; 0 for controls without text.
int TextWidthNeeded(const QWidget* control);

// Fits the direct children of `dialog` as described above.
void FitTextsToControls(QWidget* dialog);

}  // namespace quillet::pages
