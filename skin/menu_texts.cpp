// The texts of the menus in resources/menu, listed where the translation tools can find them:
// COfficeXPMenu::LoadMenu translates each line's text in this context.
#include <QtGlobal>

namespace quillet::ui {
namespace {

[[maybe_unused]] constexpr const char* kMenuTexts[] = {
    QT_TRANSLATE_NOOP("quillet::ui::COfficeXPMenu", "设置(&M)"),
    QT_TRANSLATE_NOOP("quillet::ui::COfficeXPMenu", "设置        (&Alt+S)"),
    QT_TRANSLATE_NOOP("quillet::ui::COfficeXPMenu", "帮助        (&Alt+H)"),
    QT_TRANSLATE_NOOP("quillet::ui::COfficeXPMenu", "关于        (&Alt+A)"),
    QT_TRANSLATE_NOOP("quillet::ui::COfficeXPMenu", "退出        (&Alt+X)"),
};

}  // namespace
}  // namespace quillet::ui
