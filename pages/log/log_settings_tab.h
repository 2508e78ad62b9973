#pragma once
// The "日志" tab of the settings dialog: the time stamp style of the logs and their scrollback
// limits, per record and for the whole program. The logs read these keys themselves.
//
// Threads: user-interface thread only.
#include <memory>

#include "pages/common/settings_tab.h"

class QComboBox;
class QSpinBox;

namespace quillet::pages {

class CLogSettingsTab : public QObject, public SettingsTab {
    Q_OBJECT
public:
    static constexpr int kStampStyles = 3;
    static constexpr int kDefaultStampStyle = 0;

    explicit CLogSettingsTab(QWidget* parent);

    QString Title() const override;
    QWidget* Widget() override { return m_page; }
    bool Apply() override;

    QComboBox* StampStyle() const { return m_stamp; }
    QSpinBox* RecordLimit() const { return m_recordLimit; }
    QSpinBox* TotalLimit() const { return m_totalLimit; }

    static std::unique_ptr<SettingsTab> Make(QWidget* parent);

private:
    QWidget* m_page;
    QComboBox* m_stamp;
    QSpinBox* m_recordLimit;
    QSpinBox* m_totalLimit;
};

}  // namespace quillet::pages
