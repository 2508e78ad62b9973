#pragma once
// Whether the program opens the last workspace when it starts (the user's choice in the
// settings dialog; off by default).
//
// Threads: user-interface thread only (the settings are read there).

namespace quillet::pages {

bool WorkspaceRestoresAtStart();
void SetWorkspaceRestoresAtStart(bool on);

}  // namespace quillet::pages
