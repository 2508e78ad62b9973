#include "pages/workspace/workspace_doc.h"

#include <arpa/inet.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>

#include "engine/socket_options.h"
#include "pages/common/json_names.h"
#include "pages/common/engine_names.h"
#include "pages/send/sequences.h"
#include "pages/tls/tls_choice_json.h"

namespace quillet::pages {
namespace {

constexpr qint64 kMaxFileBytes = 16 << 20;
constexpr int kMaxTcpConnections = 5000;  // the TCP client prompt's limit
constexpr int kMaxUdpCount = 1000;        // the UDP client and multicast prompts' limit
constexpr qsizetype kMaxEndpoints = 10000;

constexpr std::array<const char*, kPageKinds> kPageNames = {"tcpServer", "tcpClient", "udpServer",
                                                            "udpClient", "broadcast", "multicast"};
constexpr std::array<const char*, 4> kEndings = {"lf", "crlf", "cr", "none"};
constexpr std::array<const char*, 3> kModes = {"off", "echo", "fixed"};

bool IsServer(PageKind kind) {
    return kind == PageKind::kTcpServer || kind == PageKind::kUdpServer;
}

bool IsTcp(PageKind kind) {
    return kind == PageKind::kTcpServer || kind == PageKind::kTcpClient;
}

// True when every part of a socket-options text reads back as written: a part the reader
// would drop (unknown, out of range) is a damaged file, not a choice to forget.
bool ReadableSocketOptions(const QString& text) {
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const std::string narrow = part.toStdString();
        if (sock::SocketOptions::FromText(narrow).ToText() != narrow)
            return false;
    }
    return true;
}

// The keys an endpoint of each page has besides "options".
std::vector<const char*> EndpointKeys(PageKind kind) {
    switch (kind) {
        case PageKind::kTcpServer:
        case PageKind::kUdpServer:
            return {"port"};
        case PageKind::kTcpClient:
            return {"address", "port", "count"};
        case PageKind::kUdpClient:
        case PageKind::kBroadcast:
            return {"address", "port", "localPort", "count"};
        case PageKind::kMulticast:
            return {"group", "port", "localPort", "count", "ttl", "interface", "loop"};
    }
    return {};
}

// An address text as a literal address of either family (brackets and a zone allowed).
std::optional<std::pair<int, std::array<unsigned char, 16>>> Literal(QString text) {
    if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
        text = text.mid(1, text.size() - 2);
    std::array<unsigned char, 16> bytes{};
    const QByteArray narrow = text.toLatin1();
    in_addr v4{};
    if (!text.contains(QLatin1Char(':')) && inet_aton(narrow.constData(), &v4) != 0) {
        std::memcpy(bytes.data(), &v4, sizeof v4);
        return std::pair{AF_INET, bytes};
    }
    const QByteArray bare =
        narrow.left(narrow.indexOf('%') < 0 ? narrow.size() : narrow.indexOf('%'));
    if (inet_pton(AF_INET6, bare.constData(), bytes.data()) == 1)
        return std::pair{AF_INET6, bytes};
    return std::nullopt;
}

bool IsGroup(const QString& text) {
    const auto literal = Literal(text);
    if (!literal)
        return false;
    if (literal->first == AF_INET)
        return (literal->second[0] & 0xF0) == 0xE0;
    return literal->second[0] == 0xFF;
}

// Reads one document, remembering the first fault.
class Reader {
public:
    std::optional<WorkspaceFault> fault;

