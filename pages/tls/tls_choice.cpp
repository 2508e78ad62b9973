#include "pages/tls/tls_choice.h"

#include <QCoreApplication>

#include "pages/common/app_settings.h"
#include "pages/common/engine_names.h"
#include "skin/ui_kit.h"

namespace quillet::pages {

namespace {

QString Key(const char* page, const char* name) {
    return QStringLiteral("tls/%1/%2").arg(QLatin1String(page), QLatin1String(name));
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
