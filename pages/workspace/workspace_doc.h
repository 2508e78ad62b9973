#pragma once
// A workspace file: every page's endpoints as their prompts made them, the page's automatic
// reply, saved messages and sequences, and the send options. The JSON form (version 1):
//   {"version": 1,
//    "sendOptions": {"lineEnding": "lf" | "crlf" | "cr" | "none", "keepText": false},
//    "pages": [{"page": "tcpServer" | "tcpClient" | "udpServer" | "udpClient" | "broadcast"
//                       | "multicast",
//               "endpoints": [{<the prompt's values>, "options": {"local": "..."}}],
//               "autoReply": {"mode": "off" | "echo" | "fixed", "text": "...", "hex": false},
//               "savedMessages": {<saved_messages.h's document>},
//               "sequences": {<sequences.h's document>}}]}
// An endpoint holds what its page's prompt asks for: "port" (every page; the peer's or group's
// port on client pages), "address" (TCP and UDP client, broadcast), "localPort" and "count"
// (UDP client, broadcast, multicast; "count" on the TCP client too), and on the multicast page
// "group", "ttl", "interface" and "loop". Other keys of an endpoint are refused; "options" is
// open: its keys besides "local" are kept and written back, for choices this version does not
// know. On the TCP pages "options" also holds what the endpoint was made with: "socket", the
// socket options' text (engine/socket_options.h; absent for the defaults), and "tls", the TLS
// choice (tls_choice_json.h; absent when TLS is off); other pages refuse both. Reading checks the
// whole document and names the first bad entry by its path
// ("pages[2].endpoints[0].port"); a document with a fault gives nothing.
//
// Threads: any (QtCore only, no shared state).
#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>
#include <variant>
#include <vector>

#include "pages/send/auto_reply_spec.h"
#include "pages/send/saved_messages.h"
#include "pages/common/send_options.h"

namespace quillet::pages {

inline constexpr int kWorkspaceVersion = 1;

// The pages in the order the window has them.
enum class PageKind { kTcpServer, kTcpClient, kUdpServer, kUdpClient, kBroadcast, kMulticast };
inline constexpr int kPageKinds = 6;
QString PageKindName(PageKind kind);  // "tcpServer", ...

struct EndpointSpec {
    QString address;    // the peer's address or name as typed (TCP and UDP client, broadcast)
    int port = 0;       // the server's port; the peer's or the group's port
    int localPort = 0;  // UDP client, broadcast, multicast
    int count = 1;
    QString group;  // multicast: the group's address
    int ttl = 1;
    QString iface;  // multicast: the interface's address or name
    bool loop = true;
    // "local": the local address choice (LocalChoice's text), and any option keys kept as read.
    QJsonObject options;

    QString Local() const { return options.value(QLatin1String("local")).toString(); }
    QString SocketOptions() const { return options.value(QLatin1String("socket")).toString(); }
    // The TLS choice's object, there when TLS is on.
    bool HasTls() const { return options.value(QLatin1String("tls")).isObject(); }
    QJsonObject Tls() const { return options.value(QLatin1String("tls")).toObject(); }
    bool operator==(const EndpointSpec&) const = default;
};

struct PageSpec {
    PageKind kind = PageKind::kTcpServer;
    std::vector<EndpointSpec> endpoints;
    std::optional<AutoReplySpec> autoReply;  // none: the page's stays as it is
    SavedMessages saved;
    QJsonValue sequences;  // undefined: the page has none
};

struct WorkspaceDoc {
    std::optional<SendOptions> sendOptions;  // only lineEnding and keepText are kept
    std::vector<PageSpec> pages;
};

// Why a document was refused: where (a path into it, empty for the whole) and what.
struct WorkspaceFault {
    QString where;
    QString what;
    QString Text() const;  // "where: what"
};

QJsonObject WorkspaceToJson(const WorkspaceDoc& doc);
QByteArray WorkspaceToBytes(const WorkspaceDoc& doc);
std::variant<WorkspaceDoc, WorkspaceFault> WorkspaceFromJson(const QJsonObject& document);
std::variant<WorkspaceDoc, WorkspaceFault> WorkspaceFromBytes(const QByteArray& bytes);

// Reads and checks the file at `path` (at most 16 MB): the document, or the fault in one line
// (not the file's name). Waits for the disk: not on the user-interface thread.
std::variant<WorkspaceDoc, QString> ReadWorkspaceFile(const QString& path);
// Writes `bytes` whole or not at all (a temporary file, then replace); empty, else the fault.
QString WriteWorkspaceFile(const QString& path, const QByteArray& bytes);

}  // namespace quillet::pages