    bool Fail(const QString& where, const QString& what) {
        if (!fault)
            fault = WorkspaceFault{where, what};
        return false;
    }
    bool Int(const QJsonObject& o, const char* key, const QString& at, int lowest, int highest,
             int* out) {
        const QJsonValue v = o.value(QLatin1String(key));
        const QString where = at + QLatin1Char('.') + QLatin1String(key);
        if (v.isUndefined())
            return Fail(where, WorkspaceTexts::tr("缺少此项"));
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || d != std::floor(d) || d < lowest || d > highest)
            return Fail(where,
                        WorkspaceTexts::tr("应为 %1 到 %2 之间的整数").arg(lowest).arg(highest));
        *out = static_cast<int>(d);
        return true;
    }
    bool Text(const QJsonObject& o, const char* key, const QString& at, QString* out,
              bool mayBeEmpty = false) {
        const QJsonValue v = o.value(QLatin1String(key));
        const QString where = at + QLatin1Char('.') + QLatin1String(key);
        if (!v.isString() || (!mayBeEmpty && v.toString().isEmpty()) || v.toString().size() > 255)
            return Fail(where, mayBeEmpty
                                   ? WorkspaceTexts::tr("应为文本")
                                   : WorkspaceTexts::tr("应为非空的文本（至多 255 个字符）"));
        *out = v.toString();
        return true;
    }
    bool Bool(const QJsonObject& o, const char* key, const QString& at, bool* out) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (v.isUndefined())
            return true;  // the prompt's default stays
        if (!v.isBool())
            return Fail(at + QLatin1Char('.') + QLatin1String(key),
                        WorkspaceTexts::tr("应为 true 或 false"));
        *out = v.toBool();
        return true;
    }

    // "socket" and "tls" of a TCP page's endpoint options (`where`: "...options").
    bool SocketAndTls(PageKind kind, const QString& where, const QJsonObject& options) {
        const QJsonValue socket = options.value(QLatin1String("socket"));
        const QJsonValue tls = options.value(QLatin1String("tls"));
        for (const auto& [key, value] : {std::pair{"socket", socket}, std::pair{"tls", tls}})
            if (!value.isUndefined() && !IsTcp(kind))
                return Fail(where + QLatin1Char('.') + QLatin1String(key),
                            WorkspaceTexts::tr("此页的端点没有这一项"));
        if (!socket.isUndefined() &&
            (!socket.isString() || !ReadableSocketOptions(socket.toString())))
            return Fail(where + QStringLiteral(".socket"),
                        WorkspaceTexts::tr("不是可读的套接字选项"));
        if (tls.isUndefined())
            return true;
        if (!tls.isObject())
            return Fail(where + QStringLiteral(".tls"), WorkspaceTexts::tr("应为对象"));
        const auto read = TlsChoiceFromJson(tls.toObject(), kind == PageKind::kTcpServer);
        if (const auto* why = std::get_if<TlsChoiceFault>(&read))
            return Fail(where + QStringLiteral(".tls.") + why->key, why->what);
        return true;
    }

    bool Options(const QJsonValue& v, PageKind kind, const QString& at, EndpointSpec* out) {
        const QString where = at + QStringLiteral(".options");
        if (v.isUndefined())
            return true;
        if (!v.isObject())
            return Fail(where, WorkspaceTexts::tr("应为对象"));
        out->options = v.toObject();
        if (!SocketAndTls(kind, where, out->options))
            return false;
        const QJsonValue local = out->options.value(QLatin1String("local"));
        if (local.isUndefined())
            return true;
        const QString text = local.toString();
        const bool special =
            text.isEmpty() || text == QLatin1String(IsServer(kind) ? "dual" : "auto");
        if (!local.isString() || (!special && !Literal(text)))
            return Fail(where + QStringLiteral(".local"),
                        IsServer(kind) ? WorkspaceTexts::tr("应为空、dual 或本机的一个地址")
                                       : WorkspaceTexts::tr("应为空、auto 或本机的一个地址"));
        return true;
    }

    bool Endpoint(const QJsonValue& value, PageKind kind, const QString& at, EndpointSpec* out) {
        if (!value.isObject())
            return Fail(at, WorkspaceTexts::tr("应为对象"));
        const QJsonObject o = value.toObject();
        const auto keys = EndpointKeys(kind);
        for (const QString& key : o.keys()) {
            if (key != QLatin1String("options") &&
                std::none_of(keys.begin(), keys.end(),
                             [&](const char* k) { return key == QLatin1String(k); }))
                return Fail(at + QLatin1Char('.') + key,
                            WorkspaceTexts::tr("此页的端点没有这一项"));
        }
        if (!Int(o, "port", at, 1, 65535, &out->port))
            return false;
        if (kind == PageKind::kTcpClient &&
            (!Text(o, "address", at, &out->address) ||
             !Int(o, "count", at, 1, kMaxTcpConnections, &out->count)))
            return false;
        if (kind == PageKind::kUdpClient || kind == PageKind::kBroadcast ||
            kind == PageKind::kMulticast) {
            // An empty broadcast address is the prompt's 255.255.255.255.
            if (kind != PageKind::kMulticast &&
                !Text(o, "address", at, &out->address, kind == PageKind::kBroadcast))
                return false;
            if (!Int(o, "localPort", at, 1, 65535, &out->localPort) ||
                !Int(o, "count", at, 1, kMaxUdpCount, &out->count))
                return false;
            if (out->localPort + out->count - 1 > 65535)
                return Fail(at + QStringLiteral(".count"),
                            WorkspaceTexts::tr("本地端口将超过 65535"));
        }
        if (kind == PageKind::kMulticast) {
            if (!Text(o, "group", at, &out->group))
                return false;
            if (!IsGroup(out->group))
                return Fail(at + QStringLiteral(".group"),
                            WorkspaceTexts::tr(
                                "不是组播地址（224.0.0.0 到 239.255.255.255，或 ff00::/8）"));
            if (!Int(o, "ttl", at, 0, 255, &out->ttl) || !Text(o, "interface", at, &out->iface) ||
                !Bool(o, "loop", at, &out->loop))
                return false;
        }
        return Options(o.value(QLatin1String("options")), kind, at, out);
    }

    bool AutoReply(const QJsonValue& value, const QString& at,
                   std::optional<AutoReplySpec>* result) {
        if (value.isUndefined())
            return true;
        AutoReplySpec* out = &result->emplace();
        if (!value.isObject())
            return Fail(at, WorkspaceTexts::tr("应为对象"));
        const QJsonObject o = value.toObject();
        const auto mode = IndexOf(kModes, o.value(QLatin1String("mode")));
        if (!mode)
            return Fail(at + QStringLiteral(".mode"),
                        WorkspaceTexts::tr("应为 off、echo 或 fixed"));
        out->mode = static_cast<AutoReplySpec::Mode>(*mode);
        if (!o.value(QLatin1String("text")).isUndefined() && !Text(o, "text", at, &out->text, true))
            return false;
        if (out->mode == AutoReplySpec::Mode::kFixed && out->text.isEmpty())
            return Fail(at + QStringLiteral(".text"), WorkspaceTexts::tr("固定回复不能为空"));
        return Bool(o, "hex", at, &out->hex);
    }

    bool Page(const QJsonValue& value, const QString& at, PageSpec* out) {
        if (!value.isObject())
            return Fail(at, WorkspaceTexts::tr("应为对象"));
        const QJsonObject o = value.toObject();
        const auto kind = IndexOf(kPageNames, o.value(QLatin1String("page")));
        if (!kind)
            return Fail(at + QStringLiteral(".page"), WorkspaceTexts::tr("未知的页面"));
        out->kind = static_cast<PageKind>(*kind);
        const QJsonValue list = o.value(QLatin1String("endpoints"));
        if (!list.isUndefined() && !list.isArray())
            return Fail(at + QStringLiteral(".endpoints"), WorkspaceTexts::tr("应为列表"));
        const QJsonArray endpoints = list.toArray();
        if (endpoints.size() > (IsServer(out->kind) ? 1 : kMaxEndpoints))
            return Fail(at + QStringLiteral(".endpoints"),
                        IsServer(out->kind) ? WorkspaceTexts::tr("服务器页至多有一个端点")
                                            : WorkspaceTexts::tr("端点太多"));
        for (qsizetype i = 0; i < endpoints.size(); ++i) {
            EndpointSpec spec;
            if (!Endpoint(endpoints[i], out->kind, at + QStringLiteral(".endpoints[%1]").arg(i),
                          &spec))
                return false;
            out->endpoints.push_back(std::move(spec));
        }
        if (!AutoReply(o.value(QLatin1String("autoReply")), at + QStringLiteral(".autoReply"),
                       &out->autoReply))
            return false;
        if (const QJsonValue saved = o.value(QLatin1String("savedMessages"));
            !saved.isUndefined()) {
            auto read = saved.isObject() ? SavedFromJson(saved.toObject())
                                         : std::variant<SavedMessages, SavedFault>(
                                               SavedFault{WorkspaceTexts::tr("应为对象")});
            if (auto* why = std::get_if<SavedFault>(&read))
                return Fail(at + QStringLiteral(".savedMessages"), why->what);
            out->saved = std::get<SavedMessages>(std::move(read));
        }
        out->sequences = o.value(QLatin1String("sequences"));
        if (!out->sequences.isUndefined()) {
            const auto read = SequencesFromJson(out->sequences);
            if (const auto* why = std::get_if<SequenceFault>(&read))
                return Fail(at + QStringLiteral(".sequences"), why->what);
        }
        return true;
    }

    bool SendOpts(const QJsonValue& value, std::optional<SendOptions>* out) {
        const QString at = QStringLiteral("sendOptions");
        if (value.isUndefined())
            return true;
        if (!value.isObject())
            return Fail(at, WorkspaceTexts::tr("应为对象"));
        const QJsonObject o = value.toObject();
        SendOptions options;
        const auto ending = IndexOf(kEndings, o.value(QLatin1String("lineEnding")));
        if (!ending)
            return Fail(at + QStringLiteral(".lineEnding"),
                        WorkspaceTexts::tr("应为 lf、crlf、cr 或 none"));
        options.lineEnding = static_cast<LineEnding>(*ending);
        if (!Bool(o, "keepText", at, &options.keepText))
            return false;
        *out = options;
        return true;
    }
};

