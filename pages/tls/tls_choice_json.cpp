#include "pages/tls/tls_choice_json.h"

#include <array>

#include "pages/common/json_names.h"

namespace quillet::pages {
namespace {

constexpr std::array<const char*, 3> kClientCertNames = {"none", "request", "require"};
constexpr std::array<const char*, 2> kMinVersionNames = {"1.2", "1.3"};

// The text fields, by key.
struct TextField {
    const char* key;
    QString TlsChoice::*field;
};
constexpr TextField kTexts[] = {
    {"certFile", &TlsChoice::certFile},
    {"keyFile", &TlsChoice::keyFile},
    {"caFile", &TlsChoice::caFile},
    {"serverName", &TlsChoice::serverName},
    {"clientCertFile", &TlsChoice::clientCertFile},
    {"clientKeyFile", &TlsChoice::clientKeyFile},
    {"alpn", &TlsChoice::alpn},
};
struct BoolField {
    const char* key;
    bool TlsChoice::*field;
};
constexpr BoolField kBools[] = {{"selfSigned", &TlsChoice::selfSigned},
                                {"verify", &TlsChoice::verify}};

bool Known(const QString& key) {
    for (const TextField& t : kTexts)
        if (key == QLatin1String(t.key))
            return true;
    for (const BoolField& b : kBools)
        if (key == QLatin1String(b.key))
            return true;
    return key == QLatin1String("clientCert") || key == QLatin1String("minVersion");
}

}  // namespace

QJsonObject TlsChoiceToJson(const TlsChoice& choice) {
    QJsonObject o;
    for (const TextField& t : kTexts)
        o.insert(QLatin1String(t.key), choice.*t.field);
    for (const BoolField& b : kBools)
        o.insert(QLatin1String(b.key), choice.*b.field);
    o.insert(QStringLiteral("clientCert"),
             QLatin1String(kClientCertNames[static_cast<size_t>(choice.clientCert)]));
    o.insert(QStringLiteral("minVersion"),
             QLatin1String(kMinVersionNames[static_cast<size_t>(choice.minVersion)]));
    return o;
}

std::variant<TlsChoice, TlsChoiceFault> TlsChoiceFromJson(const QJsonObject& o, bool server) {
    TlsChoice choice;
    choice.enabled = true;
    choice.server = server;
    for (const QString& key : o.keys())
        if (!Known(key))
            return TlsChoiceFault{key, WorkspaceTexts::tr("TLS 选择没有这一项")};
    for (const TextField& t : kTexts) {
        const QJsonValue v = o.value(QLatin1String(t.key));
        if (v.isUndefined())
            continue;
        if (!v.isString() || v.toString().size() > 4096)
            return TlsChoiceFault{QLatin1String(t.key), WorkspaceTexts::tr("应为文本")};
        choice.*t.field = v.toString();
    }
    for (const BoolField& b : kBools) {
        const QJsonValue v = o.value(QLatin1String(b.key));
        if (v.isUndefined())
            continue;
        if (!v.isBool())
            return TlsChoiceFault{QLatin1String(b.key), WorkspaceTexts::tr("应为 true 或 false")};
        choice.*b.field = v.toBool();
    }
    if (const QJsonValue v = o.value(QLatin1String("clientCert")); !v.isUndefined()) {
        const auto mode = IndexOf(kClientCertNames, v);
        if (!mode)
            return TlsChoiceFault{QStringLiteral("clientCert"),
                                  WorkspaceTexts::tr("应为 none、request 或 require")};
        choice.clientCert = static_cast<tls::ClientCertMode>(*mode);
    }
    if (const QJsonValue v = o.value(QLatin1String("minVersion")); !v.isUndefined()) {
        const auto version = IndexOf(kMinVersionNames, v);
        if (!version)
            return TlsChoiceFault{QStringLiteral("minVersion"),
                                  WorkspaceTexts::tr("应为 1.2 或 1.3")};
        choice.minVersion = static_cast<tls::MinVersion>(*version);
    }
    return choice;
}

}  // namespace quillet::pages
