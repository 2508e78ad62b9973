// The settings dialog's tabs, one line per feature, in the order they appear.
#include "pages/log/log_settings_tab.h"
#include "pages/settings/settings_dlg.h"
#include "pages/send/send_settings_tab.h"
#include "pages/settings/workspace_settings_tab.h"

namespace quillet::pages {

std::vector<SettingsTabFactory> SettingsTabFactories() {
    return {
        &CLogSettingsTab::Make,
        MakeSendSettingsTab,
        MakeWorkspaceSettingsTab,
    };
}

}  // namespace quillet::pages
