// Engine benchmarks: TCP ingest and UDP storms on loopback, each beside a plain socket loop.
// Usage: bench_engine                 run every figure
//        bench_engine --tcp-send PORT flood 127.0.0.1:PORT (for an outside receiver such as ncat)
//        bench_engine --free-tcp-port print a free TCP port on 127.0.0.1
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/tcp_ingest_bench.h"
#include "bench/udp_storm_bench.h"
#include "tests/common/loopback_peer.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");  // the wire encoding follows the locale, as in the program
    if (argc == 3 && std::strcmp(argv[1], "--tcp-send") == 0)
        return quillet::bench::SendTcpIngestTo(std::atoi(argv[2])) ? 0 : 1;
    if (argc == 2 && std::strcmp(argv[1], "--free-tcp-port") == 0) {
        std::printf("%d\n", quillet::test::FreeTcpPort());
        return 0;
    }
    bool ok = quillet::bench::RunTcpIngest();
    ok = quillet::bench::RunUdpStorm() && ok;
    if (!ok)
        std::fprintf(stderr, "bench_engine: some rounds lost data or failed to start\n");
    return ok ? 0 : 1;
}
