#pragma once
// TCP ingest: one loopback peer floods one connection of a TcpEngine, beside a plain recv loop.

namespace quillet::bench {

// Prints tcp_ingest_engine_MBps with its baseline. Returns false when bytes went missing.
bool RunTcpIngest();

// For an outside receiver (ncat): floods 127.0.0.1:port as the benchmark does and prints
// "tcp_ingest_sender_MBps value". Returns false when the receiver did not take every byte.
bool SendTcpIngestTo(int port);

}  // namespace quillet::bench
