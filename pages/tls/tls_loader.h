#pragma once
// Makes a TLS context from a page's choice without blocking the window: the certificate, key
// and CA files are read (and the self-signed pair made) on a thread of their own, so a file on
// a slow disk or a FIFO leaves the page responsive. A key's password is still asked for on the
// window's thread, between reading the key and making the context.
//
// Threads: call LoadTlsContext on the window's thread; `done` runs there too. TlsLoadsRunning
// may be called from any thread.
#include <QString>

#include <functional>
#include <memory>

#include "engine/tls_context.h"
#include "pages/common/engine_names.h"

class QWidget;

namespace quillet::pages {

struct TlsChoice;

// A context made for a page's endpoints, or why none was (empty: the user cancelled a key's
// password).
struct TlsMade {
    std::shared_ptr<const tls::Context> context;
    QString error;
};

// The context, or null and why not (an empty `error`: the user cancelled a key's password).
using TlsReady = std::function<void(std::shared_ptr<const tls::Context> context, QString error)>;

// Makes the context of `choice` (`typedName`: the client's default server name) and hands it to
// `done`, later, never from inside this call. `done` is dropped uncalled if `owner` goes first.
void LoadTlsContext(const TlsChoice& choice, const QString& typedName, QWidget* owner,
                    TlsReady done);

// Switches an open connection to TLS with the options of the page named `page` (whether or not
// new connections use them): once the context is made (off the window's thread, as above),
// `start` installs it, false when the connection is closed or already uses TLS.
// `tell` is told why when it fails (nothing when the user cancelled a key's password).
void StartTlsWithPageOptions(const char* page, bool server, QWidget* owner,
                             std::function<bool(std::shared_ptr<const tls::Context>)> start,
                             std::function<void(const QString&)> tell);

// How many loads have a thread still running (tests wait for none).
int TlsLoadsRunning();

}  // namespace quillet::pages
