#include "pages/base/reading_order.h"

#include <QPlainTextEdit>

#include <algorithm>

#include "pages/base/dialog_p.h"
#include "pages/log/log_view.h"
#include "pages/tree/tree_ctrl_ex.h"

namespace quillet::pages {
namespace {

// A control Tab stops at; those inside another such control (a tree's viewport, a view's find
// bar) follow their owner's own order.
bool TakesTab(const QWidget* w, const QWidget* page) {
    if (w->isHidden() || !(w->focusPolicy() & Qt::TabFocus))
        return false;
    for (const QWidget* p = w->parentWidget(); p && p != page; p = p->parentWidget())
        if (p->focusPolicy() & Qt::TabFocus)
            return false;
    return true;
}

QRect InPage(const QWidget* w, const QWidget* page) {
    return QRect(w->mapTo(page, QPoint(0, 0)), w->size());
}

}  // namespace

std::vector<QWidget*> ReadingOrder(const CDialogP* page) {
    const std::vector<QWidget*> main = {page->Tree(), page->ReceivedView(), page->SentView(),
                                        page->SendBox()};
    const int treeTop = InPage(page->Tree(), page).top();
    std::vector<QWidget*> top, rest;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!TakesTab(w, page) || std::find(main.begin(), main.end(), w) != main.end())
            continue;
        (InPage(w, page).bottom() < treeTop ? top : rest).push_back(w);
    }
    std::sort(top.begin(), top.end(),
              [page](QWidget* a, QWidget* b) { return InPage(a, page).x() < InPage(b, page).x(); });
    std::sort(rest.begin(), rest.end(), [page](QWidget* a, QWidget* b) {
        const QRect ra = InPage(a, page), rb = InPage(b, page);
        return std::pair(ra.y(), ra.x()) < std::pair(rb.y(), rb.x());
    });
    std::vector<QWidget*> order = top;
    for (QWidget* w : main)
        if (TakesTab(w, page))
            order.push_back(w);
    order.insert(order.end(), rest.begin(), rest.end());
    return order;
}

void SetReadingTabOrder(CDialogP* page) {
    const std::vector<QWidget*> order = ReadingOrder(page);
    for (size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

}  // namespace quillet::pages
