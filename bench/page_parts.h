#pragma once
// The parts of the page benchmark. Each runs in a process of its own (so that resident memory
// and threads of one part do not colour another) and reports its values as "@key value" lines
// on standard output; bench_pages_main collects them into figures.
#include <string>

namespace quillet::bench {

// Stamps the start of the process (the first thing main does), for PartStartup.
void MarkProcessStart();
// Reports one value of a part.
void Report(const std::string& key, double value);

// TCP server page: 64 MiB into the selected connection (view live), then the same into an
// unselected one; the plain recv loop beside it.
bool PartIngestSelected();
// TLS server page: 64 MiB of TLS from one client into the selected connection, beside
// `openssl s_server` taking the same flood; 1,000 TLS handshakes from four client threads,
// beside a plain OpenSSL accept loop on one thread.
bool PartTlsFloodPage();
bool PartTlsFloodSServer();
bool PartTlsHandshakesPage();
bool PartTlsHandshakesPlain();
bool PartIngestUnselected();
bool PartIngestPlain();
// A thousand (and ten thousand) concurrent clients against the server page, and against a plain
// accept loop that starts a default std::thread per client: all accepted (each with its receive
// thread) and, for the page, all shown in the tree, timed from the first connect and after the
// last. The clients connect from a child process: RunConnector.
bool PartClientsPage();
bool PartClientsPlain();
bool PartClientsPage10k();
bool PartClientsPlain10k();
// A thousand connections from one TCP client prompt, and from a plain connect loop.
bool PartClientPrompt();
// UDP server page and a plain recvfrom loop: share logged at 50 000/s, highest lossless rate.
bool PartUdpPage();
bool PartUdpPlain();
// One datagram from each of 1 000, 10 000 and 100 000 senders: how many the UDP server page
// lists, how long after the last datagram, resident KiB per peer; a plain loop beside it.
bool PartUdpPeersPage();
bool PartUdpPeersPlain();
// 100,000 senders with accessibility on, read as a screen reader's bridge reads it.
bool PartUdpPeersAccessible();
// A burst of 5,000 new senders of 3 datagrams each: datagrams logged by the UDP server page and
// by a plain loop.
bool PartUdpBurstPage();
bool PartUdpBurstPlain();
// The TCP server page at an open-file limit of 1024 with 1,200 clients, for a minute; then the
// clients leave and new ones come.
bool PartDescriptorLimit();
// Hostile traffic for 30 s while the user deletes peers, the page closed in the middle: TCP
// peers that connect and reset at once; 65,000 UDP senders on one port.
bool PartResetStorm();
bool PartUdpSendersWhileDeleting();
// The same TCP storm until the tree holds 150,000 nodes (closed ones stay): the heartbeat.
bool PartResetStormTree();
// Selecting a connection whose log holds 1 GiB (and, as the baseline, 64 KiB): the time from
// the click to the received view's first paint.
bool PartSelectHugeLog();
// Sending from the TCP server page beside plain sockets: a repeat every millisecond (share of
// the requested sends that arrive, heartbeat), echo to 100 clients of 1000 messages each, and a
// 1 GiB file to a reading peer.
bool PartRepeatPage();
bool PartRepeatPlain();
bool PartEchoPage();
bool PartEchoPlain();
bool PartFilePage();
bool PartFilePlain();
// Lines of 100 KB, 1 MB and 10 MB from the send box to a reading peer: rate until the page
// has logged each and the window's longest stall; a plain blocking send loop beside it.
bool PartSendBoxPage();
// Logs under limits: 2 GiB into the selected connection with the default limits, and 512 MiB
// with limits above it; "HEX + 文本" and a search back to the start of a 64 MiB log (and of a
// 64 KiB one); 512 MiB recorded raw to a file, and a plain recv-to-file loop.
bool PartFloodDefaultLimits();
bool PartFloodNoLimits();
bool PartHexAndSearch();
bool PartRecordPage();
bool PartRecordPlain();
// The same with another writer on the disk during the run.
bool PartRecordBusyPage();
bool PartRecordBusyPlain();
// A sequence of 10,000 send-and-wait exchanges against a Python peer that echoes, and a plain
// blocking Python loop doing the same exchanges against the same peer: exchanges per second.
bool PartSequencePage();
bool PartSequencePlain();
// Resident memory of the UDP server page at the default log limits: 1-byte datagrams at the
// sender's full rate for QUILLET_BENCH_TINY_SECONDS (300 by default), and 2 GiB of 64 KiB ones.
bool PartTinyDatagrams();
bool PartLargeDatagrams();
// Selecting a connection with a 1 GiB log while a UDP server page receives 20,000 datagrams a
// second: sent and logged, beside the same storm with no selection.
bool PartSelectDuringUdp();
// Main window (or a bare window as the baseline) to its first painted frame, and idle memory.
bool PartStartup();
bool PartStartupPlain();

}  // namespace quillet::bench
