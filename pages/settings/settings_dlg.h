#pragma once
// The settings dialog: one tab for each feature that has choices (logs, sending, addresses),
// OK and Cancel. Each feature writes its tab as a SettingsTab and lists its factory in
// settings_tabs.cpp; OK applies every tab (a tab may refuse, after telling the user why) and
// then announces the change through SettingsNews, so that open pages re-read what they use.
//
// Threads: user-interface thread only. Runs through ui::ExecModal so tests can script it.
#include <QDialog>

#include <memory>
#include <vector>

#include "pages/common/settings_tab.h"

class QTabWidget;

namespace quillet::pages {

// The tabs in the order they appear (settings_tabs.cpp).
std::vector<SettingsTabFactory> SettingsTabFactories();

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(QWidget* parent);
    ~CSettingsDlg() override;

    QTabWidget* Tabs() const { return m_tabs; }

    void accept() override;

private:
    QTabWidget* m_tabs = nullptr;
    std::vector<std::unique_ptr<SettingsTab>> m_pages;
};

// Opens the settings dialog modally; true when the user stored new choices.
bool OpenSettings(QWidget* parent);

}  // namespace quillet::pages
