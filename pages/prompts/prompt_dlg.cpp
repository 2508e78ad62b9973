#include "pages/prompts/prompt_dlg.h"

#include <QApplication>
#include <algorithm>
#include <utility>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QRegularExpressionValidator>

#include "engine/local_address.h"
#include "engine/name_resolver.h"
#include "pages/common/app_settings.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/prompt_fit.h"
#include "pages/prompts/prompt_input.h"
#include "pages/common/recent_values.h"
#include "pages/prompts/socket_options_box.h"
#include "pages/prompts/tls_options_box.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

using ui::Du;
using ui::DuRect;

CPromptDlg::CPromptDlg(int templateId, const QString& caption, int widthDu, int heightDu,
                       const QColor& colour, QWidget* parent)
    : QDialog(parent), m_templateId(templateId) {
    setObjectName(QStringLiteral("dialog%1").arg(templateId));
    setWindowTitle(caption);
    setFixedSize(Du(widthDu), Du(heightDu));
    setFont(ui::SongFont(9));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
    setAutoFillBackground(true);
    // OK and Cancel sit at the bottom right, as in every prompt of the program.
    m_ok = new QPushButton(tr("确定"), this);
    ui::SetControlId(m_ok, kOk);
    m_ok->setGeometry(DuRect(widthDu - 124, heightDu - 24, 50, 14));
    m_ok->setDefault(true);
    m_cancel = new QPushButton(tr("取消"), this);
    ui::SetControlId(m_cancel, kCancel);
    m_cancel->setGeometry(DuRect(widthDu - 64, heightDu - 24, 50, 14));
    connect(m_ok, &QPushButton::clicked, this, &CPromptDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CPromptDlg::reject);
}

QLineEdit* CPromptDlg::Edit(int id) const {
    return findChild<QLineEdit*>(ui::ControlName(id));
}

QLineEdit* CPromptDlg::AddRow(const QString& label, int id, const QString& text, bool digitsOnly,
                              int maxLength) {
    const int y = 14 + m_rows * 22;
    auto* caption = new QLabel(label, this);
    caption->setObjectName(QStringLiteral("label%1").arg(id));
    caption->setGeometry(DuRect(14, y + 2, 52, 10));
    auto* edit = new QLineEdit(text, this);
    ui::SetControlId(edit, id);
    caption->setBuddy(edit);  // names the box to a screen reader
    if (label.isEmpty())
        edit->setAccessibleName(windowTitle());  // the caption asks for what the box takes
    edit->setGeometry(DuRect(68, y, width() * 2 / 3 - 68 - 14, 14));
    edit->setMaxLength(maxLength);
    // The box is painted on the prompt's colour, as every control of the prompt is.
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, palette().color(QPalette::Window));
    edit->setPalette(pal);
    if (digitsOnly) {
        edit->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    if (m_rows == 0)
        edit->setFocus();
    ++m_rows;
    return edit;
}

void CPromptDlg::PlaceRow(int id, const QRect& editDu) {
    constexpr int kLabelLeft = 14, kLabelGap = 3;
    if (QLineEdit* edit = Edit(id))
        edit->setGeometry(DuRect(editDu.x(), editDu.y(), editDu.width(), editDu.height()));
    if (auto* caption = findChild<QLabel*>(QStringLiteral("label%1").arg(id))) {
        caption->setGeometry(DuRect(kLabelLeft, editDu.y() + 1, editDu.x() - kLabelGap - kLabelLeft,
                                    editDu.height() - 2));
    }
}

void CPromptDlg::PlaceButtons(const QRect& okDu, const QRect& cancelDu) {
    m_ok->setGeometry(DuRect(okDu.x(), okDu.y(), okDu.width(), okDu.height()));
    m_cancel->setGeometry(DuRect(cancelDu.x(), cancelDu.y(), cancelDu.width(), cancelDu.height()));
}

void CPromptDlg::Message(const QString& text, const QString& caption) {
    if (m_tell)
        m_tell(text);
    else
        ui::ShowMessage(this, text, caption);
}

