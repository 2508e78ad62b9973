#include "encoding/labels.h"

#include <arpa/inet.h>

namespace quillet::enc {

std::string DottedAddress(const sockaddr_in& addr) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &addr.sin_addr, text, sizeof text);
    return text;
}

std::string FormatEndpoint(const std::string& host, int port) {
    return host + ":" + std::to_string(port);
}

std::string FormatEndpoint(const sockaddr_in& addr) {
    return FormatEndpoint(DottedAddress(addr), ntohs(addr.sin_port));
}

std::string JoinPair(const std::string& localLabel, const std::string& peerLabel) {
    return localLabel + "<->" + peerLabel;
}

std::string FormatEndpointPair(const sockaddr_in& local, const sockaddr_in& peer) {
    return JoinPair(FormatEndpoint(local), FormatEndpoint(peer));
}

}  // namespace quillet::enc
