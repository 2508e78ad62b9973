#pragma once
// How endpoints are named in the trees: "%s:%d" and "%s:%d<->%s:%d" (narrow, ASCII).
#include <netinet/in.h>

#include <string>

namespace quillet::enc {

std::string DottedAddress(const sockaddr_in& addr);
std::string FormatEndpoint(const sockaddr_in& addr);                // "192.168.1.5:6000"
std::string FormatEndpoint(const std::string& host, int port);      // host ":" port
std::string FormatEndpointPair(const sockaddr_in& local, const sockaddr_in& peer);
std::string JoinPair(const std::string& localLabel, const std::string& peerLabel);  // a<->b

}  // namespace quillet::enc
