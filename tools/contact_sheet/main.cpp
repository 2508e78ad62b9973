// Renders every picture and each skinned control in each state into one PNG, for a person to
// look at before the main window exists. Usage: contact_sheet [output.png]
#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>

#include <algorithm>

#include "pages/tree/tree_ctrl_ex.h"
#include "skin/office_xp_menu.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "skin/ui_kit.h"

namespace {

using namespace quillet;

constexpr int kScale = 2;  // pictures are also shown enlarged to judge single pixels
const QColor kSheet(232, 243, 250);

// Lays out labelled cells in rows, left to right.
class Sheet {
public:
    explicit Sheet(QPainter& p) : m_painter(p) {}
    void Heading(const QString& text) {
        NewRow();
        m_painter.setPen(Qt::black);
        m_painter.setFont(ui::SansFont(18, 700));
        m_painter.drawText(QPoint(10, m_y + 16), text);
        m_y += 24;
    }
    void Cell(const QString& label, const QImage& img, bool enlarge = true) {
        const QSize shown = enlarge ? img.size() * kScale : img.size();
        const int w = std::max(shown.width() + img.width() + 14, 70);
        if (m_x + w > kWidth) {
            NewRow();
        }
        m_painter.drawImage(QPoint(m_x, m_y), img);
        if (enlarge) {
            m_painter.drawImage(QRect(QPoint(m_x + img.width() + 4, m_y), shown), img);
        }
        m_painter.setPen(QColor(60, 60, 60));
        m_painter.setFont(ui::SansFont(13));
        m_painter.drawText(QPoint(m_x, m_y + shown.height() + 12), label);
        m_x += w + 8;
        m_rowHeight = std::max(m_rowHeight, shown.height() + 18);
    }
    void NewRow() {
        m_y += m_rowHeight;
        m_x = 10;
        m_rowHeight = 0;
    }
    int Bottom() const { return m_y + m_rowHeight + 10; }
    static constexpr int kWidth = 1400;

private:
    QPainter& m_painter;
    int m_x = 10, m_y = 10, m_rowHeight = 0;
};

QImage Grab(QWidget* w) {
    return w->grab().toImage();
}

void Pictures(Sheet& sheet) {
    sheet.Heading("Bitmaps (left: as drawn; right: 2x, key colour shown as magenta)");
    QStringList names = QDir(":/bitmap").entryList();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.split('.')[0].toInt() < b.split('.')[0].toInt();
    });
    for (const QString& n : names) {
        const int id = n.split('.')[0].toInt();
        sheet.Cell(QString::number(id), ui::Bitmap(id).toImage());
    }
    sheet.Heading("Icons");
    for (int id : {136, 137, 140, 142, 144, 143}) {
        sheet.Cell(QString::number(id), ui::Icon(id).pixmap(16).toImage(), true);
    }
    for (int size : {16, 32, 48}) {
        sheet.Cell(QStringLiteral("293 %1").arg(size), ui::Icon(293).pixmap(size).toImage(), false);
    }
}

void Buttons(Sheet& sheet) {
    sheet.Heading("CSkinBtn: normal, hover, pressed, disabled (over the page colour)");
    QWidget host;
    host.resize(120, 40);
    QPalette pal;
    pal.setColor(QPalette::Window, kSheet);
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    const std::array<int, 4> sets[] = {{236, 241, 237, 240},
                                       {269, 266, 267, 268},
                                       {253, 250, 251, 252},
                                       {210, 209, 211, 210},
                                       {288, 286, 287, 288}};
    const char* names[4] = {"normal", "hover", "pressed", "disabled"};
    for (const auto& set : sets) {
        const QSize size = ui::Bitmap(set[0]).size();
        auto* btn = ui::CSkinBtn::Create(&host, 1, QRect(QPoint(4, 4), size), set);
        for (int state = 0; state < 4; ++state) {
            btn->setEnabled(state != 3);
            if (state == 1) {
                QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
                QApplication::sendEvent(btn, &enter);
            }
            if (state == 2) {
                QTest::mousePress(btn, Qt::LeftButton, {}, QPoint(4, 4));
            }
            const QImage img = host.grab(btn->geometry().adjusted(-4, -4, 4, 4)).toImage();
            sheet.Cell(QStringLiteral("%1 %2").arg(set[0]).arg(names[state]), img);
            if (state == 2) {
                QTest::mouseRelease(btn, Qt::LeftButton, {}, QPoint(300, 300));
            }
        }
        delete btn;
    }
}

