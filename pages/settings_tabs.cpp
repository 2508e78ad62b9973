// The settings dialog's tabs, one line per feature, in the order they appear.
#include "pages/log_settings_tab.h"
#include "pages/settings_dlg.h"

namespace quillet::pages {

std::vector<SettingsTabFactory> SettingsTabFactories() {
    return {
        &CLogSettingsTab::Make,
    };
}

}  // namespace quillet::pages
