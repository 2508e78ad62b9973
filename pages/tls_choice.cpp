#include "pages/tls_choice.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <unistd.h>

#include <algorithm>

#include "engine/local_address.h"
#include "engine/tcp_engine.h"
#include "pages/app_settings.h"
#include "pages/engine_names.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

QString Key(const char* page, const char* name) {
    return QStringLiteral("tls/%1/%2").arg(QLatin1String(page), QLatin1String(name));
}

std::string Narrow(const QString& s) {
    return QFile::encodeName(s).toStdString();
}

// Asks for the password of `keyFile`; false when cancelled.
bool AskPassword(const QString& keyFile, QWidget* parent, std::string* password) {
    QDialog dlg(parent);
    dlg.setObjectName(QStringLiteral("tlsPasswordDlg"));
    dlg.setWindowTitle(QCoreApplication::translate("quillet::pages::TlsChoice", "私钥密码"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* label =
        new QLabel(QCoreApplication::translate("quillet::pages::TlsChoice", "私钥 %1 需要密码:")
                       .arg(QFileInfo(keyFile).fileName()),
                   &dlg);
    label->setObjectName(QStringLiteral("tlsPasswordLabel"));
    layout->addWidget(label);
    auto* edit = new QLineEdit(&dlg);
    edit->setObjectName(QStringLiteral("tlsPasswordEdit"));
    edit->setEchoMode(QLineEdit::Password);
    edit->setAccessibleName(QCoreApplication::translate("quillet::pages::TlsChoice", "密码"));
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    buttons->setObjectName(QStringLiteral("tlsPasswordButtons"));
    buttons->button(QDialogButtonBox::Ok)
        ->setText(QCoreApplication::translate("quillet::pages::TlsChoice", "确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("tlsPasswordOk"));
    buttons->button(QDialogButtonBox::Cancel)
        ->setText(QCoreApplication::translate("quillet::pages::TlsChoice", "取消"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("tlsPasswordCancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (ui::ExecModal(&dlg) != QDialog::Accepted)
        return false;
    *password = edit->text().toStdString();
    edit->clear();
    return true;
}

// The self-signed pair in the configuration folder, made for this host's names and addresses.
bool SelfSigned(tls::Config* config, QString* error) {
    const QString dir = QFileInfo(settings::FilePath()).absolutePath();
    std::vector<std::string> names{"localhost"};
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) == 0 && host[0] && std::string(host) != "localhost")
        names.insert(names.begin(), host);
    std::vector<std::string> addresses{"127.0.0.1", "::1"};
    for (const HostAddress& h : ListHostAddresses()) {
        // A link-local address's zone cannot be written in a certificate.
        const std::string text = h.address.AddressText();
        if (text.find('%') == std::string::npos &&
            std::find(addresses.begin(), addresses.end(), text) == addresses.end())
            addresses.push_back(text);
    }
    std::string why;
    if (tls::EnsureSelfSigned(Narrow(dir), names, addresses, &config->certFile, &config->keyFile,
                              &why))
        return true;
    *error = QString::fromStdString(why);
    return false;
}

}  // namespace

TlsChoice TlsChoice::Load(const char* page, bool server) {
    TlsChoice c;
    c.server = server;
    c.enabled = settings::BoolValue(Key(page, "enabled"), false);
    c.selfSigned = settings::BoolValue(Key(page, "selfSigned"), true);
    c.certFile = settings::Value(Key(page, "cert")).toString();
    c.keyFile = settings::Value(Key(page, "key")).toString();
    c.clientCert =
        static_cast<tls::ClientCertMode>(settings::IntValue(Key(page, "clientCert"), 0, 0, 2));
    c.caFile = settings::Value(Key(page, "ca")).toString();
    c.verify = settings::BoolValue(Key(page, "verify"), true);
    c.serverName = settings::Value(Key(page, "serverName")).toString();
    c.clientCertFile = settings::Value(Key(page, "clientCertFile")).toString();
    c.clientKeyFile = settings::Value(Key(page, "clientKeyFile")).toString();
    c.alpn = settings::Value(Key(page, "alpn")).toString();
    c.minVersion =
        static_cast<tls::MinVersion>(settings::IntValue(Key(page, "minVersion"), 0, 0, 1));
    return c;
}

void TlsChoice::Store(const char* page) const {
    settings::SetValue(Key(page, "enabled"), enabled);
    settings::SetValue(Key(page, "selfSigned"), selfSigned);
    settings::SetValue(Key(page, "cert"), certFile);
    settings::SetValue(Key(page, "key"), keyFile);
    settings::SetValue(Key(page, "clientCert"), static_cast<int>(clientCert));
    settings::SetValue(Key(page, "ca"), caFile);
    settings::SetValue(Key(page, "verify"), verify);
    settings::SetValue(Key(page, "serverName"), serverName);
    settings::SetValue(Key(page, "clientCertFile"), clientCertFile);
    settings::SetValue(Key(page, "clientKeyFile"), clientKeyFile);
    settings::SetValue(Key(page, "alpn"), alpn);
    settings::SetValue(Key(page, "minVersion"), static_cast<int>(minVersion));
}

QString TlsFailureText(tls::Failure failure) {
    switch (failure) {
        case tls::Failure::kUnknownCa:
            return QCoreApplication::translate("quillet::pages::TlsChoice",
                                               "证书不是受信任的机构签发的 (未知 CA)");
        case tls::Failure::kNameMismatch:
            return QCoreApplication::translate("quillet::pages::TlsChoice", "证书与服务器名称不符");
        case tls::Failure::kExpired:
            return QCoreApplication::translate("quillet::pages::TlsChoice", "证书已过期或尚未生效");
        case tls::Failure::kProtocolVersion:
            return QCoreApplication::translate("quillet::pages::TlsChoice",
                                               "双方没有共同支持的协议版本");
        case tls::Failure::kNotTls:
            return QCoreApplication::translate("quillet::pages::TlsChoice", "对方不是在说 TLS");
        case tls::Failure::kTimeout:
            return QCoreApplication::translate("quillet::pages::TlsChoice", "TLS 握手超时");
        case tls::Failure::kClosed:
            return QCoreApplication::translate("quillet::pages::TlsChoice",
                                               "对方在握手中关闭了连接");
        default:
            return QCoreApplication::translate("quillet::pages::TlsChoice", "TLS 握手失败");
    }
}

std::shared_ptr<const tls::Context> MakeTlsContext(const TlsChoice& choice,
                                                   const QString& typedName, QWidget* parent,
                                                   QString* error) {
    tls::Config config;
    config.role = choice.server ? tls::Role::kServer : tls::Role::kClient;
    config.minVersion = choice.minVersion;
    config.caFile = Narrow(choice.caFile);
    for (const QString& p : choice.alpn.split(QLatin1Char(','), Qt::SkipEmptyParts))
        config.alpn.push_back(p.trimmed().toStdString());
    for (size_t i = 0; i < tls::kFailureKinds; ++i)
        config.failureTexts[i] = TlsFailureText(static_cast<tls::Failure>(i)).toStdString();
    if (choice.server) {
        config.clientCert = choice.clientCert;
        if (choice.selfSigned && !SelfSigned(&config, error))
            return nullptr;
        if (!choice.selfSigned) {
            config.certFile = Narrow(choice.certFile);
            config.keyFile = Narrow(choice.keyFile);
        }
    } else {
        config.verify = choice.verify;
        config.serverName =
            (choice.serverName.isEmpty() ? typedName : choice.serverName).trimmed().toStdString();
        config.certFile = Narrow(choice.clientCertFile);
        config.keyFile = Narrow(choice.clientKeyFile);
    }
    // Named so the user (or a workspace's summary) knows which file is gone.
    for (const std::string* file : {&config.certFile, &config.keyFile, &config.caFile}) {
        if (!file->empty() && access(file->c_str(), F_OK) != 0) {
            *error = QCoreApplication::translate("quillet::pages::TlsChoice", "找不到文件 %1")
                         .arg(QFile::decodeName(file->c_str()));
            return nullptr;
        }
    }
    if (!config.keyFile.empty() && tls::KeyNeedsPassword(config.keyFile) &&
        !AskPassword(QString::fromStdString(config.keyFile), parent, &config.keyPassword)) {
        error->clear();
        return nullptr;
    }
    std::string why;
    auto made = tls::Context::Make(std::move(config), &why);
    if (!made)
        *error = QString::fromStdString(why);
    return made;
}

bool StartTlsWithPageOptions(TcpEngine& engine, ConnectInfo* rec, const char* page, bool server,
                             QWidget* parent, const std::function<void(const QString&)>& tell) {
    TlsChoice choice = TlsChoice::Load(page, server);
    choice.enabled = true;
    QString error;
    std::shared_ptr<const tls::Context> ctx = MakeTlsContext(choice, QString(), parent, &error);
    if (ctx && engine.StartTls(rec, std::move(ctx)))
        return true;
    if (ctx || !error.isEmpty()) {
        const char* context = "quillet::pages::TlsChoice";
        tell(QCoreApplication::translate(context, "开始 TLS 失败: %1")
                 .arg(ctx ? QCoreApplication::translate(context, "连接已关闭或已在使用 TLS")
                          : error));
    }
    return false;
}

QString DescribeTls(const TlsChoice& choice) {
    if (!choice.enabled)
        return {};
    QString text = choice.minVersion == tls::MinVersion::kTls13
                       ? QCoreApplication::translate("quillet::pages::TlsChoice", "TLS 1.3")
                       : QCoreApplication::translate("quillet::pages::TlsChoice", "TLS 1.2+");
    if (!choice.server && !choice.verify)
        text += QCoreApplication::translate("quillet::pages::TlsChoice", ", 不验证服务器");
    return text;
}

}  // namespace quillet::pages
