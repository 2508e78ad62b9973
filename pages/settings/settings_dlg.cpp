#include "pages/settings/settings_dlg.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "skin/ui_kit.h"

namespace quillet::pages {

CSettingsDlg::CSettingsDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(tr("选项"));
    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("settingsTabs"));
    layout->addWidget(m_tabs);
    for (SettingsTabFactory make : SettingsTabFactories()) {
        std::unique_ptr<SettingsTab> tab = make(m_tabs);
        m_tabs->addTab(tab->Widget(), tab->Title());
        m_pages.push_back(std::move(tab));
    }
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(tr("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("settingsOk"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("settingsCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

CSettingsDlg::~CSettingsDlg() = default;

void CSettingsDlg::accept() {
    for (size_t i = 0; i < m_pages.size(); ++i) {
        if (!m_pages[i]->Apply()) {
            m_tabs->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    QDialog::accept();
}

bool OpenSettings(QWidget* parent) {
    CSettingsDlg dlg(parent);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return false;
    emit SettingsNews::Instance().Changed();
    return true;
}

}  // namespace quillet::pages
