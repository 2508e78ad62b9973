#pragma once
// UDP storm: ten loopback senders into one UdpEngine server socket, beside a plain recvfrom loop.

namespace quillet::bench {

// Prints the received rate and the share logged, unpaced and paced, and the highest rate
// without loss. Returns false when a round could not be set up.
bool RunUdpStorm();

}  // namespace quillet::bench
