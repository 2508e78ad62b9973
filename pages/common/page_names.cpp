#include "pages/common/page_names.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QPlainTextEdit>

namespace quillet::pages {

QString FrameTitle(const QWidget* control) {
    const QWidget* parent = control->parentWidget();
    if (!parent)
        return QString();
    // A page names each frame after the control it frames.
    if (const auto* framed = parent->findChild<QGroupBox*>(
            QStringLiteral("groupBox") + control->objectName(), Qt::FindDirectChildrenOnly))
        return framed->title();
    for (const QGroupBox* box : parent->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        if (box->geometry().contains(control->geometry()))
            return box->title();
    return QString();
}

void NamePageControls(QWidget* box, QWidget* sent) {
    if (box && box->accessibleName().isEmpty())
        box->setAccessibleName(FrameTitle(box));
    // The TCP server page's sent view has no frame: it is named as the others' frames are.
    if (sent && sent->accessibleName().isEmpty() && FrameTitle(sent).isEmpty())
        sent->setAccessibleName(
            QCoreApplication::translate("quillet::pages::CDialogP", "已发送的信息"));
}

}  // namespace quillet::pages
