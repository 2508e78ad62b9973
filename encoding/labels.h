#pragma once
// How endpoints are named in the trees: "host:port" and "a<->b" (narrow, ASCII); an IPv6
// address goes in brackets ("[::1]:6000").
//
// Threads: any thread; pure functions.
#include <string>

namespace quillet::enc {

std::string FormatEndpoint(const std::string& host, int port);  // "192.168.1.5:6000", "[::1]:6000"
std::string JoinPair(const std::string& localLabel, const std::string& peerLabel);  // a<->b

}  // namespace quillet::enc
