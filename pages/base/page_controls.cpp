#include "pages/base/page_controls.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QPlainTextEdit>

#include "pages/log/log_view.h"
#include "pages/send/send_box.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "skin/send_box_keys.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

using ui::Du;
using ui::DuRect;

namespace {

CLogView* MakeLogView(QWidget* page, int id, const QRect& rect) {
    auto* view = new CLogView(page);
    ui::SetControlId(view, id);
    view->setGeometry(rect);
    view->setFont(ui::SongFont(9));
    return view;
}

QPlainTextEdit* MakeSendBox(QWidget* page, const QRect& rect) {
    QPlainTextEdit* box = new CSendBox(page);
    ui::SetControlId(box, kSendBox);
    box->setGeometry(rect);
    box->setFont(ui::SongFont(9));
    // A vertical scroll bar shows only when the text overflows, on the views and the send box
    // alike, so a long paste can be scrolled with the mouse too.
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ui::UseTabForFocus(box);
    return box;
}

void AddGroup(QWidget* page, const QString& title, const QRect& rect, int framedId) {
    auto* box = new QGroupBox(title, page);
    box->setObjectName(QStringLiteral("groupBox%1").arg(framedId));  // after the view it frames
    box->setGeometry(rect);
    box->setFont(ui::SongFont(9));
    box->lower();
}

}  // namespace

QSize PageSize(int templateId) {
    if (templateId == 129 || templateId == 130)
        return {Du(496), Du(299)};
    return {Du(494), Du(302)};
}

CommonControls MakeCommonControls(QWidget* page, const QColor& colour, int treeId,
                                  PageLayout layout) {
    // The group boxes' titles are the page base's texts (their translations' context).
    CommonControls c;
    c.tree = new CTreeCtrlEx(colour, page);
    ui::SetControlId(c.tree, treeId);
    if (layout == PageLayout::kBroadcast) {
        c.tree->setGeometry(DuRect(6, 19, 235, 271));
        c.received = MakeLogView(page, kReceivedView, DuRect(242, 253, 10, 32));
        c.received->hide();
        c.sent = MakeLogView(page, kSentView, DuRect(255, 19, 230, 125));
        AddGroup(page, QCoreApplication::translate("quillet::pages::CDialogP", "已发送的信息"),
                 DuRect(252, 7, 239, 141), kSentView);
    } else {
        c.tree->setGeometry(DuRect(6, 19, 235, 125));
        c.received = MakeLogView(page, kReceivedView, DuRect(255, 19, 230, 125));
        AddGroup(page, QCoreApplication::translate("quillet::pages::CDialogP", "收到的信息"),
                 DuRect(252, 5, 239, 141), kReceivedView);
        c.sent = MakeLogView(page, kSentView, DuRect(6, 163, 236, 125));
        if (layout != PageLayout::kTcpServer)
            AddGroup(page, QCoreApplication::translate("quillet::pages::CDialogP", "已发送的信息"),
                     DuRect(3, 150, 242, 141), kSentView);
    }
    c.box = MakeSendBox(page, DuRect(255, 163, 230, 125));
    AddGroup(page, QCoreApplication::translate("quillet::pages::CDialogP", "发送窗口"),
             DuRect(252, 150, 239, 141), kSendBox);
    return c;
}

QRect ButtonAbove(const QWidget* view, int leftInset, int top) {
    const QRect r = view->geometry();
    const int right = r.x() + r.width();  // the edge just past the view
    return QRect(QPoint(right - leftInset, top), QPoint(right - 10 - 1, r.top() - 2 - 1));
}

}  // namespace quillet::pages
