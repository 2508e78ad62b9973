// The user-interface kit: pictures by number, the message and modal seams, fonts.
#include <QDialog>
#include <QFile>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRawFont>

#include <iterator>
#include <vector>

#include "skin/skin_tab.h"
#include "skin/ui_kit.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {
namespace {

using UiKitTest = QtTestBase;

struct Sized {
    std::vector<int> ids;
    int w, h;
};

TEST_F(UiKitTest, EveryNumberedPictureExistsWithItsSize) {
    const std::vector<Sized> sets = {
        {{236, 241, 237, 240, 261, 258, 259, 260, 265, 262, 263, 264, 245, 242, 243, 244, 257, 254,
          255, 256, 269, 266, 267, 268, 273, 270, 271, 272, 281, 278, 279, 280, 277, 274, 275, 276},
         51,
         24},
        {{253, 250, 251, 252, 249, 246, 247, 248}, 91, 24},
        {{210, 209, 211}, 16, 16},
        {{288, 286, 287}, 50, 18},
        {{284}, 18, 18},
        {{224, 218}, 6, 76},
        {{219}, 6, 76},
        {{217}, 5, 76},
        {{222}, 2, 76},
        {{227, 223}, 2, 88},
        {{306, 305, 307, 302, 304, 303, 296, 297, 298, 301, 300,
          299, 314, 315, 1,   311, 319, 313, 308, 309, 310},
         70,
         45},
    };
    for (const Sized& set : sets) {
        for (int id : set.ids) {
            const QPixmap pm = ui::Bitmap(id);
            EXPECT_EQ(pm.size(), QSize(set.w, set.h)) << "bitmap " << id;
        }
    }
    for (int id : {136, 137, 140, 142, 143, 144}) {
        EXPECT_EQ(ui::Icon(id).pixmap(16, 16).size(), QSize(16, 16)) << "icon " << id;
    }
    const QList<QSize> sizes = ui::Icon(293).availableSizes();
    for (QSize s : {QSize(16, 16), QSize(32, 32), QSize(48, 48)}) {
        EXPECT_TRUE(sizes.contains(s)) << s.width();
    }
}

TEST_F(UiKitTest, KindsAreSeparateAndUnknownNumbersAreEmpty) {
    EXPECT_TRUE(ui::Bitmap(9999).isNull());
    EXPECT_TRUE(ui::Icon(9999).isNull());
    EXPECT_TRUE(ui::Icon(296).isNull());    // bitmap 296 exists, icon 296 does not
    EXPECT_TRUE(ui::Bitmap(136).isNull());  // and the other way round
    EXPECT_FALSE(ui::Bitmap(296).isNull());
}

TEST_F(UiKitTest, PicturesWithWordsFollowThePictureLanguage) {
    // Send, clear received, the menu button and a selected tab carry words; the frame and a
    // tab's normal look (English already) do not.
    const int withWords[] = {257, 253, 288, 307};
    const int withoutWords[] = {284, 306, 210};
    std::vector<QImage> chinese;
    for (int id : withWords)
        chinese.push_back(ui::Bitmap(id).toImage());
    std::vector<QImage> plain;
    for (int id : withoutWords)
        plain.push_back(ui::Bitmap(id).toImage());

    ui::SetPictureLanguage("en");
    for (size_t i = 0; i < std::size(withWords); ++i) {
        const QImage english = ui::Bitmap(withWords[i]).toImage();
        EXPECT_EQ(english.size(), chinese[i].size()) << withWords[i];
        EXPECT_NE(english, chinese[i]) << withWords[i];
        // The key colour stays where it was, so the shape on screen is the same.
        EXPECT_EQ(english.pixel(0, 0), chinese[i].pixel(0, 0)) << withWords[i];
    }
    for (size_t i = 0; i < std::size(withoutWords); ++i)
        EXPECT_EQ(ui::Bitmap(withoutWords[i]).toImage(), plain[i]) << withoutWords[i];
    ui::SetPictureLanguage("fr");  // no such pictures: the Chinese ones
    EXPECT_EQ(ui::Bitmap(257).toImage(), chinese[0]);
    ui::SetPictureLanguage(QString());
    EXPECT_EQ(ui::Bitmap(257).toImage(), chinese[0]);
}

TEST_F(UiKitTest, ButtonsAndTabsHaveTwiceSizeDrawings) {
    // Drawn again at twice the size, not enlarged: the same picture, with more detail.
    for (const char* kind : {":/bitmap/", ":/bitmap/en/"}) {
        for (int id : {257, 253, 288, 210, 306, 307}) {
            const QString base = QString::fromLatin1(kind) + QString::number(id);
            if (!QFile::exists(base + ".png"))
                continue;
            const QImage small(base + ".png");
            const QImage large(base + "@2x.png");
            ASSERT_FALSE(large.isNull()) << base.toStdString();
            EXPECT_EQ(large.size(), small.size() * 2) << base.toStdString();
            EXPECT_NE(large, small.scaled(small.size() * 2)) << base.toStdString();
            EXPECT_EQ(large.pixel(0, 0), small.pixel(0, 0)) << base.toStdString();  // keyed
        }
    }
    // The offscreen screen is not scaled: the program loads the plain pictures.
    EXPECT_EQ(ui::Bitmap(257).devicePixelRatio(), 1.0);
}

// How many pixels of `colour` run in from `edge` of `img`, along the middle row or column.
int RimDepth(const QImage& img, Qt::Edge edge, QRgb colour) {
    const bool vertical = edge == Qt::LeftEdge || edge == Qt::RightEdge;
    const int depth = vertical ? img.width() : img.height();
    int run = 0;
    for (; run < depth; ++run) {
        const int inward = edge == Qt::LeftEdge || edge == Qt::TopEdge ? run : depth - 1 - run;
        const QPoint px =
            vertical ? QPoint(inward, img.height() / 2) : QPoint(img.width() / 2, inward);
        if ((img.pixel(px) & 0xffffff) != (colour & 0xffffff))
            break;
    }
    return run;
}

TEST_F(UiKitTest, TwiceSizeButtonAndTabRimsAreTwiceAsDeepOnEverySide) {
    std::vector<int> buttons = {210, 209, 211, 286, 287};  // the menu's normal rim is its face
    for (int id = 236; id <= 281; ++id)
        buttons.push_back(id);
    const std::vector<int> tabs = {306, 305, 307, 302, 304, 303, 296, 297, 298, 301, 300,
                                   299, 314, 315, 1,   311, 319, 313, 308, 309, 310};
    const auto check = [](const QString& base, const std::vector<Qt::Edge>& edges) {
        const QImage small(base + ".png");
        const QImage large(base + "@2x.png");
        ASSERT_FALSE(small.isNull()) << base.toStdString();
        ASSERT_EQ(large.size(), small.size() * 2) << base.toStdString();
        const QRgb rim = small.pixel(0, small.height() / 2);
        for (Qt::Edge edge : edges) {
            const int plain = RimDepth(small, edge, rim);
            EXPECT_GE(plain, 1) << base.toStdString() << " edge " << edge;
            EXPECT_EQ(RimDepth(large, edge, rim), 2 * plain)
                << base.toStdString() << " edge " << edge;
        }
    };
    const std::vector<Qt::Edge> all = {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge, Qt::BottomEdge};
    // A tab's face runs off its bottom edge into the page.
    const std::vector<Qt::Edge> tabSides = {Qt::LeftEdge, Qt::RightEdge, Qt::TopEdge};
    for (const char* kind : {":/bitmap/", ":/bitmap/en/"}) {
        for (int id : buttons) {
            const QString base = QString::fromLatin1(kind) + QString::number(id);
            if (QFile::exists(base + ".png"))
                check(base, all);
        }
        for (int id : tabs) {
            const QString base = QString::fromLatin1(kind) + QString::number(id);
            if (QFile::exists(base + ".png"))
                check(base, tabSides);
        }
    }
}

TEST_F(UiKitTest, FramePiecesAndTreeIconsHaveTwiceSizeDrawings) {
    const auto isKey = [](QRgb c) { return (c & 0xffffff) == 0xff00ff; };
    for (int id : {224, 222, 217, 227, 223, 218, 219, 284}) {
        const QString base = QStringLiteral(":/bitmap/%1").arg(id);
        const QImage small(base + ".png");
        const QImage large(base + "@2x.png");
        ASSERT_FALSE(large.isNull()) << id;
        ASSERT_EQ(large.size(), small.size() * 2) << id;
        // The window's shape is cut in unscaled pixels: each key pixel becomes a key square of
        // four, and no other pixel is key.
        for (int y = 0; y < large.height(); ++y)
            for (int x = 0; x < large.width(); ++x)
                ASSERT_EQ(isKey(large.pixel(x, y)), isKey(small.pixel(x / 2, y / 2)))
                    << id << " at " << x << "," << y;
        // The straight frame lines keep their colours.
        EXPECT_EQ(large.pixel(large.width() / 2, large.height() - 1),
                  small.pixel(small.width() / 2, small.height() - 1))
            << id;
    }
    // The corner and the emblem are drawn again, with more detail than an enlargement.
    for (int id : {224, 284}) {
        const QString base = QStringLiteral(":/bitmap/%1").arg(id);
        const QImage small(base + ".png");
        EXPECT_NE(QImage(base + "@2x.png"), small.scaled(small.size() * 2)) << id;
    }
    for (int id : {136, 137, 140, 142, 143, 144}) {
        const QString base = QStringLiteral(":/icon/%1").arg(id);
        const QImage small(base + ".png");
        const QImage large(base + "@2x.png");
        EXPECT_EQ(large.size(), QSize(32, 32)) << id;
        EXPECT_EQ(large.pixel(0, 15), small.pixel(0, 7)) << id;
    }
    // The arrow and the question mark are drawn again, finer; boxes are simply twice as big.
    for (int id : {137, 143, 144}) {
        const QString base = QStringLiteral(":/icon/%1").arg(id);
        EXPECT_NE(QImage(base + "@2x.png"), QImage(base + ".png").scaled(32, 32)) << id;
    }
}

TEST_F(UiKitTest, FrameCornersHaveExactlyTheListedKeyPixels) {
    struct Corner {
        int id;
        std::vector<QPoint> keys;
    };
    const std::vector<Corner> corners = {
        {224, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {0, 2}, {0, 3}}},
        {217, {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {3, 1}, {4, 1}, {4, 2}, {4, 3}}},
        {218, {{0, 72}, {0, 73}, {0, 74}, {1, 74}, {0, 75}, {1, 75}, {2, 75}, {3, 75}}},
        {219, {{5, 72}, {5, 73}, {4, 74}, {5, 74}, {2, 75}, {3, 75}, {4, 75}, {5, 75}}},
    };
    const QRgb key = qRgb(255, 0, 255);
    for (const Corner& c : corners) {
        const QImage img = ui::Bitmap(c.id).toImage().convertToFormat(QImage::Format_RGB32);
        int count = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const bool listed =
                    std::find(c.keys.begin(), c.keys.end(), QPoint(x, y)) != c.keys.end();
                const bool isKey = img.pixel(x, y) == key;
                EXPECT_EQ(isKey, listed) << "bitmap " << c.id << " at " << x << "," << y;
                count += isKey;
            }
        }
        EXPECT_EQ(count, 8) << c.id;
    }
    // The edges: frame line RGB(50,89,141) outside, highlight inside.
    const QImage top = ui::Bitmap(222).toImage();
    EXPECT_EQ(top.pixel(0, 0), qRgb(50, 89, 141));
    EXPECT_EQ(top.pixel(1, 1), qRgb(216, 238, 251));
    EXPECT_EQ(top.pixel(1, 40), qRgb(36, 139, 204));
    const QImage left = ui::Bitmap(227).toImage();
    EXPECT_EQ(left.pixel(0, 10), qRgb(50, 89, 141));
    EXPECT_EQ(left.pixel(1, 10), qRgb(217, 238, 251));
    const QImage right = ui::Bitmap(223).toImage();
    EXPECT_EQ(right.pixel(0, 10), qRgb(217, 238, 251));
    EXPECT_EQ(right.pixel(1, 10), qRgb(50, 89, 141));
}

