#include "encoding/labels.h"

namespace quillet::enc {

std::string FormatEndpoint(const std::string& host, int port) {
    // A colon in the host is an IPv6 address: brackets keep the port apart from it.
    if (host.find(':') != std::string::npos)
        return "[" + host + "]:" + std::to_string(port);
    return host + ":" + std::to_string(port);
}

std::string JoinPair(const std::string& localLabel, const std::string& peerLabel) {
    return localLabel + "<->" + peerLabel;
}

}  // namespace quillet::enc
