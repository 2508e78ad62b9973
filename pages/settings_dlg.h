#pragma once
// The settings dialog: one tab for each feature that has choices (logs, sending, addresses),
// OK and Cancel. Each feature writes its tab as a SettingsTab and lists its factory in
// settings_tabs.cpp; OK applies every tab (a tab may refuse, after telling the user why) and
// then announces the change through SettingsNews, so that open pages re-read what they use.
//
// Threads: user-interface thread only. Runs through ui::ExecModal so tests can script it.
#include <QDialog>
#include <QObject>

#include <memory>
#include <vector>

class QTabWidget;

namespace quillet::pages {

class SettingsTab {
public:
    virtual ~SettingsTab() = default;
    virtual QString Title() const = 0;
    // The tab's page; owned by the dialog once added.
    virtual QWidget* Widget() = 0;
    // Stores the tab's choices (settings::SetValue); false, after telling the user, when a
    // choice is not valid, which keeps the dialog open.
    virtual bool Apply() = 0;
};
using SettingsTabFactory = std::unique_ptr<SettingsTab> (*)(QWidget* parent);

// The tabs in the order they appear (settings_tabs.cpp).
std::vector<SettingsTabFactory> SettingsTabFactories();

// Emits Changed after the settings dialog stored new choices.
class SettingsNews : public QObject {
    Q_OBJECT
public:
    static SettingsNews& Instance();
signals:
    void Changed();
};

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
