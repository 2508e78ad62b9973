#pragma once
// The TLS settings of a TCP server or client page as the "高级…" dialog keeps them (settings
// "tls/<page>/..."), and the engine configuration made from them. Key passwords are asked for
// when a key needs one and never kept.
//
// Threads: user-interface thread only.
#include <QString>

#include <functional>
#include <memory>

#include "engine/tls_context.h"
#include "pages/common/engine_names.h"

class QWidget;

namespace quillet::pages {

struct TlsChoice {
    bool enabled = false;
    bool server = true;
    // Server: its certificate and key, or the self-signed pair.
    bool selfSigned = true;
    QString certFile;
    QString keyFile;
    tls::ClientCertMode clientCert = tls::ClientCertMode::kNone;
    QString caFile;  // server: checks client certificates; client: verifies the server
    // Client.
    bool verify = true;
    QString serverName;  // empty: the typed name
    QString clientCertFile;
    QString clientKeyFile;
    QString alpn;  // comma-separated
    tls::MinVersion minVersion = tls::MinVersion::kTls12;

    static TlsChoice Load(const char* page, bool server);
    void Store(const char* page) const;
};

// The failure's cause in the window's language.
QString TlsFailureText(tls::Failure failure);

// Says for a tooltip that TLS is on ("" when off).
QString DescribeTls(const TlsChoice& choice);

}  // namespace quillet::pages
