// The real executable on a private X server: start-up, a TCP flood into its server and 10 000
// clients at once, each beside a bare Qt window program doing the same with plain sockets,
// launched the same way. Program and baseline run in turns, three rounds, medians reported.
// The window's responsiveness is measured from outside: _NET_WM_PING (bench/window_ping.h).
// Everything runs in a network namespace of its own where only loopback exists.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench/bare_window.h"
#include "bench/bench_support.h"
#include "bench/child_peers.h"
#include "bench/outside_probes.h"
#include "bench/private_network.h"
#include "bench/program_launch.h"
#include "bench/window_ping.h"
#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

constexpr int kRounds = 3;
constexpr size_t kFloodBytes = size_t{64} << 20;
constexpr int kClients = 10000;
constexpr auto kLimit = std::chrono::seconds(60);
// How long the pings go on after a load ends: the window's share of the work may trail it.
constexpr auto kSettle = std::chrono::seconds(1);

using Samples = std::map<std::string, std::vector<double>>;

// What a stop by a signal must end: the launched process, the peers' process, the folder.
volatile sig_atomic_t g_launchedPid = 0;
volatile sig_atomic_t g_peersPid = 0;
char g_folder[512];

// Only calls safe in a signal handler: each child killed and reaped, then the folder removed
// by a shell that takes this process's place.
void OnStop(int signal) {
    for (pid_t pid : {static_cast<pid_t>(g_launchedPid), static_cast<pid_t>(g_peersPid)}) {
        if (pid > 0 && kill(pid, SIGKILL) == 0)
            waitpid(pid, nullptr, 0);
    }
    const char* status = signal == SIGINT ? "130" : "143";
    if (g_folder[0])
        execl("/bin/sh", "sh", "-c", "rm -rf \"$0\"; exit \"$1\"", g_folder, status, nullptr);
    _exit(128 + signal);
}

