#pragma once
// The six protocol pages, created in the order the tabs need them.
#include <array>

class QWidget;

namespace quillet::shell {

constexpr int kPageCount = 6;
enum PageIndex { kTcpServer = 0, kTcpClient, kUdpServer, kUdpClient, kBroadcast, kMulticast };

// Creates the pages as hidden children of `parent`: TCP server, TCP client, UDP server, UDP
// client, broadcast, multicast. The caller owns them and must delete them (their destructors
// close every socket) before the process ends.
std::array<QWidget*, kPageCount> CreatePages(QWidget* parent);

}  // namespace quillet::shell
