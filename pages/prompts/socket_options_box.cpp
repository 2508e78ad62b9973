#include "pages/prompts/socket_options_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include <cstring>

#include "pages/common/app_settings.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

using sock::SocketOptions;

QString Key(const char* page) {
    return QStringLiteral("addr/%1/options").arg(QLatin1String(page));
}

QString Timing(int value) {
    return value > 0 ? QString::number(value) : QStringLiteral("-");
}

bool Reuses(const SocketOptions& options, bool server) {
    return options.reuseAddr == SocketOptions::Reuse::kDefault
               ? server
               : options.reuseAddr == SocketOptions::Reuse::kOn;
}

}  // namespace

bool OffersSocketOptions(const char* page) {
    return page && (std::strcmp(page, "tcpServer") == 0 || std::strcmp(page, "tcpClient") == 0);
}

SocketOptions LoadSocketOptions(const char* page) {
    return SocketOptions::FromText(settings::Value(Key(page)).toString().toStdString());
}

void StoreSocketOptions(const char* page, const SocketOptions& options) {
    settings::SetValue(Key(page), QString::fromStdString(options.ToText()));
}

QString DescribeOptions(const SocketOptions& options, bool server, bool perConnection) {
    QStringList parts;
    if (options.noDelay)
        parts << QStringLiteral("TCP_NODELAY");
    if (options.keepAlive && !options.keepIdle && !options.keepInterval && !options.keepCount)
        parts << SocketOptionsBox::tr("保活");
    else if (options.keepAlive)
        parts << SocketOptionsBox::tr("保活 %1/%2/%3")
                     .arg(Timing(options.keepIdle), Timing(options.keepInterval),
                          Timing(options.keepCount));
    if (!perConnection && !server && options.connectTimeout > 0)
        parts << SocketOptionsBox::tr("连接超时 %1 秒").arg(options.connectTimeout);
    if (!perConnection && !server && options.sourcePort > 0)
        parts << SocketOptionsBox::tr("源端口 %1").arg(options.sourcePort);
    if (!perConnection && server && options.v6Only)
        parts << SocketOptionsBox::tr("仅 IPv6");
    // Only a choice away from the page's usual state is worth a word.
    if (!perConnection && options.reuseAddr != SocketOptions::Reuse::kDefault &&
        Reuses(options, server) != server)
        parts << (server ? SocketOptionsBox::tr("无 SO_REUSEADDR")
                         : QStringLiteral("SO_REUSEADDR"));
    return parts.join(QStringLiteral(", "));
}

SocketOptionsBox::SocketOptionsBox(bool server, const SocketOptions& current, QComboBox* localList,
                                   QWidget* parent)
    : QGroupBox(tr("套接字选项"), parent), m_server(server) {
    setObjectName(QStringLiteral("socketOptionsBox"));
    auto* form = new QFormLayout(this);
    m_noDelay = new QCheckBox(QStringLiteral("TCP_NODELAY"), this);
    m_noDelay->setObjectName(QStringLiteral("noDelayCheck"));
    m_noDelay->setChecked(current.noDelay);
    form->addRow(m_noDelay);
    m_keepAlive = new QCheckBox(tr("保活 (SO_KEEPALIVE)"), this);
    m_keepAlive->setObjectName(QStringLiteral("keepAliveCheck"));
    m_keepAlive->setChecked(current.keepAlive);
    form->addRow(m_keepAlive);
    m_keepIdle = AddNumber(tr("空闲时间 (秒):"), "keepIdleEdit", current.keepIdle);
    m_keepInterval = AddNumber(tr("探测间隔 (秒):"), "keepIntervalEdit", current.keepInterval);
    m_keepCount = AddNumber(tr("探测次数:"), "keepCountEdit", current.keepCount);
    connect(m_keepAlive, &QCheckBox::toggled, this, &SocketOptionsBox::FollowKeepAlive);
    FollowKeepAlive();
    if (!server) {
        m_timeout = AddNumber(tr("连接超时 (秒):"), "connectTimeoutEdit", current.connectTimeout);
        m_sourcePort = AddNumber(tr("源端口:"), "sourcePortEdit", current.sourcePort);
        m_timeout->setPlaceholderText(tr("系统默认"));
        m_sourcePort->setPlaceholderText(tr("任意"));
    } else {
        m_v6Only = new QCheckBox(tr("仅 IPv6 (监听 [::] 时)"), this);
        m_v6Only->setObjectName(QStringLiteral("v6OnlyCheck"));
        m_v6Only->setChecked(current.v6Only);
        form->addRow(m_v6Only);
        auto follow = [this, localList] {
            m_v6Only->setEnabled(localList && localList->currentData().toString() == "dual");
        };
        if (localList)
            connect(localList, &QComboBox::currentIndexChanged, this, follow);
        follow();
    }
    m_reuseAddr = new QCheckBox(QStringLiteral("SO_REUSEADDR"), this);
    m_reuseAddr->setObjectName(QStringLiteral("reuseAddrCheck"));
    m_reuseAddr->setChecked(Reuses(current, server));
    form->addRow(m_reuseAddr);
}

