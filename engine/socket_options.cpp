#include "engine/socket_options.h"

#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <string_view>
#include <vector>

namespace quillet::engine::sock {

namespace {

OptionsResult Set(int fd, int level, int name, int value, const char* option) {
    OptionsResult result;
    if (setsockopt(fd, level, name, &value, sizeof value) != 0) {
        result.option = option;
        result.error = errno;
    }
    return result;
}

// A whole decimal number within [low, high], else 0.
int Number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return 0;
    return value;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (!text.empty()) {
        const size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        text = at == std::string_view::npos ? std::string_view() : text.substr(at + 1);
    }
    return parts;
}

void ReadKeepAlive(std::string_view timings, SocketOptions* options) {
    options->keepAlive = true;
    const std::vector<std::string_view> t = Split(timings, '/');
    if (t.size() > 0)
        options->keepIdle = Number(t[0], 1, kMaxKeepIdle);
    if (t.size() > 1)
        options->keepInterval = Number(t[1], 1, kMaxKeepInterval);
    if (t.size() > 2)
        options->keepCount = Number(t[2], 1, kMaxKeepCount);
}

void ReadPart(std::string_view part, SocketOptions* options) {
    const size_t eq = part.find('=');
    const std::string_view name = part.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? "" : part.substr(eq + 1);
    if (name == "nodelay")
        options->noDelay = true;
    else if (name == "keepalive")
        ReadKeepAlive(value, options);
    else if (name == "timeout")
        options->connectTimeout = Number(value, 1, kMaxConnectTimeout);
    else if (name == "sport")
        options->sourcePort = Number(value, 1, 65535);
    else if (name == "v6only")
        options->v6Only = true;
    else if (name == "reuse" && (value == "1" || value == "0"))
        options->reuseAddr = value == "1" ? SocketOptions::Reuse::kOn : SocketOptions::Reuse::kOff;
}

}  // namespace

std::string SocketOptions::ToText() const {
    std::vector<std::string> parts;
    if (noDelay)
        parts.push_back("nodelay");
    if (keepAlive) {
        parts.push_back("keepalive=" + std::to_string(keepIdle) + "/" +
                        std::to_string(keepInterval) + "/" + std::to_string(keepCount));
    }
    if (connectTimeout > 0)
        parts.push_back("timeout=" + std::to_string(connectTimeout));
    if (sourcePort > 0)
        parts.push_back("sport=" + std::to_string(sourcePort));
    if (v6Only)
        parts.push_back("v6only");
    if (reuseAddr != Reuse::kDefault)
        parts.push_back(reuseAddr == Reuse::kOn ? "reuse=1" : "reuse=0");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : " ") + part;
    return text;
}

SocketOptions SocketOptions::FromText(const std::string& text) {
    SocketOptions options;
    for (std::string_view part : Split(text, ' '))
        ReadPart(part, &options);
    return options;
}

OptionsResult ApplyConnectionOptions(int fd, const SocketOptions& options) {
    OptionsResult result;
    if (options.noDelay)
        result = Set(fd, IPPROTO_TCP, TCP_NODELAY, 1, "TCP_NODELAY");
    if (!options.keepAlive || !result.ok())
        return result;
    result = Set(fd, SOL_SOCKET, SO_KEEPALIVE, 1, "SO_KEEPALIVE");
    if (result.ok() && options.keepIdle > 0)
        result = Set(fd, IPPROTO_TCP, TCP_KEEPIDLE, options.keepIdle, "TCP_KEEPIDLE");
    if (result.ok() && options.keepInterval > 0)
        result = Set(fd, IPPROTO_TCP, TCP_KEEPINTVL, options.keepInterval, "TCP_KEEPINTVL");
    if (result.ok() && options.keepCount > 0)
        result = Set(fd, IPPROTO_TCP, TCP_KEEPCNT, options.keepCount, "TCP_KEEPCNT");
    return result;
}

OptionsResult ApplyListenOptions(int fd, const IpEndpoint& local, const SocketOptions& options) {
    OptionsResult result;
    // Listening again right after a stop must not wait for old connections' TIME_WAIT.
    if (options.reuseAddr != SocketOptions::Reuse::kOff)
        result = Set(fd, SOL_SOCKET, SO_REUSEADDR, 1, "SO_REUSEADDR");
    if (result.ok() && options.v6Only && local.IsV6() && local.IsWildcard())
        result = Set(fd, IPPROTO_IPV6, IPV6_V6ONLY, 1, "IPV6_V6ONLY");
    return result.ok() ? ApplyConnectionOptions(fd, options) : result;
}

OptionsResult ApplyClientOptions(int fd, const SocketOptions& options) {
    OptionsResult result;
    if (options.reuseAddr == SocketOptions::Reuse::kOn)
        result = Set(fd, SOL_SOCKET, SO_REUSEADDR, 1, "SO_REUSEADDR");
    return result.ok() ? ApplyConnectionOptions(fd, options) : result;
}

IpEndpoint SourceEndpoint(const IpEndpoint& target, const IpEndpoint& chosen,
                          const SocketOptions& options) {
    if (options.sourcePort <= 0)
        return chosen;
    IpEndpoint from = !chosen.Empty() ? chosen
                      : target.IsV6() ? IpEndpoint::AnyV6(0)
                                      : IpEndpoint::AnyV4(0);
    from.SetPort(options.sourcePort);
    return from;
}

}  // namespace quillet::engine::sock