TEST_F(UiKitTest, MessagesAreRecordedWhileARecorderIsInstalled) {
    ui::ShowMessage(nullptr, "请选择接收端！", "提示");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "请选择接收端！");
    EXPECT_EQ(messages_[0].caption, "提示");
}

TEST_F(UiKitTest, ModalScriptDrivesTheDialogAndRejectsWhatItLeavesOpen) {
    QDialog dlg;
    auto* edit = new QLineEdit(&dlg);
    auto* ok = new QPushButton("OK", &dlg);
    QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);

    ui::SetModalScript([&](QDialog* d) {
        EXPECT_EQ(d, &dlg);
        EXPECT_TRUE(d->isVisible());
        edit->setText("6000");
        ok->click();
    });
    EXPECT_EQ(ui::ExecModal(&dlg), QDialog::Accepted);
    EXPECT_EQ(edit->text(), "6000");
    EXPECT_FALSE(dlg.isVisible());

    ui::SetModalScript([](QDialog*) {});
    EXPECT_EQ(ui::ExecModal(&dlg), QDialog::Rejected);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(UiKitTest, FontsCoverChineseAndGeometryIsFixed) {
    for (const QFont& f : {ui::SongFont(9), ui::SansFont(15, 700)}) {
        const QRawFont raw = QRawFont::fromFont(f, QFontDatabase::SimplifiedChinese);
        EXPECT_TRUE(raw.supportsCharacter(QChar(0x521B))) << QFontInfo(f).family().toStdString();
    }
    EXPECT_EQ(ui::SongFont(9).pixelSize(), 12);
    EXPECT_EQ(ui::SansFont(15, 700).weight(), QFont::Bold);
    EXPECT_EQ(ui::DuRect(498, 404, 0, 0).topLeft(), QPoint(747, 606));
    EXPECT_EQ(ui::ControlName(ui::CSkinTab::kStripId), "1053");
    EXPECT_FALSE(ui::AppTitle().isEmpty());
}

}  // namespace
}  // namespace quillet::test