QLineEdit* SocketOptionsBox::AddNumber(const QString& label, const char* name, int value) {
    auto* edit = new QLineEdit(value > 0 ? QString::number(value) : QString(), this);
    edit->setObjectName(QLatin1String(name));
    QString spoken = label;
    spoken.remove(QLatin1Char(':'));
    edit->setAccessibleName(spoken);
    edit->setPlaceholderText(tr("系统默认"));
    auto* caption = new QLabel(label, this);
    caption->setObjectName(QLatin1String(name) + QStringLiteral("Label"));
    caption->setBuddy(edit);
    static_cast<QFormLayout*>(layout())->addRow(caption, edit);
    return edit;
}

void SocketOptionsBox::FollowKeepAlive() {
    for (QLineEdit* edit : {m_keepIdle, m_keepInterval, m_keepCount})
        edit->setEnabled(m_keepAlive->isChecked());
}

bool SocketOptionsBox::ReadNumber(QLineEdit* edit, int low, int high, int* value) {
    const QString text = edit->text().trimmed();
    bool ok = true;
    *value = text.isEmpty() ? 0 : text.toInt(&ok);
    if (ok && (text.isEmpty() || (*value >= low && *value <= high)))
        return true;
    ui::ShowMessage(this,
                    tr("“%1”应为 %2 到 %3 的整数！").arg(edit->accessibleName()).arg(low).arg(high),
                    tr("提示"));
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool SocketOptionsBox::Check() {
    SocketOptions read;
    read.noDelay = m_noDelay->isChecked();
    read.keepAlive = m_keepAlive->isChecked();
    // Timings of a keep-alive left off are not kept, so they need no check.
    if (read.keepAlive &&
        (!ReadNumber(m_keepIdle, 1, sock::kMaxKeepIdle, &read.keepIdle) ||
         !ReadNumber(m_keepInterval, 1, sock::kMaxKeepInterval, &read.keepInterval) ||
         !ReadNumber(m_keepCount, 1, sock::kMaxKeepCount, &read.keepCount)))
        return false;
    if (m_timeout && !ReadNumber(m_timeout, 1, sock::kMaxConnectTimeout, &read.connectTimeout))
        return false;
    if (m_sourcePort && !ReadNumber(m_sourcePort, 1, 65535, &read.sourcePort))
        return false;
    read.v6Only = m_v6Only && m_v6Only->isEnabled() && m_v6Only->isChecked();
    if (m_reuseAddr->isChecked() != m_server)
        read.reuseAddr = m_server ? SocketOptions::Reuse::kOff : SocketOptions::Reuse::kOn;
    m_read = read;
    return true;
}

SocketOptions SocketOptionsBox::Options() const {
    return m_read;
}

}  // namespace quillet::pages
