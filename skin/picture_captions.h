#pragma once
// The words drawn into the picture buttons, as text: what a screen reader reads and what the
// tooltip shows for a button whose label exists only as pixels.
//
// Threads: user-interface thread (translations are looked up at the call).
#include <QString>

namespace quillet::ui {

// The caption drawn into the button picture set whose normal picture is `normalBitmap`, in the
// current language; empty for a picture that carries no words of its own.
QString ButtonCaption(int normalBitmap);

}  // namespace quillet::ui
