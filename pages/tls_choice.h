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
#include "pages/engine_names.h"

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

// Switches an open connection to TLS with the options of the page named `page` (whether or not
// new connections use them): once the context is made (off the window's thread, see
// tls_loader.h), `start` installs it, false when the connection is closed or already uses TLS.
// `tell` is told why when it fails (nothing when the user cancelled a key's password).
void StartTlsWithPageOptions(const char* page, bool server, QWidget* owner,
                             std::function<bool(std::shared_ptr<const tls::Context>)> start,
                             std::function<void(const QString&)> tell);

// Says for a tooltip that TLS is on ("" when off).
QString DescribeTls(const TlsChoice& choice);

}  // namespace quillet::pages
