#pragma once
// The "发送" tab of the options dialog: what a line break becomes on the wire, whether the
// send box keeps its text after a send, and the budget of automatic replies (send_options.h).
//
// Threads: user-interface thread only.
#include <memory>

#include "pages/common/settings_tab.h"

namespace quillet::pages {

std::unique_ptr<SettingsTab> MakeSendSettingsTab(QWidget* parent);

}  // namespace quillet::pages
