#include "pages/workspace/workspace_start.h"

#include <QString>

#include "pages/common/app_settings.h"

namespace quillet::pages {

namespace {
const QString kRestoreKey = QStringLiteral("workspace/restoreAtStart");
}  // namespace

bool WorkspaceRestoresAtStart() {
    return settings::BoolValue(kRestoreKey, false);
}

void SetWorkspaceRestoresAtStart(bool on) {
    settings::SetValue(kRestoreKey, on);
}

}  // namespace quillet::pages
