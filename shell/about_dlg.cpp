#include "shell/about_dlg.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "skin/crisp_lines.h"
#include "skin/ui_kit.h"

namespace quillet::shell {

CAbout::CAbout(QWidget* parent) : QDialog(parent), m_lineFont(ui::SansFont(15, 400)) {
    setObjectName(QStringLiteral("dialog%1").arg(kTemplateId));
    setWindowTitle(tr("关于Quillet"));
    setFixedSize(ui::Du(314), ui::Du(209));
    setFont(ui::SongFont(9));

    auto* icon = new QLabel(this);
    icon->setObjectName("icon293");
    icon->setGeometry(ui::DuRect(9, 10, 20, 20));
    icon->setPixmap(ui::Icon(293).pixmap(32, 32));

    auto* close = new QPushButton(tr("退出"), this);
    ui::SetControlId(close, kCloseId);
    close->setGeometry(ui::DuRect(267, 192, 37, 14));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QString CAbout::ProductLine() {
    return tr("SOCKET 测试工具 VER1.1");
}

void CAbout::paintEvent(QPaintEvent*) {
    // In device pixels, so text and outline stay sharp on scaled screens.
    const qreal ratio = devicePixelRatioF();
    QPixmap surface(QSize(qRound(width() * ratio), qRound(height() * ratio)));
    surface.setDevicePixelRatio(ratio);
    QPainter p(&surface);
    p.fillRect(rect(), Qt::white);
    ui::FrameRect(p, rect(), Qt::black);
    p.setFont(m_lineFont);
    p.setPen(QColor(0, 128, 0));
    p.drawText(QRect(QPoint(50, 20), QPoint(399, 35)),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ProductLine());
    p.end();
    QPainter(this).drawPixmap(0, 0, surface);
}

}  // namespace quillet::shell
