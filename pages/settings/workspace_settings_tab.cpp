#include "pages/settings/workspace_settings_tab.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QVBoxLayout>
#include <QWidget>

#include "pages/workspace/workspace_start.h"

namespace quillet::pages {

namespace {

class CWorkspaceSettingsTab : public SettingsTab {
    Q_DECLARE_TR_FUNCTIONS(quillet::pages::CWorkspaceSettingsTab)

public:
    explicit CWorkspaceSettingsTab(QWidget* parent) : m_page(new QWidget(parent)) {
        m_page->setObjectName(QStringLiteral("workspaceSettings"));
        auto* layout = new QVBoxLayout(m_page);
        m_restore = new QCheckBox(tr("启动时打开上次保存或打开的工作区"), m_page);
        m_restore->setObjectName(QStringLiteral("workspaceRestoreAtStart"));
        m_restore->setChecked(WorkspaceRestoresAtStart());
        layout->addWidget(m_restore);
        layout->addStretch();
    }

    QString Title() const override { return tr("工作区"); }
    QWidget* Widget() override { return m_page; }
    bool Apply() override {
        SetWorkspaceRestoresAtStart(m_restore->isChecked());
        return true;
    }

private:
    QWidget* m_page;
    QCheckBox* m_restore;
};

}  // namespace

std::unique_ptr<SettingsTab> MakeWorkspaceSettingsTab(QWidget* parent) {
    return std::make_unique<CWorkspaceSettingsTab>(parent);
}

}  // namespace quillet::pages
