#pragma once
// The "options" a page remembers of an endpoint it made, for a workspace.
//
// Threads: any.
#include <QJsonObject>

#include "engine/socket_options.h"
#include "pages/common/engine_names.h"
#include "pages/prompts/local_choice.h"
#include "pages/tls/tls_choice.h"

namespace quillet::pages {

// `kept` with the local address choice.
QJsonObject OptionsWith(const QJsonObject& kept, const LocalChoice& local);
// A TCP endpoint's: also the socket options and the TLS choice it was made with.
QJsonObject TcpOptionsWith(const QJsonObject& kept, const LocalChoice& local,
                           const sock::SocketOptions& socket, const TlsChoice& tls);

}  // namespace quillet::pages
