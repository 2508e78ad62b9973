#pragma once
// The controls every page has and where they sit: the connection tree, the received and sent
// views, the send box and the group boxes around them, in one of three arrangements. Sizes are
// in dialog units of the page's font, as the pages' own buttons are.
//
// Threads: user-interface thread only.
#include <QColor>
#include <QRect>
#include <QSize>

class QPlainTextEdit;
class QWidget;

namespace quillet::pages {

class CLogView;
class CTreeCtrlEx;

// Which arrangement of the common controls a page uses.
enum class PageLayout {
    kStandard,   // tree, received view, sent view and send box, each in its group box
    kTcpServer,  // the same without a group box around the sent view
    kBroadcast,  // full-height tree, sent view top right, received view hidden
};

// Control ids (objectNames) of the views every page has; each page names its tree and buttons.
enum CommonControl {
    kReceivedView = 1026,
    kSentView = 1028,
    kSendBox = 1031,
};

struct CommonControls {
    CTreeCtrlEx* tree = nullptr;
    CLogView* received = nullptr;
    CLogView* sent = nullptr;
    QPlainTextEdit* box = nullptr;
};

// The size of the page named `templateId` (129, 130, 140, 141, 296, 299).
QSize PageSize(int templateId);
// Creates the tree (control id `treeId`, in the page's `colour`), views, send box and group
// boxes as children of `page`, arranged as `layout` says.
CommonControls MakeCommonControls(QWidget* page, const QColor& colour, int treeId,
                                  PageLayout layout);
// A button above `view`, right-aligned: from `top` to 2 px above the view, from `leftInset` to
// 10 px left of the view's right edge (edges as the layouts give them).
QRect ButtonAbove(const QWidget* view, int leftInset, int top);

}  // namespace quillet::pages