void StopOnSignals(const std::string& folder) {
    std::snprintf(g_folder, sizeof g_folder, "%s", folder.c_str());
    struct sigaction action {};
    action.sa_handler = OnStop;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

double Ms(Clock::duration d) {
    return Seconds(d) * 1e3;
}

struct Setup {
    std::string self, program, display;
    PrivateHome* home = nullptr;
};

enum class Load { kFlood, kClients };

const char* Name(Load load) {
    return load == Load::kFlood ? "flood" : "clients";
}

// The workspace that gives the program a TCP server on `port`, bound to 127.0.0.1.
std::string WriteWorkspace(const Setup& setup, int port) {
    const std::string path = setup.home->Root() + "/workspace.json";
    std::ofstream(path) << R"({"version":1,"pages":[{"page":"tcpServer","endpoints":[{"port":)"
                        << port << R"(,"options":{"local":"127.0.0.1"}}]}]})" << '\n';
    return path;
}

void AddPing(Samples& s, const std::string& key, const PingFigures& f) {
    s[key + ".ping_p99_ms"].push_back(f.p99Ms);
    s[key + ".ping_max_ms"].push_back(f.maxMs);
}

void ShowLog(const std::string& log) {
    std::system(("tail -n 20 '" + log + "' >&2").c_str());
}

bool Flood(int port, double* mbps) {
    const int fd = quillet::test::TcpConnect(port);
    if (fd < 0)
        return false;
    timeval timeout{10, 0};  // a stalled receiver ends the flood early
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const auto t0 = Clock::now();
    const size_t sent = SendTcpFlood(fd, kFloodBytes, 4096);
    *mbps = sent / Seconds(Clock::now() - t0) / 1e6;
    close(fd);
    return sent == kFloodBytes;
}

// What a process holds: all its descriptors (cheap to count) and the sockets among them.
struct Held {
    int all = 0, sockets = 0;
};
Held HeldBy(pid_t pid) {
    return {OpenDescriptors(pid), OpenDescriptors(pid, true)};
}

// Times from the first connect and after the last until every client is accepted: the
// listener's accept queue empty and the process holding a socket for each client.
bool Arrive(ChildPeers& peers, int port, pid_t pid, const Held& before, double* fromFirst,
            double* afterLast) {
    if (before.all < 0 || !peers.Start(port, kClients))
        return false;
    g_peersPid = peers.Pid();
    Clock::time_point at{};
    const bool all = PollUntil(
        [&] {
            if (!peers.Done())
                return false;
            const auto queue = AcceptQueue(port);
            // The sockets, dearer to count, only once all descriptors are enough.
            if (!queue || *queue != 0 || OpenDescriptors(pid) < before.all + kClients ||
                OpenDescriptors(pid, true) < before.sockets + kClients)
                return false;
            at = Clock::now();
            return true;
        },
        kLimit);
    if (!all || peers.Connected() != kClients)
        return false;
    *fromFirst = Ms(at - peers.FirstConnect());
    *afterLast = Ms(at - peers.LastConnect());
    return true;
}

// All the clients leave at once: the time until the process holds none of their sockets.
bool Leave(ChildPeers& peers, pid_t pid, const Held& before, double* closedMs) {
    const auto t0 = Clock::now();
    peers.Stop();
    g_peersPid = 0;
    const bool closed = PollUntil(
        [&] {
            return OpenDescriptors(pid) <= before.all + 64 &&
                   OpenDescriptors(pid, true) <= before.sockets;
        },
        kLimit);
    *closedMs = Ms(Clock::now() - t0);
    if (!closed) {
        std::fprintf(stderr, "bench_program: %d sockets held, %d before the clients\n",
                     OpenDescriptors(pid, true), before.sockets);
    }
    return closed;
}

// 10 000 clients arrive, then leave; the window pinged through each, apart.
bool Clients(WindowPing& ping, xcb_window_t window, int port, pid_t pid, const std::string& side,
             Samples& s) {
    ChildPeers peers;
    const Held before = HeldBy(pid);
    double fromFirst = 0, afterLast = 0, closed = 0;
    ping.Start(window, kLimit + std::chrono::seconds(30));
    bool ok = Arrive(peers, port, pid, before, &fromFirst, &afterLast);
    std::this_thread::sleep_for(kSettle);
    AddPing(s, side + ".clients", ping.Stop());
    s[side + ".clients.accepted_from_first_ms"].push_back(fromFirst);
    s[side + ".clients.accepted_after_last_ms"].push_back(afterLast);
    ping.Start(window, kLimit + std::chrono::seconds(30));
    ok = Leave(peers, pid, before, &closed) && ok;
    std::this_thread::sleep_for(kSettle);
    AddPing(s, side + ".leave", ping.Stop());
    s[side + ".leave.closed_ms"].push_back(closed);
    return ok;
}

// Launches the program (or the baseline) and times its start-up; its window, or 0.
xcb_window_t Launch(const Setup& setup, bool program, Load load, int port, WindowPing& ping,
                    LaunchedProgram& launched, Samples& s) {
    const std::string side = program ? "program" : "baseline";
    std::vector<std::string> argv;
    if (program)
        argv = {setup.program, "--workspace", WriteWorkspace(setup, port)};
    else
        argv = {setup.self, "--bare-window", load == Load::kFlood ? "read" : "accept",
                std::to_string(port)};
    const std::string log = setup.home->Root() + "/" + side + ".log";
    const auto env = setup.home->Environment({"DISPLAY=" + setup.display, "QT_QPA_PLATFORM=xcb"});
    if (!launched.Start(argv, env, log))
        return 0;
    g_launchedPid = launched.Pid();
    Clock::time_point mappedAt;
    const xcb_window_t window =
        ping.WaitMapped(launched.Pid(), Clock::now() + std::chrono::seconds(30), &mappedAt);
    const auto answered =
        window ? ping.PingOnce(window, Clock::now() + std::chrono::seconds(30)) : std::nullopt;
    if (!answered) {
        std::fprintf(stderr, "bench_program: %s's window %s (its output below)\n", side.c_str(),
                     window ? "did not answer" : "was not mapped");
        ShowLog(log);
        return 0;
    }
    s[side + ".startup_mapped_ms"].push_back(Ms(mappedAt - launched.LaunchedAt()));
    s[side + ".startup_answering_ms"].push_back(Ms(*answered - launched.LaunchedAt()));
    return window;
}

// One launch: start-up, then the load with the window pinged throughout; then the end of it.
bool RunOnce(const Setup& setup, bool program, Load load, Samples& s) {
    const std::string side = program ? "program" : "baseline";
    const int port = quillet::test::FreeTcpPort();
    WindowPing ping;
    if (port <= 0 || !ping.Open(setup.display)) {
        std::fprintf(stderr, "bench_program: %s\n",
                     port <= 0 ? "no free port" : "no connection to the X server");
        return false;
    }
    LaunchedProgram launched;
    const xcb_window_t window = Launch(setup, program, load, port, ping, launched, s);
    // The server listening (the workspace opens once the window is up).
    bool ok = window != 0 &&
              PollUntil([&] { return AcceptQueue(port).has_value(); }, std::chrono::seconds(10));
    if (ok && load == Load::kFlood) {
        double mbps = 0;
        ping.Start(window, kLimit + std::chrono::seconds(30));
        ok = Flood(port, &mbps);
        std::this_thread::sleep_for(kSettle);
        AddPing(s, side + ".flood", ping.Stop());
        s[side + ".flood.MBps"].push_back(mbps);
    } else if (ok) {
        ok = Clients(ping, window, port, launched.Pid(), side, s);
    }
    // False: it had ended by itself.
    ok = launched.Stop() && ok;
    g_launchedPid = 0;
    if (!ok && window) {
        std::fprintf(stderr, "bench_program: %s, %s: failed (its output below)\n", side.c_str(),
                     Name(load));
        ShowLog(setup.home->Root() + "/" + side + ".log");
    }
    return ok;
}

void Figure(const char* name, double value, double baseline, const char* budget, bool met) {
    const double ratio = baseline > 0 ? value / baseline : 0;
    std::printf("%s %.1f  baseline %.1f  ratio %.2f  budget %s%s\n", name, value, baseline, ratio,
                budget, met ? "" : "  MISSED");
    std::fflush(stdout);
}

void PrintRounds(const Samples& s, const std::string& what) {
    const auto& p = s.at("program." + what);
    const auto& b = s.at("baseline." + what);
    std::printf("program_rounds %s:", what.c_str());
    for (size_t i = 0; i < p.size() && i < b.size(); ++i)
        std::printf("  %.1f / %.1f", p[i], b[i]);
    std::printf("  (program / baseline)\n");
}

void PrintFigures(Samples& s) {
    auto m = [&](const std::string& key) { return Median(s[key]); };
    const double up = m("program.startup_answering_ms");
    Figure("program_startup_window_mapped_ms", m("program.startup_mapped_ms"),
           m("baseline.startup_mapped_ms"), "-", true);
    Figure("program_startup_window_answering_ms", up, m("baseline.startup_answering_ms"), "<= 500",
           up <= 500);
    const double mbps = m("program.flood.MBps");
    Figure("program_tcp_flood_64MiB_MBps", mbps, m("baseline.flood.MBps"), ">= 100", mbps >= 100);
    const double accepted = m("program.clients.accepted_from_first_ms");
    const double plain = m("baseline.clients.accepted_from_first_ms");
    Figure("program_tcp_10000_clients_accepted_from_first_ms", accepted, plain, "<= 2 x baseline",
           accepted <= 2 * plain);
    Figure("program_tcp_10000_clients_accepted_after_last_ms",
           m("program.clients.accepted_after_last_ms"),
           m("baseline.clients.accepted_after_last_ms"), "-", true);
    Figure("program_tcp_10000_clients_leaving_all_closed_ms", m("program.leave.closed_ms"),
           m("baseline.leave.closed_ms"), "-", true);
    for (const char* load : {"flood", "clients", "leave"}) {
        const std::string key = std::string(".") + load + ".ping_";
        const double p99 = m("program" + key + "p99_ms");
        Figure(("program_" + std::string(load) + "_window_ping_p99_ms").c_str(), p99,
               m("baseline" + key + "p99_ms"), "<= 50", p99 <= 50);
        Figure(("program_" + std::string(load) + "_window_ping_max_ms").c_str(),
               m("program" + key + "max_ms"), m("baseline" + key + "max_ms"), "-", true);
    }
    for (const char* what : {"startup_answering_ms", "flood.MBps", "clients.accepted_from_first_ms",
                             "flood.ping_p99_ms", "clients.ping_p99_ms", "leave.ping_p99_ms"})
        PrintRounds(s, what);
}

int RunAll(const char* self) {
    const char* display = std::getenv("QUILLET_BENCH_DISPLAY");
    if (!display || !*display) {
        std::printf(
            "bench_program: skipped: no private X server (scripts/bench starts one when "
            "Xvfb is installed)\n");
        return 0;
    }
    std::string how;
    const bool pinned = EnterPrivateNetwork(&how);
    std::printf("bench_program: the program and its peers run in %s\n", how.c_str());
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        char load[128] = {};
        if (std::fgets(load, sizeof load, f))
            std::printf("bench_program: load average at the start: %s", load);
        std::fclose(f);
    }
    RaiseFileLimit();
    Setup setup;
    setup.self = self;
    const char* program = std::getenv("QUILLET_BENCH_PROGRAM");
    setup.program = program && *program ? program : QUILLET_PROGRAM_PATH;
    setup.display = display;
    PrivateHome home;
    setup.home = &home;
    if (access(setup.program.c_str(), X_OK) != 0 || !home.Ok()) {
        std::fprintf(stderr, "bench_program: no program at %s, or no temporary folder\n",
                     setup.program.c_str());
        return 1;
    }
    StopOnSignals(home.Root());
    Samples s;
    bool ok = pinned || how.find("no namespace") != std::string::npos;
    for (int round = 1; round <= kRounds && ok; ++round) {
        for (Load load : {Load::kFlood, Load::kClients}) {
            for (bool isProgram : {false, true})
                ok = RunOnce(setup, isProgram, load, s) && ok;
        }
    }
    if (!ok)
        return 1;
    PrintFigures(s);
    return 0;
}

}  // namespace
}  // namespace quillet::bench

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc == 4 && std::strcmp(argv[1], "--connect") == 0)
        return quillet::bench::RunConnector(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc >= 2 && std::strcmp(argv[1], "--bare-window") == 0)
        return quillet::bench::RunBareWindow(argc, argv);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    return quillet::bench::RunAll(self);
}
