#include "pages/common/shared_menu_items.h"

#include <utility>

namespace quillet::pages {
namespace {

MenuItemsAdder& Adder() {
    static MenuItemsAdder adder;
    return adder;
}

}  // namespace

void SetSharedMenuItems(MenuItemsAdder adder) {
    Adder() = std::move(adder);
}

void AddSharedMenuItems(QMenu* menu) {
    if (Adder())
        Adder()(menu);
}

}  // namespace quillet::pages
