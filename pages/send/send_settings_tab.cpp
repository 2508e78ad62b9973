#include "pages/send/send_settings_tab.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QSpinBox>
#include <QWidget>

#include "pages/common/send_options.h"

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
        AddReplyBudget(form);
        const SendOptions options = CurrentSendOptions();
        m_lineEnding->setCurrentIndex(static_cast<int>(options.lineEnding));
        m_keepText->setChecked(options.keepText);
        m_replyBudget->setChecked(options.replyAllowanceKiB >= 0);
        m_replyAllowance->setValue(options.replyAllowanceKiB >= 0
                                       ? options.replyAllowanceKiB
                                       : SendOptions::kDefaultReplyAllowanceKiB);
        m_replyAllowance->setEnabled(m_replyBudget->isChecked());
    }

    QString Title() const override { return tr("发送"); }
    QWidget* Widget() override { return m_page; }
    bool Apply() override {
        SendOptions options;
        options.lineEnding = static_cast<LineEnding>(m_lineEnding->currentIndex());
        options.keepText = m_keepText->isChecked();
        options.replyAllowanceKiB = m_replyBudget->isChecked() ? m_replyAllowance->value() : -1;
        StoreSendOptions(options);
        return true;
    }

private:
    // Automatic replies to a peer: limited to what it sent per second plus an allowance, or not.
    void AddReplyBudget(QFormLayout* form) {
        m_replyBudget = new QCheckBox(tr("限制自动回复：每秒不超过对方发来的字节数加上"), m_page);
        m_replyBudget->setObjectName(QStringLiteral("sendReplyBudget"));
        m_replyAllowance = new QSpinBox(m_page);
        m_replyAllowance->setObjectName(QStringLiteral("sendReplyAllowance"));
        m_replyAllowance->setRange(0, SendOptions::kMaxReplyAllowanceKiB);
        m_replyAllowance->setSuffix(QStringLiteral(" KiB"));
        QObject::connect(m_replyBudget, &QCheckBox::toggled, m_replyAllowance,
                         &QWidget::setEnabled);
        form->addRow(m_replyBudget, m_replyAllowance);
    }

    QWidget* m_page;
    QComboBox* m_lineEnding;
    QCheckBox* m_keepText;
    QCheckBox* m_replyBudget = nullptr;
    QSpinBox* m_replyAllowance = nullptr;
};

}  // namespace

std::unique_ptr<SettingsTab> MakeSendSettingsTab(QWidget* parent) {
    return std::make_unique<CSendSettingsTab>(parent);
}

}  // namespace quillet::pages
