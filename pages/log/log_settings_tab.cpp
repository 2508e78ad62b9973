#include "pages/log/log_settings_tab.h"

#include <QComboBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QWidget>

#include "engine/log_limits.h"
#include "pages/common/app_settings.h"
#include "pages/common/engine_names.h"
#include "pages/log/log_settings.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// A limit in MiB, showing the value kept under `key`, within the logs' own range.
QSpinBox* MakeLimitBox(QWidget* parent, const char* name, const char* key, int highest) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(log_limits::kMinMiB, highest);
    box->setSuffix(QStringLiteral(" MiB"));
    box->setValue(StoredLogLimitMiB(key));
    return box;
}

}  // namespace

CLogSettingsTab::CLogSettingsTab(QWidget* parent) : m_page(new QWidget(parent)) {
    m_page->setObjectName(QStringLiteral("logSettingsTab"));
    auto* form = new QFormLayout(m_page);
    m_stamp = new QComboBox(m_page);
    m_stamp->setObjectName(QStringLiteral("logStampStyle"));
    m_stamp->addItems(
        {tr("北京时间（UTC+8），精确到秒"), tr("本地时间，精确到毫秒"), tr("UTC，精确到毫秒")});
    m_stamp->setCurrentIndex(settings::IntValue(QString::fromLatin1(log_keys::kStampStyle),
                                                kDefaultStampStyle, 0, kStampStyles - 1));
    form->addRow(tr("时间格式:"), m_stamp);
    m_recordLimit = MakeLimitBox(m_page, "logRecordLimit", log_keys::kRecordLimitMiB,
                                 log_limits::kMaxRecordMiB);
    form->addRow(tr("每个连接的日志上限:"), m_recordLimit);
    m_totalLimit =
        MakeLimitBox(m_page, "logTotalLimit", log_keys::kTotalLimitMiB, log_limits::kMaxTotalMiB);
    form->addRow(tr("全部日志的上限:"), m_totalLimit);
}

QString CLogSettingsTab::Title() const {
    return tr("日志");
}

bool CLogSettingsTab::Apply() {
    // A record's log can never hold more than all logs together.
    if (m_totalLimit->value() < m_recordLimit->value()) {
        ui::ShowMessage(m_page, tr("全部日志的上限不能小于每个连接的日志上限。"), tr("提示"));
        m_totalLimit->setFocus();
        return false;
    }
    settings::SetValue(QString::fromLatin1(log_keys::kStampStyle), m_stamp->currentIndex());
    settings::SetValue(QString::fromLatin1(log_keys::kRecordLimitMiB), m_recordLimit->value());
    settings::SetValue(QString::fromLatin1(log_keys::kTotalLimitMiB), m_totalLimit->value());
    return true;
}

std::unique_ptr<SettingsTab> CLogSettingsTab::Make(QWidget* parent) {
    return std::make_unique<CLogSettingsTab>(parent);
}

}  // namespace quillet::pages
