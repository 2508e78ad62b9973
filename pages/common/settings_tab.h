#pragma once
// What a feature with choices gives the settings dialog (a tab), and the news that the dialog
// stored new choices, which open pages listen to so they re-read what they use.
//
// Threads: user-interface thread only.
#include <QObject>
#include <QString>

#include <memory>

class QWidget;

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

// Emits Changed after the settings dialog stored new choices.
class SettingsNews : public QObject {
    Q_OBJECT
public:
    static SettingsNews& Instance();
signals:
    void Changed();
};

}  // namespace quillet::pages
