// The control pictures: named after the control they stand for, shown by an installed font,
// and drawn as boxes where no font has them.
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QTextLayout>

#include "pages/common/control_pictures.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {
namespace {

struct NameCase {
    char16_t c;
    const char* name;
};

class ControlPictureNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ControlPictureNames, SpellTheControl) {
    EXPECT_EQ(pages::ControlPictureName(GetParam().c), QString::fromLatin1(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Pictures, ControlPictureNames,
                         ::testing::Values(NameCase{0x2400, "NUL"}, NameCase{0x2407, "BEL"},
                                           NameCase{0x2409, "HT"}, NameCase{0x240A, "LF"},
                                           NameCase{0x240D, "CR"}, NameCase{0x241B, "ESC"},
                                           NameCase{0x241F, "US"}, NameCase{0x2421, "DEL"},
                                           NameCase{0x2426, "SUB"}, NameCase{0x2427, ""},
                                           NameCase{0x243F, ""}, NameCase{u'A', ""}));

class ControlPictureTest : public QtTestBase {
protected:
    void TearDown() override {
        pages::SetControlPicturesMissingForTest(false);
        QtTestBase::TearDown();
    }
    // The layout of `text` drawn on white, control pictures drawn over where fonts lack them.
    QImage Draw(const QString& text) {
        QTextLayout layout(text, QFontDatabase::systemFont(QFontDatabase::FixedFont));
        layout.beginLayout();
        layout.createLine().setLineWidth(400);
        layout.endLayout();
        QImage image(400, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        layout.draw(&painter, QPointF(0, 0));
        pages::DrawMissingControlPictures(painter, layout, QPointF(0, 0), Qt::black, Qt::white);
        return image;
    }
    static int DarkPixels(const QImage& image) {
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                dark += qGray(image.pixel(x, y)) < 128;
        return dark;
    }
};

// The package's font dependency (fonts-symbola, installed by scripts/lib/deps.sh) has them.
TEST_F(ControlPictureTest, AnInstalledFontShowsThemAndNothingIsDrawnOver) {
    const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ASSERT_TRUE(pages::FontShowsControlPictures(font))
        << "no installed font has U+2400: install fonts-symbola";
    pages::SetControlPicturesMissingForTest(true);
    EXPECT_FALSE(pages::FontShowsControlPictures(font));
}

TEST_F(ControlPictureTest, WithoutAFontEachPictureIsDrawnAsABoxInItsOwnCell) {
    const QImage plain = Draw(QStringLiteral(u"ab\u241Bcd"));
    const QImage letters = Draw(QStringLiteral("abcd"));
    pages::SetControlPicturesMissingForTest(true);
    EXPECT_EQ(Draw(QStringLiteral("abcd")), letters);  // text without pictures is left alone
    const QImage drawn = Draw(QStringLiteral(u"ab\u241Bcd"));
    EXPECT_NE(plain, drawn);
    // Only the picture's cell changed; the letters around it stay as they were.
    QTextLayout layout(QStringLiteral(u"ab\u241Bcd"),
                       QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout.beginLayout();
    layout.createLine().setLineWidth(400);
    layout.endLayout();
    const QTextLine line = layout.lineAt(0);
    const int from = static_cast<int>(line.cursorToX(2)), to = static_cast<int>(line.cursorToX(3));
    ASSERT_LT(from, to);
    for (int y = 0; y < drawn.height(); ++y) {
        for (int x = 0; x < drawn.width(); ++x) {
            if (x >= from - 1 && x <= to)
                continue;
            ASSERT_EQ(drawn.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_GT(DarkPixels(drawn.copy(from, 0, to - from, drawn.height())), 8);
}

}  // namespace
}  // namespace quillet::test