void Tabs(Sheet& sheet) {
    sheet.Heading(
        "CSkinTab on the caption band: start, after clicking UDP Broadcast, hovering TCP Client");
    QWidget host;
    host.resize(509, 80);
    QPalette pal;
    pal.setColor(QPalette::Window, QColor(36, 139, 204));
    host.setPalette(pal);
    host.setAutoFillBackground(true);
    ui::CSkinTab tab(&host);
    tab.setGeometry(6, 18, 497, 57);
    const int pics[7][3] = {{306, 305, 307}, {302, 304, 303}, {296, 297, 298}, {301, 300, 299},
                            {314, 315, 1},   {311, 319, 313}, {308, 309, 310}};
    tab.SetItemCount(7);
    for (int i = 0; i < 7; ++i) {
        tab.SetItemRect(i, 6 + 70 * i, 12, 76 + 70 * i, 57);
        tab.SetItemBitmaps(i, pics[i][0], pics[i][1], pics[i][2]);
    }
    sheet.Cell("selected 0", Grab(&host), false);
    QTest::mouseClick(&tab, Qt::LeftButton, {}, tab.itemRect(4).center());
    QMouseEvent move(QEvent::MouseMove, QPointF(tab.itemRect(1).center()),
                     QPointF(tab.itemRect(1).center()), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    sheet.Cell("selected 4", Grab(&host), false);
    QApplication::sendEvent(&tab, &move);
    sheet.Cell("selected 4, hover 1", Grab(&host), false);
    QApplication::processEvents();
}

void Menu(Sheet& sheet) {
    sheet.Heading("COfficeXPMenu (menu 132): nothing hot, second item hot");
    ui::COfficeXPMenu menu;
    menu.LoadMenu(132);
    ui::COfficeXPMenu* popup = menu.SubMenu(0);
    popup->popup(QPoint(0, 0));
    sheet.Cell("plain", Grab(popup));
    popup->setActiveAction(popup->actions()[1]);
    sheet.Cell("hot", Grab(popup));
    popup->close();
}

void Tree(Sheet& sheet) {
    sheet.Heading("CTreeCtrlEx: no selection, a connection selected");
    pages::CTreeCtrlEx tree;
    tree.resize(300, 130);
    tree.SetBkColor(QColor(232, 243, 250));
    pages::TreeNode* root = tree.InsertItem("192.168.1.10:6000");
    pages::CTreeCtrlEx::SetItemBold(root, true);
    tree.SetItemImage(root, 1);
    const char* peers[] = {"127.0.0.1:40001", "127.0.0.1:40002", "127.0.0.1:40003",
                           "127.0.0.1:40004"};
    for (int i = 0; i < 4; ++i) {
        tree.SetItemImage(tree.InsertItem(peers[i], root), 2 + i);
    }
    pages::TreeNode* idle = tree.InsertItem("10.0.0.1");
    tree.SetItemImage(idle, 0);
    tree.expandAll();
    sheet.Cell("none", Grab(&tree), false);
    tree.setCurrentItem(root->child(1));
    sheet.Cell("selected", Grab(&tree), false);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "contact-sheet.png";
    QImage sheetImage(Sheet::kWidth, 4000, QImage::Format_RGB32);
    int bottom = 0;
    sheetImage.fill(Qt::white);
    {
        QPainter p(&sheetImage);
        Sheet sheet(p);
        Pictures(sheet);
        Buttons(sheet);
        Tabs(sheet);
        Menu(sheet);
        Tree(sheet);
        bottom = sheet.Bottom();
    }
    return sheetImage.copy(0, 0, Sheet::kWidth, bottom).save(out) ? 0 : 1;
}
