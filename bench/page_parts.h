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
bool PartIngestUnselected();
bool PartIngestPlain();
// A thousand concurrent clients against the server page, and against a plain thread-per-client
// server.
bool PartClientsPage();
bool PartClientsPlain();
// A thousand connections from one TCP client prompt, and from a plain connect loop.
bool PartClientPrompt();
// UDP server page and a plain recvfrom loop: share logged at 50 000/s, highest lossless rate.
bool PartUdpPage();
bool PartUdpPlain();
// Main window (or a bare window as the baseline) to its first painted frame, and idle memory.
bool PartStartup();
bool PartStartupPlain();

}  // namespace quillet::bench
