#include "pages/workspace/endpoint_options.h"

#include "pages/tls/tls_choice_json.h"
#include "pages/common/engine_names.h"

namespace quillet::pages {

QJsonObject OptionsWith(const QJsonObject& kept, const LocalChoice& local) {
    QJsonObject options = kept;
    options.insert(QStringLiteral("local"), QString::fromStdString(local.ToText()));
    return options;
}

QJsonObject TcpOptionsWith(const QJsonObject& kept, const LocalChoice& local,
                           const sock::SocketOptions& socket, const TlsChoice& tls) {
    QJsonObject options = OptionsWith(kept, local);
    options.remove(QStringLiteral("socket"));
    options.remove(QStringLiteral("tls"));
    if (!socket.IsDefault())
        options.insert(QStringLiteral("socket"), QString::fromStdString(socket.ToText()));
    if (tls.enabled)
        options.insert(QStringLiteral("tls"), TlsChoiceToJson(tls));
    return options;
}

}  // namespace quillet::pages
