#pragma once
// A TLS choice as a workspace keeps it beside an endpoint ("options.tls"): an object with every
// field of TlsChoice but whether it is on (the object is there only when it is) and which side
// it is (the page says):
//   {"selfSigned": true, "certFile": "", "keyFile": "", "clientCert": "none" | "request" |
//    "require", "caFile": "", "verify": true, "serverName": "", "clientCertFile": "",
//    "clientKeyFile": "", "alpn": "", "minVersion": "1.2" | "1.3"}
// Passwords are never part of it. Reading refuses unknown keys and impossible values.
//
// Threads: any (QtCore only, no shared state).
#include <QJsonObject>
#include <QString>

#include <variant>

#include "pages/tls/tls_choice.h"

namespace quillet::pages {

// Why a TLS object was refused: the key (empty for the whole) and what is wrong with it.
struct TlsChoiceFault {
    QString key;
    QString what;
};

QJsonObject TlsChoiceToJson(const TlsChoice& choice);
// An enabled choice for the side `server`; keys left out keep TlsChoice's defaults.
std::variant<TlsChoice, TlsChoiceFault> TlsChoiceFromJson(const QJsonObject& object, bool server);

}  // namespace quillet::pages