void CPromptDlg::accept() {
    if (IsLookingUp())
        return;  // OK runs again once the answer is in
    if (!OnOk()) {
        if (!IsLookingUp())
            Decided(false);
        return;
    }
    if (!m_decided)
        StoreRecentValues();
    QDialog::accept();
    Decided(true);
}

void CPromptDlg::SubmitUnseen(std::function<void(const QString&)> tell,
                              std::function<void(bool)> decided) {
    m_tell = std::move(tell);
    m_decided = std::move(decided);
    accept();
}

void CPromptDlg::Decided(bool accepted) {
    if (auto decided = std::exchange(m_decided, {}))
        decided(accepted);
}

void CPromptDlg::OfferRecentValues(const QString& page) {
    m_recentPage = page;
    for (QLineEdit* box : findChildren<QLineEdit*>())
        pages::OfferRecentValues(page, box->objectName().toInt(), box);
}

void CPromptDlg::StoreRecentValues() {
    if (m_recentPage.isEmpty())
        return;
    for (const QLineEdit* box : findChildren<QLineEdit*>())
        AddRecentValue(m_recentPage, box->objectName().toInt(), box->text());
}

void CPromptDlg::showEvent(QShowEvent* event) {
    if (!m_fitted) {
        m_fitted = true;
        FitTextsToControls(this);
    }
    QDialog::showEvent(event);
}

void CPromptDlg::reject() {
    StopLooking();
    QDialog::reject();
}

namespace {

bool Fits(const IpEndpoint& address, int family) {
    return family == AF_UNSPEC || address.Family() == family;
}

}  // namespace

std::optional<IpEndpoint> CPromptDlg::PeerOrLookUp(const std::string& narrow, int family) {
    const std::string& text = narrow;
    const ParsedAddress parsed = ParseAddress(text);
    if (parsed.form == AddressForm::kEmpty)
        return IpEndpoint::V4(INADDR_NONE, 0);
    if (parsed.form == AddressForm::kMalformed ||
        text.size() > static_cast<size_t>(kAddressBoxChars)) {
        Message(tr("Ip 地址有错!"), ui::AppTitle());
        return std::nullopt;
    }
    std::optional<IpEndpoint> found;
    if (parsed.form == AddressForm::kAddress) {
        found = parsed.address;
    } else if (!HasLookedUp(text)) {
        StartLookUp(text);
        return std::nullopt;
    } else if (m_lookedUp->second.empty()) {
        return IpEndpoint::V4(AfterLookup(text, INADDR_NONE), 0);
    } else {
        for (const IpEndpoint& address : m_lookedUp->second) {
            if (!found && Fits(address, family))
                found = address;
        }
    }
    if (!found || !Fits(*found, family)) {
        Message(WrongFamilyText(family), ui::AppTitle());
        return std::nullopt;
    }
    return found;
}

std::vector<IpEndpoint> CPromptDlg::LookedUpAddresses(const std::string& narrow, int family) const {
    std::vector<IpEndpoint> found;
    if (!HasLookedUp(narrow))
        return found;
    for (const IpEndpoint& address : m_lookedUp->second) {
        if (Fits(address, family))
            found.push_back(address);
    }
    return found;
}

QString CPromptDlg::WrongFamilyText(int family) const {
    return family == AF_INET6 ? tr("本地地址是 IPv6 地址, 对方地址也应是 IPv6 地址!")
                              : tr("本地地址是 IPv4 地址, 对方地址也应是 IPv4 地址!");
}

int CPromptDlg::PeerFamily() const {
    return m_local.FixesFamily() ? m_local.address.Family() : AF_UNSPEC;
}

void CPromptDlg::AddLocalChoice(const char* page, CLocalAddressDlg::Role role, const QRect& du) {
    m_localPage = page;
    m_localRole = role;
    m_local = LocalChoice::Load(page);
    if (OffersSocketOptions(page))
        m_options = LoadSocketOptions(page);
    m_localButton = new QPushButton(tr("高级…"), this);
    m_localButton->setObjectName(QStringLiteral("localAddressButton"));
    m_localButton->setGeometry(DuRect(du.x(), du.y(), du.width(), du.height()));
    m_localButton->setAutoDefault(false);
    ShowLocalTip();
    connect(m_localButton, &QPushButton::clicked, this, &CPromptDlg::ChooseLocal);
}