QJsonObject EndpointToJson(PageKind kind, const EndpointSpec& e) {
    QJsonObject o{{QStringLiteral("port"), e.port}};
    if (kind == PageKind::kTcpClient || kind == PageKind::kUdpClient ||
        kind == PageKind::kBroadcast)
        o.insert(QStringLiteral("address"), e.address);
    if (!IsServer(kind))
        o.insert(QStringLiteral("count"), e.count);
    if (kind == PageKind::kUdpClient || kind == PageKind::kBroadcast ||
        kind == PageKind::kMulticast)
        o.insert(QStringLiteral("localPort"), e.localPort);
    if (kind == PageKind::kMulticast) {
        o.insert(QStringLiteral("group"), e.group);
        o.insert(QStringLiteral("ttl"), e.ttl);
        o.insert(QStringLiteral("interface"), e.iface);
        o.insert(QStringLiteral("loop"), e.loop);
    }
    QJsonObject options = e.options;
    if (!options.contains(QLatin1String("local")))
        options.insert(QStringLiteral("local"), QString());
    o.insert(QStringLiteral("options"), options);
    return o;
}

}  // namespace

QString PageKindName(PageKind kind) {
    return NameOf(kPageNames, static_cast<int>(kind));
}

QString WorkspaceFault::Text() const {
    return where.isEmpty() ? what : QStringLiteral("%1: %2").arg(where, what);
}

