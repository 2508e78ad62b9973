#pragma once
// The settings dialog's workspace tab: whether the window opens the last workspace saved or
// opened when it starts (off by default).
//
// Threads: user-interface thread only.
#include <memory>

#include "pages/common/settings_tab.h"

namespace quillet::pages {

std::unique_ptr<SettingsTab> MakeWorkspaceSettingsTab(QWidget* parent);

}  // namespace quillet::pages
