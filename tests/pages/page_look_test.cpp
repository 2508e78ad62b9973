// How the pages look, read from their pixels: trees in their page's colour with a bold root in
// the normal text colour and dotted lines joining the items, scroll bars only where text needs
// them, and prompt boxes on the prompt's colour.
#include <QLineEdit>
#include <QScrollBar>

#include <functional>
#include <string>

#include "pages/multicast_server_dlg.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_broad_dlg.h"
#include "pages/udp_client_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/pages/udp_page_fixture.h"

namespace quillet::test {
namespace {

using pages::CTreeCtrlEx;

class PageLookBase : public UdpPageTest {
public:
    template <typename Page>
    pages::CDialogP* OpenPage() {
        page_.reset();
        auto* page = Open<Page>();
        ProcessEvents();
        return page;
    }
};

struct PageKind {
    const char* name;
    std::function<pages::CDialogP*(PageLookBase*)> open;
    QColor colour;
    int createButton;
};

const PageKind kPages[] = {
    {"TCP server",
     &PageLookBase::OpenPage<pages::CTcpServerDlg>,
     {232, 243, 250},
     pages::CTcpServerDlg::kCreate},
    {"TCP client",
     &PageLookBase::OpenPage<pages::CTcpClientDlg>,
     {200, 220, 240},
     pages::CTcpClientDlg::kCreate},
    {"UDP server",
     &PageLookBase::OpenPage<pages::CUdpServerDlg>,
     {170, 220, 250},
     pages::CUdpServerDlg::kCreate},
    {"UDP client",
     &PageLookBase::OpenPage<pages::CUdpClientDlg>,
     {230, 240, 240},
     pages::CUdpClientDlg::kCreate},
    {"broadcast",
     &PageLookBase::OpenPage<pages::CUdpBroadDlg>,
     {230, 240, 240},
     pages::CUdpBroadDlg::kCreate},
    {"multicast",
     &PageLookBase::OpenPage<pages::CMulticastServerDlg>,
     {230, 240, 240},
     pages::CMulticastServerDlg::kCreate},
};

std::string Name(const QColor& c) {
    return c.name().toStdString();
}

QImage Shown(QWidget* w) {
    return w->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The part of the tree's picture that shows `item`'s row, from x = `left` to `right`.
QRect RowIn(const CTreeCtrlEx* tree, pages::TreeNode* item, int left, int right) {
    const QRect row = tree->visualItemRect(item).translated(tree->viewport()->pos());
    return QRect(QPoint(left, row.top()), QPoint(right, row.bottom()));
}

int Count(const QImage& img, const QRect& area, const std::function<bool(QColor)>& match) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += match(img.pixelColor(x, y));
    return n;
}

class PageLookTest : public PageLookBase {};

TEST_F(PageLookTest, EveryTreeIsPaintedInItsPageColour) {
    for (const PageKind& kind : kPages) {
        pages::CDialogP* page = kind.open(this);
        EXPECT_EQ(page->PageColour(), kind.colour) << kind.name;
        CTreeCtrlEx* tree = page->Tree();
        const QImage img = Shown(tree);
        // Below the root, away from any item: nothing but the tree's background.
        const QRect inside = tree->viewport()->geometry();
        for (const QPoint at : {inside.bottomRight() - QPoint(4, 4),
                                QPoint(inside.center().x(), inside.bottom() - 4)}) {
            EXPECT_EQ(Name(img.pixelColor(at)), Name(kind.colour)) << kind.name;
        }
    }
}

TEST_F(PageLookTest, RootIsBoldInTheNormalTextColour) {
    for (const PageKind& kind : kPages) {
        pages::CDialogP* page = kind.open(this);
        CTreeCtrlEx* tree = page->Tree();
        pages::TreeNode* root = tree->topLevelItem(0);
        ASSERT_NE(root, nullptr) << kind.name;
        tree->clearSelection();
        tree->setCurrentItem(nullptr);
        EXPECT_TRUE(CTreeCtrlEx::GetItemBold(root)) << kind.name;
        // The store keeps the root's dark red; painting does not use it.
        EXPECT_EQ(CTreeCtrlEx::GetItemColor(root), QColor(136, 0, 21)) << kind.name;
        const QImage img = Shown(tree);
        const QRect text =
            RowIn(tree, root, tree->visualItemRect(root).left() + 22 + tree->viewport()->x(),
                  img.width() - 1);
        const int reddish =
            Count(img, text, [](QColor c) { return c.red() - std::max(c.green(), c.blue()) > 40; });
        const int dark = Count(
            img, text, [](QColor c) { return c.red() < 80 && c.green() < 80 && c.blue() < 80; });
        EXPECT_EQ(reddish, 0) << kind.name;
        EXPECT_GT(dark, 10) << kind.name;
    }
}

// A root with three children, as a page shows a server and its peers.
TEST_F(PageLookTest, TreeLinesJoinTheRootToItsChildrenAndTheSiblings) {
    CTreeCtrlEx tree(QColor(232, 243, 250));
    tree.resize(240, 160);
    tree.SetBkColor(QColor(232, 243, 250));
    pages::TreeNode* root = tree.InsertItem("127.0.0.1:6000");
    pages::TreeNode* kids[3];
    for (int i = 0; i < 3; ++i) {
        kids[i] = tree.InsertItem(QStringLiteral("127.0.0.1:4000%1").arg(i), root);
        tree.SetItemImage(kids[i], CTreeCtrlEx::kOpen);
    }
    tree.SetItemImage(root, CTreeCtrlEx::kEndpointIdle);
    root->setExpanded(true);

    const auto isLine = [](QColor c) { return c == CTreeCtrlEx::kLineColour; };
    const int indent = tree.indentation();
    const int x0 = tree.viewport()->x();
    QImage img = Shown(&tree);
    // Each child's column: the line comes down from above, turns to the child, and goes on
    // down to the next sibling (not past the last one).
    for (int i = 0; i < 3; ++i) {
        const QRect column = RowIn(&tree, kids[i], x0 + indent, x0 + 2 * indent - 1);
        const int mid = column.top() + column.height() / 2;  // the row of the turn
        const QRect upper(column.left(), column.top(), column.width(), mid - column.top());
        const QRect lower(column.left(), mid + 1, column.width(), column.bottom() - mid);
        EXPECT_GE(Count(img, upper, isLine), 3) << "child " << i;
        EXPECT_GE(Count(img, QRect(column.center().x() + 1, mid, indent / 2 - 1, 1), isLine), 3)
            << "child " << i;
        if (i < 2)
            EXPECT_GE(Count(img, lower, isLine), 3) << "child " << i;
        else
            EXPECT_EQ(Count(img, lower, isLine), 0) << "child " << i;
    }
    // The root's column: lines at the root, a boxed minus while expanded, a plus when not.
    const QRect rootColumn = RowIn(&tree, root, x0, x0 + indent - 1);
    EXPECT_GE(Count(img, rootColumn, isLine), 16) << "box and line";
    const auto isBlack = [](QColor c) { return c == QColor(Qt::black); };
    const int minus = Count(img, rootColumn, isBlack);
    EXPECT_GE(minus, 3);
    root->setExpanded(false);
    img = Shown(&tree);
    EXPECT_GT(Count(img, rootColumn, isBlack), minus) << "plus";
}

TEST_F(PageLookTest, ViewsShowAScrollBarOnlyWhenTheirTextNeedsIt) {
    for (const PageKind& kind : kPages) {
        pages::CDialogP* page = kind.open(this);
        for (QAbstractScrollArea* view : {static_cast<QAbstractScrollArea*>(page->ReceivedView()),
                                          static_cast<QAbstractScrollArea*>(page->SentView()),
                                          static_cast<QAbstractScrollArea*>(page->SendBox())}) {
            EXPECT_EQ(view->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded) << kind.name;
        }
    }
    // On the page: no bar for a line or two, a bar for a long log.
    pages::CDialogP* page = kPages[0].open(this);
    pages::CLogView* sent = page->SentView();
    sent->setPlainText("2017-02-27 09:33:42  hello\n");
    ProcessEvents();
    EXPECT_FALSE(sent->verticalScrollBar()->isVisible());
    QString log;
    for (int i = 0; i < 100; ++i)
        log += QStringLiteral("2017-02-27 09:33:42  line %1\n").arg(i);
    sent->setPlainText(log);
    ProcessEvents();
    EXPECT_TRUE(sent->verticalScrollBar()->isVisible());
    QPlainTextEdit* box = page->SendBox();
    box->setPlainText("hello");
    ProcessEvents();
    EXPECT_FALSE(box->verticalScrollBar()->isVisible());
    box->setPlainText(log);
    ProcessEvents();
    EXPECT_TRUE(box->verticalScrollBar()->isVisible());
}

TEST_F(PageLookTest, PromptBoxesArePaintedOnThePromptColour) {
    for (const PageKind& kind : kPages) {
        pages::CDialogP* page = kind.open(this);
        int boxes = 0;
        ui::SetModalScript([&](QDialog* dlg) {
            const QColor prompt = dlg->palette().color(QPalette::Window);
            EXPECT_NE(prompt, QColor(Qt::white)) << kind.name;
            for (QLineEdit* edit : dlg->findChildren<QLineEdit*>()) {
                const QImage img = Shown(edit);
                // Right of any text, inside the frame.
                const QPoint at(img.width() - 5, img.height() / 2);
                EXPECT_EQ(Name(img.pixelColor(at)), Name(prompt))
                    << kind.name << " box " << edit->objectName().toStdString();
                ++boxes;
            }
            dlg->reject();
        });
        page->Button(kind.createButton)->click();
        ui::SetModalScript(nullptr);
        EXPECT_GE(boxes, 1) << kind.name;
    }
}

}  // namespace
}  // namespace quillet::test
