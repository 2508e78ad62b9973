#include "encoding/labels.h"

namespace quillet::enc {

std::string DottedAddress(const IpEndpoint& addr) {
    return addr.AddressText();
}

std::string FormatEndpoint(const std::string& host, int port) {
    return JoinHostPort(host, port);
}

std::string FormatEndpoint(const IpEndpoint& addr) {
    return addr.Label();
}

std::string JoinPair(const std::string& localLabel, const std::string& peerLabel) {
    return localLabel + "<->" + peerLabel;
}

std::string FormatEndpointPair(const IpEndpoint& local, const IpEndpoint& peer) {
    return JoinPair(FormatEndpoint(local), FormatEndpoint(peer));
}

}  // namespace quillet::enc
