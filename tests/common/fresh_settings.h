#pragma once
// A settings file of the test's own: what one test stores (a prompt's last values, a chosen
// encoding) never reaches the next. Header only, for test targets that link the pages.
#include <QTemporaryDir>

#include "pages/common/app_settings.h"

namespace quillet::test {

class FreshSettings {
public:
    FreshSettings() {
        pages::settings::UseFileForTest(m_dir.filePath(QStringLiteral("quillet.conf")));
    }
    ~FreshSettings() { pages::settings::UseFileForTest({}); }
    FreshSettings(const FreshSettings&) = delete;
    FreshSettings& operator=(const FreshSettings&) = delete;
    QString Path() const { return m_dir.filePath(QStringLiteral("quillet.conf")); }
    // Reads the file again, as the next run of the program would.
    void Reopen() const { pages::settings::UseFileForTest(Path()); }

private:
    QTemporaryDir m_dir;
};

}  // namespace quillet::test
