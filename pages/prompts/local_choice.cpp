#include "pages/prompts/local_choice.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "encoding/labels.h"
#include "engine/local_address.h"
#include "pages/common/app_settings.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

namespace {

constexpr char kDual[] = "dual";
constexpr char kAuto[] = "auto";

QString Key(const char* page) {
    return QStringLiteral("addr/%1/local").arg(QLatin1String(page));
}

}  // namespace

LocalChoice LocalChoice::FromText(const std::string& text) {
    LocalChoice choice;
    if (text == kDual) {
        choice.kind = Kind::kDualStack;
    } else if (text == kAuto) {
        choice.kind = Kind::kAutomatic;
    } else if (const ParsedAddress parsed = ParseAddress(text);
               parsed.form == AddressForm::kAddress && !parsed.address.IsWildcard()) {
        choice.kind = Kind::kAddress;
        choice.address = parsed.address;
    }
    return choice;
}

std::string LocalChoice::ToText() const {
    switch (kind) {
        case Kind::kDualStack:
            return kDual;
        case Kind::kAutomatic:
            return kAuto;
        case Kind::kAddress:
            return address.AddressText();
        default:
            return {};
    }
}

LocalChoice LocalChoice::Load(const char* page) {
    return FromText(settings::Value(Key(page)).toString().toStdString());
}

void LocalChoice::Store(const char* page) const {
    settings::SetValue(Key(page), QString::fromStdString(ToText()));
}

IpEndpoint ServerEndpoint(const LocalChoice& choice, int port) {
    IpEndpoint at = choice.kind == LocalChoice::Kind::kDualStack ? IpEndpoint::AnyV6(port)
                    : choice.kind == LocalChoice::Kind::kAddress ? choice.address
                                                                 : IpEndpoint::AnyV4(port);
    at.SetPort(port);
    return at;
}

std::string ServerRootText(const LocalChoice& choice, const std::string& host, int port) {
    if (choice.kind != LocalChoice::Kind::kDualStack && choice.kind != LocalChoice::Kind::kAddress)
        return enc::FormatEndpoint(host, port);
    return ServerEndpoint(choice, port).Label();
}

QString DescribeChoice(const LocalChoice& choice, bool server) {
    switch (choice.kind) {
        case LocalChoice::Kind::kDualStack:
            return QStringLiteral("[::]");
        case LocalChoice::Kind::kAutomatic:
            return CLocalAddressDlg::tr("自动");
        case LocalChoice::Kind::kAddress:
            return QString::fromStdString(choice.address.AddressText());
        default:
            return server ? QStringLiteral("0.0.0.0") : CLocalAddressDlg::tr("本机地址");
    }
}

CLocalAddressDlg::CLocalAddressDlg(Role role, const LocalChoice& current,
                                   const QString& hostAddress, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("localAddressDlg"));
    setWindowTitle(tr("本地地址"));
    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(tr("本地地址:"), this);
    caption->setObjectName(QStringLiteral("localAddressLabel"));
    layout->addWidget(caption);
    m_list = new QComboBox(this);
    m_list->setObjectName(QStringLiteral("localAddressList"));
    layout->addWidget(m_list);
    if (role == Role::kServer) {
        m_list->addItem(tr("所有 IPv4 地址 (0.0.0.0)"), QString());
        m_list->addItem(tr("所有地址, IPv4 和 IPv6 (双栈)"), QString::fromLatin1(kDual));
    } else {
        m_list->addItem(tr("本机地址 (%1)").arg(hostAddress), QString());
        m_list->addItem(tr("自动 (按路由表选择)"), QString::fromLatin1(kAuto));
    }
    for (const HostAddress& h : ListHostAddresses()) {
        const QString text = QString::fromStdString(h.address.AddressText());
        m_list->addItem(QStringLiteral("%1  (%2)").arg(text, QString::fromStdString(h.iface)),
                        text);
    }
    const QString stored = QString::fromStdString(current.ToText());
    if (int at = m_list->findData(stored); at >= 0) {
        m_list->setCurrentIndex(at);
    } else if (!stored.isEmpty()) {
        // An address the host no longer lists stays choosable as it was.
        m_list->addItem(stored, stored);
        m_list->setCurrentIndex(m_list->count() - 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("localAddressButtons"));
    buttons->button(QDialogButtonBox::Ok)->setText(tr("确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("localAddressOk"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("取消"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("localAddressCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CLocalAddressDlg::AddBox(QWidget* box, std::function<bool()> check) {
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->insertWidget(column->count() - 1, box);  // above OK and Cancel
    m_checks.push_back(std::move(check));
}

void CLocalAddressDlg::accept() {
    for (const auto& check : m_checks) {
        if (!check())
            return;
    }
    QDialog::accept();
}

LocalChoice CLocalAddressDlg::Choice() const {
    return LocalChoice::FromText(m_list->currentData().toString().toStdString());
}

}  // namespace quillet::pages
