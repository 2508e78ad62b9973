#include "skin/crisp_lines.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

#include <cmath>

namespace quillet::ui {

void FrameRect(QPainter& p, const QRectF& r, const QColor& colour) {
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), colour);
    p.fillRect(QRectF(r.left(), r.top() + r.height() - 1, r.width(), 1), colour);
    p.fillRect(QRectF(r.left(), r.top() + 1, 1, r.height() - 2), colour);
    p.fillRect(QRectF(r.left() + r.width() - 1, r.top() + 1, 1, r.height() - 2), colour);
}

void HLine(QPainter& p, int x1, int x2, int y, const QColor& colour) {
    p.fillRect(QRect(QPoint(qMin(x1, x2), y), QPoint(qMax(x1, x2), y)), colour);
}

void VLine(QPainter& p, int x, int y1, int y2, const QColor& colour) {
    p.fillRect(QRect(QPoint(x, qMin(y1, y2)), QPoint(x, qMax(y1, y2))), colour);
}

void DottedFrameRect(QPainter& p, const QRect& r, const QColor& colour) {
    const int left = r.left(), top = r.top(), right = r.right(), bottom = r.bottom();
    for (int x = left; x <= right; x += 2) {
        p.fillRect(x, top, 1, 1, colour);
        p.fillRect(x, bottom, 1, 1, colour);
    }
    for (int y = top; y <= bottom; y += 2) {
        p.fillRect(left, y, 1, 1, colour);
        p.fillRect(right, y, 1, 1, colour);
    }
}

bool FractionalScale(const QPainter& p) {
    const qreal scale = p.deviceTransform().m11();
    return std::abs(scale - std::round(scale)) > 1e-6;
}

void DrawPicture(QPainter& p, const QPointF& at, const QPixmap& picture) {
    const QTransform device = p.deviceTransform();
    if (picture.isNull() || !FractionalScale(p) || device.type() > QTransform::TxScale) {
        p.drawPixmap(at, picture);
        return;
    }
    const QPointF from = device.map(at);
    const QPointF to = device.map(at + QPointF(picture.deviceIndependentSize().width(),
                                               picture.deviceIndependentSize().height()));
    const QRect target(QPoint(qRound(from.x()), qRound(from.y())),
                       QPoint(qRound(to.x()) - 1, qRound(to.y()) - 1));
    p.save();
    // A world transform that cancels the rest of the device transform: device pixels.
    p.setWorldTransform((p.worldTransform().inverted() * device).inverted());
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawPixmap(target, picture);
    p.restore();
}

namespace {

bool IsFrame(QStyle::PrimitiveElement el) {
    return el == QStyle::PE_Frame || el == QStyle::PE_FrameLineEdit ||
           el == QStyle::PE_FrameGroupBox;
}

}  // namespace

void CrispFrameStyle::drawPrimitive(PrimitiveElement el, const QStyleOption* opt, QPainter* p,
                                    const QWidget* w) const {
    const QRect r = opt->rect;
    if (!IsFrame(el) || !FractionalScale(*p) || r.isEmpty() ||
        p->deviceTransform().type() > QTransform::TxScale) {
        QProxyStyle::drawPrimitive(el, opt, p, w);
        return;
    }
    QImage frame(r.size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    {
        QPainter fp(&frame);
        fp.translate(-r.topLeft());
        QProxyStyle::drawPrimitive(el, opt, &fp, w);
    }
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->drawImage(r, frame);
    p->restore();
}

void UseCrispFrames() {
    if (dynamic_cast<CrispFrameStyle*>(QApplication::style()) != nullptr)
        return;
    auto* style = new CrispFrameStyle;
    style->setBaseStyle(QStyleFactory::create(QApplication::style()->name()));
    QApplication::setStyle(style);
}

}  // namespace quillet::ui
