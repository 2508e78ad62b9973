#include "pages/send_settings_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QWidget>

#include "pages/send_options.h"

namespace quillet::pages {

namespace {

class CSendSettingsTab : public SettingsTab {
    Q_DECLARE_TR_FUNCTIONS(quillet::pages::CSendSettingsTab)

public:
    explicit CSendSettingsTab(QWidget* parent) : m_page(new QWidget(parent)) {
        m_page->setObjectName(QStringLiteral("sendSettings"));
        auto* form = new QFormLayout(m_page);
        m_lineEnding = new QComboBox(m_page);
        m_lineEnding->setObjectName(QStringLiteral("sendLineEnding"));
        // In the order of LineEnding.
        m_lineEnding->addItems(
            {tr("LF（\\n）"), tr("CR LF（\\r\\n）"), tr("CR（\\r）"), tr("无（去掉换行）")});
        form->addRow(tr("换行发送为:"), m_lineEnding);
        m_keepText = new QCheckBox(tr("发送后保留发送窗口中的内容"), m_page);
        m_keepText->setObjectName(QStringLiteral("sendKeepText"));
        form->addRow(m_keepText);
        const SendOptions options = CurrentSendOptions();
        m_lineEnding->setCurrentIndex(static_cast<int>(options.lineEnding));
        m_keepText->setChecked(options.keepText);
    }

    QString Title() const override { return tr("发送"); }
    QWidget* Widget() override { return m_page; }
    bool Apply() override {
        SendOptions options;
        options.lineEnding = static_cast<LineEnding>(m_lineEnding->currentIndex());
        options.keepText = m_keepText->isChecked();
        StoreSendOptions(options);
        return true;
    }

private:
    QWidget* m_page;
    QComboBox* m_lineEnding;
    QCheckBox* m_keepText;
};

}  // namespace

std::unique_ptr<SettingsTab> MakeSendSettingsTab(QWidget* parent) {
    return std::make_unique<CSendSettingsTab>(parent);
}

}  // namespace quillet::pages