void CPromptDlg::ChooseLocal() {
    std::string host;
    TryGetLocalHostAddress(&host);
    const bool server = m_localRole == CLocalAddressDlg::Role::kServer;
    CLocalAddressDlg dlg(m_localRole, m_local, QString::fromStdString(host), this);
    SocketOptionsBox* options = nullptr;
    if (OffersSocketOptions(m_localPage)) {
        options = new SocketOptionsBox(server, m_options, dlg.List(), &dlg);
        dlg.AddBox(options, [options] { return options->Check(); });
    }
    CTlsOptionsBox* tls = AddTlsOptions(m_localPage, &dlg);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return;
    m_local = dlg.Choice();
    m_local.Store(m_localPage);
    if (options) {
        m_options = options->Options();
        StoreSocketOptions(m_localPage, m_options);
    }
    if (tls)
        tls->Choice().Store(m_localPage);
    ShowLocalTip();
}

void CPromptDlg::ShowLocalTip() {
    const bool server = m_localRole == CLocalAddressDlg::Role::kServer;
    QString tip = tr("本地地址: %1").arg(DescribeChoice(m_local, server));
    if (const QString options = DescribeOptions(m_options, server); !options.isEmpty())
        tip += QLatin1Char('\n') + options;
    m_localButton->setToolTip(tip + TlsNote(m_localPage));
}

bool CPromptDlg::HasLookedUp(const std::string& narrow) const {
    return m_lookedUp && m_lookedUp->first == narrow;
}

void CPromptDlg::StartLookUp(const std::string& name) {
    const uint64_t ticket = ++m_lastTicket;
    // The answer comes on the lookup's thread and is handed to this one; by then the prompt
    // may be gone (qApp outlives it) or may have started another lookup (the ticket).
    QPointer<CPromptDlg> self(this);
    auto done = [self, ticket, name](std::vector<IpEndpoint> looked) {
        QMetaObject::invokeMethod(
            qApp,
            [self, ticket, name, looked] {
                if (self)
                    self->EndLookUp(ticket, name, looked);
            },
            Qt::QueuedConnection);
    };
    if (!LookUpHostAllInBackground(name, std::move(done))) {
        Message(tr("系统资源不足，无法解析地址！"), tr("提示"));
        return;
    }
    m_lookupTicket = ticket;
    m_ok->setEnabled(false);
    if (!m_lookingNote) {
        m_lookingNote = new QLabel(tr("正在解析…"), this);
        m_lookingNote->setObjectName(QStringLiteral("lookingNote"));
        // Between the last row and the buttons, where every address prompt has room.
        m_lookingNote->setGeometry(Du(14), m_ok->y() - Du(12), width() - 2 * Du(14), Du(10));
    }
    m_lookingNote->show();
}

void CPromptDlg::EndLookUp(uint64_t ticket, const std::string& name,
                           std::vector<IpEndpoint> looked) {
    if (ticket != m_lookupTicket)
        return;  // cancelled, or a later lookup is under way
    StopLooking();
    m_lookedUp.emplace(name, std::move(looked));
    accept();
}

void CPromptDlg::StopLooking() {
    m_lookupTicket = 0;
    m_ok->setEnabled(true);
    if (m_lookingNote)
        m_lookingNote->hide();
}

CSetListenDlg::CSetListenDlg(const QColor& colour, QWidget* parent, const char* page)
    : CPromptDlg(kTemplateId, tr("请输入端口"), 181, 121, colour, parent) {
    // The caption asks for the port; the box stands alone.
    AddRow(QString(), kBoxPort, QString(), true);
    if (page) {
        OfferRecentValues(QString::fromLatin1(page));
        // Bottom left, beside OK and Cancel.
        AddLocalChoice(page, CLocalAddressDlg::Role::kServer, QRect(14, 121 - 24, 36, 14));
    }
}

bool CSetListenDlg::OnOk() {
    if (!ReadPort(Edit(kBoxPort)->text().toStdU16String(), &m_nPort)) {
        m_nPort = 0;
        Message(tr("输入的端口号有错！"), tr("提示"));
        return false;
    }
    return true;
}

}  // namespace quillet::pages
