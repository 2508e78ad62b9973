#include "pages/common/settings_tab.h"

namespace quillet::pages {

SettingsNews& SettingsNews::Instance() {
    static SettingsNews news;
    return news;
}

}  // namespace quillet::pages
