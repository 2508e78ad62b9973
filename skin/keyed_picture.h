#pragma once
// Skin pictures with their key-coloured pixels, RGB(255,0,255), made transparent.
#include <QPixmap>

namespace quillet::ui {

// The bitmap `id` with key pixels transparent; a null pixmap when `id` does not exist.
QPixmap KeyedBitmap(int id);
// The same for a picture already loaded.
QPixmap KeyOut(const QPixmap& picture);

}  // namespace quillet::ui
