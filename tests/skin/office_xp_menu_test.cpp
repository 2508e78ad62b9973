// The flat pop-up menu: loading menu 132, item measurement, the colours it paints.
#include <QSignalSpy>

#include <memory>

#include "skin/office_xp_menu.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {
namespace {

using ui::COfficeXPMenu;

class OfficeXPMenuTest : public QtTestBase {
protected:
    void TearDown() override {
        menu_.reset();
        QtTestBase::TearDown();
    }
    COfficeXPMenu* LoadedPopup() {
        menu_ = std::make_unique<COfficeXPMenu>();
        EXPECT_TRUE(menu_->LoadMenu(132));
        return menu_->SubMenu(0);
    }
    std::unique_ptr<COfficeXPMenu> menu_;
};

TEST_F(OfficeXPMenuTest, LoadsTheMainWindowMenu) {
    COfficeXPMenu* popup = LoadedPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(menu_->SubMenu(1), nullptr);
    EXPECT_EQ(menu_->SubMenu(-1), nullptr);
    EXPECT_EQ(popup->title(), "设置(&M)");
    const QList<QAction*> items = popup->actions();
    ASSERT_EQ(items.size(), 4);
    const int commands[4] = {32777, 32778, 32779, 32780};
    const char* texts[4] = {"设置        (&Alt+S)", "帮助        (&Alt+H)", "关于        (&Alt+A)",
                            "退出        (&Alt+X)"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i]->data().toInt(), commands[i]);
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(texts[i]));
        EXPECT_EQ(items[i]->objectName(), QString::number(commands[i]));
    }
    // A chosen item reaches the top level as its command.
    QSignalSpy spy(menu_.get(), &COfficeXPMenu::command);
    items[2]->trigger();
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 32779);
}

TEST_F(OfficeXPMenuTest, MissingResourceFailsAndDestroyEmptiesTheRegistry) {
    const size_t before = COfficeXPMenu::PopupRegistry().size();
    COfficeXPMenu missing;
    EXPECT_FALSE(missing.LoadMenu(9999));
    EXPECT_TRUE(missing.actions().isEmpty());

    LoadedPopup();
    EXPECT_EQ(COfficeXPMenu::PopupRegistry().size(), before + 1);
    menu_->Destroy();
    EXPECT_EQ(COfficeXPMenu::PopupRegistry().size(), before);
    EXPECT_TRUE(menu_->actions().isEmpty());
    // Loading twice does not duplicate the items.
    EXPECT_TRUE(menu_->LoadMenu(132));
    EXPECT_TRUE(menu_->LoadMenu(132));
    EXPECT_EQ(menu_->actions().size(), 1);
    EXPECT_EQ(COfficeXPMenu::PopupRegistry().size(), before + 1);
}

TEST_F(OfficeXPMenuTest, ItemsMeasureTextWidthPlus33ByMenuBarHeightAtLeast19) {
    const QFontMetrics fm(COfficeXPMenu::MenuFont());
    const QString text = QString::fromUtf8("帮助        (&Alt+H)");
    const QSize size = COfficeXPMenu::MeasureItem(text, false);
    EXPECT_EQ(size.width(), fm.horizontalAdvance(text) + 33);
    EXPECT_EQ(size.height(), std::max(COfficeXPMenu::MenuBarHeight(), 19));
    EXPECT_EQ(COfficeXPMenu::MeasureItem("", true), QSize(0, COfficeXPMenu::MenuBarHeight() / 2));

    // The shown menu lays its items out with exactly those sizes, one column wide.
    COfficeXPMenu* popup = LoadedPopup();
    popup->popup(QPoint(10, 10));
    int widest = 0;
    for (QAction* a : popup->actions()) {
        widest = std::max(widest, COfficeXPMenu::MeasureItem(a->text(), false).width());
    }
    int y = -1;
    for (QAction* a : popup->actions()) {
        const QRect r = popup->actionGeometry(a);
        EXPECT_EQ(r.size(), QSize(widest, size.height()));
        if (y >= 0) {
            EXPECT_EQ(r.top(), y);
        }
        y = r.bottom() + 1;
    }
    popup->close();
}

TEST_F(OfficeXPMenuTest, PaintsTheBarTheSelectionFrameAndFill) {
    COfficeXPMenu::SetDrawStyle(1, 1);
    COfficeXPMenu* popup = LoadedPopup();
    popup->popup(QPoint(10, 10));
    popup->setActiveAction(popup->actions()[1]);
    const QImage img = popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect plain = popup->actionGeometry(popup->actions()[0]);
    const QRect hot = popup->actionGeometry(popup->actions()[1]);
    const QColor menuColor = popup->palette().color(QPalette::Window);

    EXPECT_EQ(img.pixel(plain.left() + 3, plain.center().y()), COfficeXPMenu::kBarColor.rgb());
    EXPECT_EQ(img.pixel(plain.left() + 20, plain.center().y()), COfficeXPMenu::kBarColor.rgb());
    EXPECT_EQ(img.pixel(plain.right() - 2, plain.center().y()), menuColor.rgb());
    EXPECT_EQ(img.pixel(hot.left(), hot.center().y()), COfficeXPMenu::kFrameColor.rgb());
    EXPECT_EQ(img.pixel(hot.left() + 3, hot.center().y()), COfficeXPMenu::kFillColor.rgb());
    EXPECT_EQ(img.pixel(hot.right() - 2, hot.top() + 1), COfficeXPMenu::kFillColor.rgb());
    popup->close();
}

TEST_F(OfficeXPMenuTest, AMenuInTheBarColourGetsALighterBarAndAWhiteBody) {
    EXPECT_EQ(COfficeXPMenu::Lighten(QColor(99, 190, 255), 0.35), QColor(153, 212, 255));
    EXPECT_EQ(COfficeXPMenu::Lighten(QColor(132, 166, 198), 0.85), QColor(236, 241, 246));

    COfficeXPMenu* popup = LoadedPopup();
    QPalette pal = popup->palette();
    pal.setColor(QPalette::Window, COfficeXPMenu::kBarColor);
    popup->setPalette(pal);
    popup->popup(QPoint(10, 10));
    popup->setActiveAction(popup->actions()[0]);
    const QImage img = popup->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect hot = popup->actionGeometry(popup->actions()[0]);
    const QRect plain = popup->actionGeometry(popup->actions()[3]);
    EXPECT_EQ(img.pixel(plain.left() + 3, plain.center().y()), qRgb(153, 212, 255));
    EXPECT_EQ(img.pixel(plain.right() - 2, plain.center().y()), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(hot.left() + 3, hot.center().y()), qRgb(236, 241, 246));
    popup->close();
}

}  // namespace
}  // namespace quillet::test
