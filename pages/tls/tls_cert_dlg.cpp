#include "pages/tls/tls_cert_dlg.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "pages/common/engine_names.h"
#include "pages/tls/tls_choice.h"

namespace quillet::pages {

namespace {

QString U(const std::string& s) {
    return QString::fromStdString(s);
}

QString VerifiedLine(const tls::State& s) {
    if (s.verified)
        return CTlsCertDlg::tr("已验证");
    if (s.chain.empty())
        return CTlsCertDlg::tr("对方没有出示证书");
    QString text = CTlsCertDlg::tr("未验证: %1").arg(U(s.verifyResult));
    if (s.verifyOff)
        text += CTlsCertDlg::tr(" (警告: 未验证服务器)");
    return text;
}

}  // namespace

std::shared_ptr<tls::Session> SessionOf(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    return rec ? rec->tls : nullptr;
}

QString TlsTooltipText(ConnectInfo* rec) {
    const std::shared_ptr<tls::Session> session = SessionOf(rec);
    if (!session)
        return {};
    const tls::State s = session->Snapshot();
    QString text;
    if (s.verifyOff)
        text += QLatin1Char('\n') + CTlsCertDlg::tr("警告: 未验证服务器的证书");
    if (!s.established) {
        text +=
            QLatin1Char('\n') + (s.failure == tls::Failure::kNone ? CTlsCertDlg::tr("TLS 握手中")
                                                                  : TlsFailureText(s.failure));
        return text;
    }
    text += QStringLiteral("\n%1, %2").arg(U(s.protocol), U(s.cipher));
    if (!s.alpn.empty())
        text += QStringLiteral(", ALPN %1").arg(U(s.alpn));
    if (!s.chain.empty())
        text += QLatin1Char('\n') + U(s.chain.front().subject);
    text += QLatin1Char('\n') + VerifiedLine(s);
    return text;
}

QString TlsDetailsText(const tls::State& s) {
    if (!s.established)
        return s.failure == tls::Failure::kNone ? CTlsCertDlg::tr("TLS 握手中")
                                                : TlsFailureText(s.failure);
    QStringList lines;
    lines << CTlsCertDlg::tr("协议: %1").arg(U(s.protocol));
    lines << CTlsCertDlg::tr("加密套件: %1").arg(U(s.cipher));
    lines << CTlsCertDlg::tr("ALPN: %1").arg(s.alpn.empty() ? CTlsCertDlg::tr("无") : U(s.alpn));
    lines << VerifiedLine(s);
    for (size_t i = 0; i < s.chain.size(); ++i) {
        const tls::PeerCert& c = s.chain[i];
        lines << QString();
        lines << CTlsCertDlg::tr("证书 %1").arg(i + 1);
        lines << CTlsCertDlg::tr("主题: %1").arg(U(c.subject));
        lines << CTlsCertDlg::tr("颁发者: %1").arg(U(c.issuer));
        lines << CTlsCertDlg::tr("有效期: %1 至 %2").arg(U(c.notBefore), U(c.notAfter));
        lines << QStringLiteral("SHA-256: %1").arg(U(c.sha256));
    }
    return lines.join(QLatin1Char('\n'));
}

CTlsCertDlg::CTlsCertDlg(const tls::State& state, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("tlsCertDlg"));
    setWindowTitle(tr("证书"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit(TlsDetailsText(state), this);
    text->setObjectName(QStringLiteral("tlsCertText"));
    text->setReadOnly(true);
    text->setAccessibleName(tr("证书"));
    text->setMinimumSize(520, 260);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->setObjectName(QStringLiteral("tlsCertButtons"));
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("tlsCertClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

}  // namespace quillet::pages
