#pragma once
// How endpoints are named in the trees: "%s:%d" and "%s:%d<->%s:%d" (narrow, ASCII); an IPv6
// address goes in brackets ("[::1]:6000").
#include <netinet/in.h>

#include <string>

#include "engine/ip_endpoint.h"

namespace quillet::enc {

std::string DottedAddress(const IpEndpoint& addr);              // "192.168.1.5", "::1"
std::string FormatEndpoint(const IpEndpoint& addr);             // "192.168.1.5:6000"
std::string FormatEndpoint(const std::string& host, int port);  // host ":" port
std::string FormatEndpointPair(const IpEndpoint& local, const IpEndpoint& peer);
std::string JoinPair(const std::string& localLabel, const std::string& peerLabel);  // a<->b

}  // namespace quillet::enc
