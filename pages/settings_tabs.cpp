// The settings dialog's tabs, one line per feature, in the order they appear.
#include "pages/log_settings_tab.h"
#include "pages/settings_dlg.h"
#include "pages/send_settings_tab.h"
#include "pages/workspace_settings_tab.h"

namespace quillet::pages {

std::vector<SettingsTabFactory> SettingsTabFactories() {
    return {
        &CLogSettingsTab::Make,
        MakeSendSettingsTab,
        MakeWorkspaceSettingsTab,
    };
}

}  // namespace quillet::pages