QJsonObject WorkspaceToJson(const WorkspaceDoc& doc) {
    QJsonObject root{{QStringLiteral("version"), kWorkspaceVersion}};
    if (doc.sendOptions) {
        root.insert(
            QStringLiteral("sendOptions"),
            QJsonObject{{QStringLiteral("lineEnding"),
                         QLatin1String(kEndings[static_cast<size_t>(doc.sendOptions->lineEnding)])},
                        {QStringLiteral("keepText"), doc.sendOptions->keepText}});
    }
    QJsonArray pages;
    for (const PageSpec& page : doc.pages) {
        QJsonArray endpoints;
        for (const EndpointSpec& e : page.endpoints)
            endpoints.append(EndpointToJson(page.kind, e));
        QJsonObject o{
            {QStringLiteral("page"), PageKindName(page.kind)},
            {QStringLiteral("endpoints"), endpoints},
            {QStringLiteral("savedMessages"), SavedToJson(page.saved)},
        };
        if (const auto& reply = page.autoReply) {
            o.insert(QStringLiteral("autoReply"),
                     QJsonObject{{QStringLiteral("mode"),
                                  QLatin1String(kModes[static_cast<size_t>(reply->mode)])},
                                 {QStringLiteral("text"), reply->text},
                                 {QStringLiteral("hex"), reply->hex}});
        }
        if (!page.sequences.isUndefined())
            o.insert(QStringLiteral("sequences"), page.sequences);
        pages.append(o);
    }
    root.insert(QStringLiteral("pages"), pages);
    return root;
}

