#pragma once
// The flat menu look, as a style that menus of COfficeXPMenu use (not a public class).
#include <QProxyStyle>

namespace quillet::ui {

class OfficeXPStyle : public QProxyStyle {
public:
    static OfficeXPStyle* Instance();

    QSize sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& size,
                           const QWidget* w) const override;
    void drawControl(ControlElement el, const QStyleOption* opt, QPainter* p,
                     const QWidget* w) const override;
    void drawPrimitive(PrimitiveElement el, const QStyleOption* opt, QPainter* p,
                       const QWidget* w) const override;
    int pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* w) const override;

private:
    OfficeXPStyle();
};

}  // namespace quillet::ui
