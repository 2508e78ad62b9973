#include "skin/keyed_picture.h"

#include <QBitmap>

#include "skin/ui_kit.h"

namespace quillet::ui {

QPixmap KeyOut(const QPixmap& picture) {
    if (picture.isNull()) {
        return picture;
    }
    QPixmap keyed = picture;
    keyed.setMask(QBitmap::fromImage(
        picture.toImage().createMaskFromColor(qRgb(255, 0, 255), Qt::MaskInColor)));
    return keyed;
}

QPixmap KeyedBitmap(int id) {
    return KeyOut(Bitmap(id));
}

}  // namespace quillet::ui