QByteArray WorkspaceToBytes(const WorkspaceDoc& doc) {
    return QJsonDocument(WorkspaceToJson(doc)).toJson(QJsonDocument::Indented);
}

std::variant<WorkspaceDoc, WorkspaceFault> WorkspaceFromJson(const QJsonObject& document) {
    const QJsonValue version = document.value(QLatin1String("version"));
    if (!version.isDouble() || version.toDouble() != kWorkspaceVersion)
        return WorkspaceFault{
            QStringLiteral("version"),
            WorkspaceTexts::tr("版本未知（只认得版本 %1）").arg(kWorkspaceVersion)};
    Reader reader;
    WorkspaceDoc doc;
    const QJsonValue pages = document.value(QLatin1String("pages"));
    if (!pages.isArray())
        return WorkspaceFault{QStringLiteral("pages"), WorkspaceTexts::tr("应为列表")};
    std::set<PageKind> seen;
    const QJsonArray list = pages.toArray();
    for (qsizetype i = 0; i < list.size() && !reader.fault; ++i) {
        PageSpec page;
        const QString at = QStringLiteral("pages[%1]").arg(i);
        if (!reader.Page(list[i], at, &page))
            break;
        if (!seen.insert(page.kind).second) {
            reader.Fail(at + QStringLiteral(".page"), WorkspaceTexts::tr("此页已在前面出现"));
            break;
        }
        doc.pages.push_back(std::move(page));
    }
    if (!reader.fault)
        reader.SendOpts(document.value(QLatin1String("sendOptions")), &doc.sendOptions);
    if (reader.fault)
        return *reader.fault;
    return doc;
}

std::variant<WorkspaceDoc, WorkspaceFault> WorkspaceFromBytes(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return WorkspaceFault{{},
                              WorkspaceTexts::tr("不是有效的 JSON（第 %1 字节：%2）")
                                  .arg(error.offset)
                                  .arg(error.errorString())};
    if (!document.isObject())
        return WorkspaceFault{{}, WorkspaceTexts::tr("不是 JSON 对象")};
    return WorkspaceFromJson(document.object());
}

std::variant<WorkspaceDoc, QString> ReadWorkspaceFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return WorkspaceTexts::tr("文件不存在");
    if (!info.isFile())
        return WorkspaceTexts::tr("不是普通文件");
    if (info.size() > kMaxFileBytes)
        return WorkspaceTexts::tr("文件大于 16 MB");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    auto read = WorkspaceFromBytes(file.read(kMaxFileBytes + 1));
    if (auto* fault = std::get_if<WorkspaceFault>(&read))
        return fault->Text();
    return std::get<WorkspaceDoc>(std::move(read));
}

QString WriteWorkspaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

}  // namespace quillet::pages
