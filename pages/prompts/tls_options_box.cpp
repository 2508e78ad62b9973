#include "pages/prompts/tls_options_box.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "pages/prompts/local_choice.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

// The TLS role of a page, or false when the page offers no TLS.
bool TlsRole(const char* page, bool* server) {
    if (!page)
        return false;
    const QLatin1String name(page);
    *server = name == QLatin1String("tcpServer");
    return *server || name == QLatin1String("tcpClient");
}

}  // namespace

CTlsOptionsBox* AddTlsOptions(const char* page, CLocalAddressDlg* dlg) {
    bool server = false;
    if (!TlsRole(page, &server))
        return nullptr;
    auto* box = new CTlsOptionsBox(TlsChoice::Load(page, server), dlg);
    dlg->AddBox(box, [] { return true; });
    return box;
}

QString TlsNote(const char* page) {
    bool server = false;
    if (!TlsRole(page, &server))
        return {};
    const QString text = DescribeTls(TlsChoice::Load(page, server));
    return text.isEmpty() ? QString() : QStringLiteral("\n") + text;
}

CTlsOptionsBox::CTlsOptionsBox(const TlsChoice& current, QWidget* parent)
    : QGroupBox(parent), m_server(current.server) {
    setObjectName(QStringLiteral("tlsOptionsBox"));
    auto* layout = new QVBoxLayout(this);
    m_enabled = new QCheckBox(QStringLiteral("TLS"), this);
    m_enabled->setObjectName(QStringLiteral("tlsEnabled"));
    m_enabled->setAccessibleName(QStringLiteral("TLS"));
    m_enabled->setChecked(current.enabled);
    layout->addWidget(m_enabled);
    m_options = new QWidget(this);
    m_options->setObjectName(QStringLiteral("tlsOptions"));
    new QFormLayout(m_options);
    layout->addWidget(m_options);
    if (m_server)
        BuildServer(current);
    else
        BuildClient(current);
    m_minVersion = new QComboBox(m_options);
    m_minVersion->setObjectName(QStringLiteral("tlsMinVersion"));
    m_minVersion->addItem(QStringLiteral("TLS 1.2"));
    m_minVersion->addItem(QStringLiteral("TLS 1.3"));
    m_minVersion->setCurrentIndex(static_cast<int>(current.minVersion));
    m_minVersion->setAccessibleName(tr("最低版本"));
    static_cast<QFormLayout*>(m_options->layout())->addRow(tr("最低版本:"), m_minVersion);
    connect(m_enabled, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
}

QLineEdit* CTlsOptionsBox::AddLine(const QString& label, const char* name, const QString& value) {
    auto* edit = new QLineEdit(value, m_options);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(QString(label).remove(QLatin1Char(':')));
    static_cast<QFormLayout*>(m_options->layout())->addRow(label, edit);
    return edit;
}

QLineEdit* CTlsOptionsBox::AddFile(const QString& label, const char* name, const QString& value) {
    auto* row = new QWidget(m_options);
    row->setObjectName(QLatin1String(name) + QStringLiteral("Row"));
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto* edit = new QLineEdit(value, row);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(QString(label).remove(QLatin1Char(':')));
    auto* browse = new QPushButton(tr("浏览…"), row);
    browse->setObjectName(QLatin1String(name) + QStringLiteral("Browse"));
    browse->setAutoDefault(false);
    h->addWidget(edit, 1);
    h->addWidget(browse);
    connect(browse, &QPushButton::clicked, this, [this, edit] {
        QFileDialog dlg(this, tr("选择文件"), edit->text());
        dlg.setObjectName(QStringLiteral("tlsFileDialog"));
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setFileMode(QFileDialog::ExistingFile);
        dlg.setNameFilters({tr("PEM 文件 (*.pem *.crt *.key)"), tr("所有文件 (*)")});
        if (ui::ExecModal(&dlg) == QDialog::Accepted && !dlg.selectedFiles().isEmpty())
            edit->setText(dlg.selectedFiles().first());
    });
    static_cast<QFormLayout*>(m_options->layout())->addRow(label, row);
    return edit;
}

void CTlsOptionsBox::BuildServer(const TlsChoice& c) {
    m_selfSigned = new QCheckBox(tr("自签名"), m_options);
    m_selfSigned->setObjectName(QStringLiteral("tlsSelfSigned"));
    m_selfSigned->setChecked(c.selfSigned);
    static_cast<QFormLayout*>(m_options->layout())->addRow(m_selfSigned);
    m_cert = AddFile(tr("证书文件:"), "tlsCertFile", c.certFile);
    m_key = AddFile(tr("私钥文件:"), "tlsKeyFile", c.keyFile);
    m_clientCert = new QComboBox(m_options);
    m_clientCert->setObjectName(QStringLiteral("tlsClientCertMode"));
    m_clientCert->addItems({tr("不要求"), tr("请求"), tr("必须")});
    m_clientCert->setCurrentIndex(static_cast<int>(c.clientCert));
    m_clientCert->setAccessibleName(tr("客户端证书"));
    static_cast<QFormLayout*>(m_options->layout())->addRow(tr("客户端证书:"), m_clientCert);
    m_ca = AddFile(tr("CA 文件:"), "tlsCaFile", c.caFile);
    connect(m_selfSigned, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
}

void CTlsOptionsBox::BuildClient(const TlsChoice& c) {
    m_verify = new QCheckBox(tr("验证服务器"), m_options);
    m_verify->setObjectName(QStringLiteral("tlsVerify"));
    m_verify->setChecked(c.verify);
    static_cast<QFormLayout*>(m_options->layout())->addRow(m_verify);
    m_ca = AddFile(tr("CA 文件 (空: 系统):"), "tlsCaFile", c.caFile);
    m_serverName = AddLine(tr("服务器名称 (SNI):"), "tlsServerName", c.serverName);
    m_serverName->setPlaceholderText(tr("输入的名称"));
    m_cert = AddFile(tr("客户端证书:"), "tlsCertFile", c.clientCertFile);
    m_key = AddFile(tr("客户端私钥:"), "tlsKeyFile", c.clientKeyFile);
    m_alpn = AddLine(tr("ALPN (逗号分隔):"), "tlsAlpn", c.alpn);
}

void CTlsOptionsBox::UpdateEnabled() {
    m_options->setEnabled(m_enabled->isChecked());
    if (m_selfSigned) {
        for (QLineEdit* e : {m_cert, m_key})
            e->parentWidget()->setEnabled(!m_selfSigned->isChecked());
    }
}

TlsChoice CTlsOptionsBox::Choice() const {
    TlsChoice c;
    c.server = m_server;
    c.enabled = m_enabled->isChecked();
    c.minVersion = static_cast<tls::MinVersion>(m_minVersion->currentIndex());
    c.caFile = m_ca->text().trimmed();
    if (m_server) {
        c.selfSigned = m_selfSigned->isChecked();
        c.certFile = m_cert->text().trimmed();
        c.keyFile = m_key->text().trimmed();
        c.clientCert = static_cast<tls::ClientCertMode>(m_clientCert->currentIndex());
    } else {
        c.verify = m_verify->isChecked();
        c.serverName = m_serverName->text().trimmed();
        c.clientCertFile = m_cert->text().trimmed();
        c.clientKeyFile = m_key->text().trimmed();
        c.alpn = m_alpn->text().trimmed();
    }
    return c;
}

}  // namespace quillet::pages
