// Page benchmarks: the real pages driven offscreen through the paths a user's clicks take, each
// figure beside a plain-socket (or bare-window) baseline measured in the same run, with its
// budget. Each part runs in a child process of its own (`bench_pages --part NAME`).
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>

#include "bench/bench_support.h"
#include "bench/child_peers.h"
#include "bench/page_parts.h"
#include "engine/crit_sec.h"
#include "engine/local_address.h"
#include "engine/worker_group.h"
#include "skin/ui_kit.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

using Values = std::map<std::string, double>;

struct Part {
    const char* name;
    bool (*run)();
};
const Part kParts[] = {
    {"startup", PartStartup},
    {"startup-plain", PartStartupPlain},
    {"ingest-selected", PartIngestSelected},
    {"ingest-unselected", PartIngestUnselected},
    {"ingest-plain", PartIngestPlain},
    {"clients-page", PartClientsPage},
    {"clients-plain", PartClientsPlain},
    {"clients-page-10k", PartClientsPage10k},
    {"clients-plain-10k", PartClientsPlain10k},
    {"client-prompt", PartClientPrompt},
    {"udp-page", PartUdpPage},
    {"udp-plain", PartUdpPlain},
    {"udp-peers-page", PartUdpPeersPage},
    {"udp-peers-plain", PartUdpPeersPlain},
    {"udp-peers-a11y", PartUdpPeersAccessible},
    {"udp-burst-page", PartUdpBurstPage},
    {"udp-burst-plain", PartUdpBurstPlain},
    {"fd-limit", PartDescriptorLimit},
    {"reset-storm", PartResetStorm},
    {"udp-deleting", PartUdpSendersWhileDeleting},
    {"reset-storm-tree", PartResetStormTree},
    {"select-huge-log", PartSelectHugeLog},
    {"repeat-page", PartRepeatPage},
    {"repeat-plain", PartRepeatPlain},
    {"echo-page", PartEchoPage},
    {"echo-plain", PartEchoPlain},
    {"file-page", PartFilePage},
    {"file-plain", PartFilePlain},
    {"send-box-page", PartSendBoxPage},
    {"flood-limits", PartFloodDefaultLimits},
    {"flood-no-limits", PartFloodNoLimits},
    {"hex-search", PartHexAndSearch},
    {"record-page", PartRecordPage},
    {"record-plain", PartRecordPlain},
    {"record-busy-page", PartRecordBusyPage},
    {"record-busy-plain", PartRecordBusyPlain},
    {"select-during-udp", PartSelectDuringUdp},
    {"tiny-datagrams", PartTinyDatagrams},
    {"large-datagrams", PartLargeDatagrams},
    {"sequence-plain", PartSequencePlain},
    {"sequence-page", PartSequencePage},
    {"tls-flood-page", PartTlsFloodPage},
    {"tls-flood-sserver", PartTlsFloodSServer},
    {"tls-handshakes-page", PartTlsHandshakesPage},
    {"tls-handshakes-plain", PartTlsHandshakesPlain},
};

// Parts timed against a baseline that the machine's other work sways: each round runs the
// baseline, then the page, so that both see the same moment of the machine.
struct Interleaved {
    const char* baseline;
    const char* page;
};
const Interleaved kInterleaved[] = {{"clients-plain-10k", "clients-page-10k"},
                                    {"sequence-plain", "sequence-page"}};
constexpr int kRounds = 3;

bool IsInterleaved(const char* name) {
    for (const Interleaved& pair : kInterleaved) {
        if (std::strcmp(pair.baseline, name) == 0 || std::strcmp(pair.page, name) == 0)
            return true;
    }
    return false;
}

int RunPart(const char* name, int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // Nothing leaves loopback: the pages' own address and the adapter table are pinned.
    SetLocalHostAddressForTest("127.0.0.1");
    g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    std::vector<ui::ShownMessage> messages;
    ui::SetMessageRecorder(&messages);
    for (const Part& part : kParts) {
        if (std::strcmp(part.name, name) != 0)
            continue;
        g_csConnect.ResetWaitStats();
        // Not where threads are timed: each that ends looks at its stack once.
        WorkerGroup::MeasureStackUse(std::strncmp(name, "clients", 7) != 0);
        const bool ok = part.run();
        Report("worker_stack_kib", static_cast<double>(WorkerGroup::DeepestStackUse()) / 1024);
        // Every part: how long a worker (a receive thread, most of all) waited for the lock.
        Report("lock_wait_max_ms", static_cast<double>(g_csConnect.MaxWorkerWaitNs()) / 1e6);
        for (const auto& m : messages)
            std::fprintf(stderr, "%s: message \"%s\"\n", name, m.text.toUtf8().constData());
        return ok ? 0 : 1;
    }
    std::fprintf(stderr, "bench_pages: no part %s\n", name);
    return 2;
}

// Start-up is timed on a real X server when scripts/bench names one (QUILLET_BENCH_DISPLAY),
// from the launch of the child process, which learns the launch time from its environment.
std::string LaunchPrefix(const char* part) {
    const char* display = std::getenv("QUILLET_BENCH_DISPLAY");
    if (std::strncmp(part, "startup", 7) != 0 || !display || !*display)
        return "";
    return std::string("QT_QPA_PLATFORM=xcb DISPLAY='") + display +
           "' QUILLET_LAUNCH_TICKS=" + std::to_string(Clock::now().time_since_epoch().count()) +
           " ";
}

// Runs one part in a child process and adds its "@key value" lines to `values`.
bool Collect(const char* self, const char* part, Values& values) {
    const std::string command = LaunchPrefix(part) + "'" + self + "' --part " + part;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) {
        char key[128];
        double value = 0;
        if (std::sscanf(line, "@%127s %lf", key, &value) == 2)
            values[key] = value;
    }
    const int status = pclose(pipe);
    if (status != 0)
        std::fprintf(stderr, "bench_pages: part %s failed (%d)\n", part, status);
    return status == 0;
}

// The interleaved parts, kRounds turns each: every round's values as "part#round.key" and their
// medians as "part.key".
bool CollectInterleaved(const char* self, Values& values, const char* only = nullptr) {
    bool ok = true;
    for (const Interleaved& pair : kInterleaved) {
        if (only && std::strcmp(pair.page, only) != 0)
            continue;
        std::map<std::string, std::vector<double>> rounds;
        for (int r = 1; r <= kRounds; ++r) {
            for (const char* part : {pair.baseline, pair.page}) {
                Values one;
                ok = Collect(self, part, one) && ok;
                for (auto& [key, value] : one) {
                    rounds[std::string(part) + "." + key].push_back(value);
                    values[std::string(part) + "#" + std::to_string(r) + "." + key] = value;
                }
            }
        }
        for (auto& [key, list] : rounds)
            values[key] = Median(list);
    }
    return ok;
}

// "name value  baseline value  ratio value  budget ..." ; a missed budget is marked.
void Figure(const char* name, double value, double baseline, const char* budget, bool met) {
    const double ratio = baseline > 0 ? value / baseline : 0;
    std::printf("%s %.1f  baseline %.1f  ratio %.2f  budget %s%s\n", name, value, baseline, ratio,
                budget, met ? "" : "  MISSED");
    std::fflush(stdout);
}

// The burst of new UDP senders and the minute at the desktop's descriptor limit.
void PrintLimitFigures(Values& v) {
    const double sent = v["udp-burst-page.burst_page_sent"];
    Figure("page_udp_burst_5000_senders_x3_logged", v["udp-burst-page.burst_page_logged"], sent,
           "= sent", sent > 0 && v["udp-burst-page.burst_page_logged"] == sent);
    Figure("page_udp_burst_5000_senders_x3_plain_logged", v["udp-burst-plain.burst_plain_logged"],
           v["udp-burst-plain.burst_plain_sent"], "-", true);
    const double kept = v["fd-limit.fdlimit_kept"], refused = v["fd-limit.fdlimit_refused"];
    Figure("page_tcp_fdlimit1024_1200_clients_kept", kept, 1200, "-", true);
    Figure("page_tcp_fdlimit1024_1200_clients_kept_plus_refused", kept + refused, 1200, "= 1200",
           kept + refused == 1200);
    Figure("page_tcp_fdlimit1024_alive_after_a_minute", v["fd-limit.fdlimit_alive_after_minute"], 1,
           "= 1", v["fd-limit.fdlimit_alive_after_minute"] == 1);
    Figure("page_tcp_fdlimit1024_heartbeat_p99_ms", v["fd-limit.fdlimit_heartbeat_p99_ms"],
           v["ingest-plain.plain_p99_ms"], "<= 50", v["fd-limit.fdlimit_heartbeat_p99_ms"] <= 50);
    Figure("page_tcp_fdlimit1024_accepted_after_others_left",
           v["fd-limit.fdlimit_accepted_after_leaving"], 100, "= 100",
           v["fd-limit.fdlimit_accepted_after_leaving"] == 100);
    Figure("page_tcp_reset_storm_30s_connections_per_second",
           v["reset-storm.reset_storm_per_second"], 0, "-", true);
    Figure("page_tcp_reset_storm_heartbeat_p99_ms", v["reset-storm.reset_storm_heartbeat_p99_ms"],
           v["ingest-plain.plain_p99_ms"], "-", true);
    Figure("page_tcp_reset_storm_150000_nodes_listed", v["reset-storm-tree.tree_storm_nodes"],
           150000, "= 150000", v["reset-storm-tree.tree_storm_nodes"] >= 150000);
    Figure("page_tcp_reset_storm_150000_nodes_heartbeat_p99_ms",
           v["reset-storm-tree.tree_storm_heartbeat_p99_ms"], v["ingest-plain.plain_p99_ms"],
           "<= 50", v["reset-storm-tree.tree_storm_heartbeat_p99_ms"] <= 50);
    Figure("page_tcp_reset_storm_closed_mid_storm_survived", v["reset-storm.reset_storm_survived"],
           1, "= 1", v["reset-storm.reset_storm_survived"] == 1);
    Figure("page_udp_65000_senders_while_deleting_survived",
           v["udp-deleting.udp_deleting_survived"], 1, "= 1",
           v["udp-deleting.udp_deleting_survived"] == 1);
    Figure("page_udp_65000_senders_while_deleting_heartbeat_p99_ms",
           v["udp-deleting.udp_deleting_heartbeat_p99_ms"], v["ingest-plain.plain_p99_ms"], "-",
           true);
    Figure("page_tcp_fdlimit1024_serves_a_new_client", v["fd-limit.fdlimit_serves_new_client"], 1,
           "= 1", v["fd-limit.fdlimit_serves_new_client"] == 1);
}

void PrintSendFigures(Values& v) {
    const double repeat = v["repeat-page.repeat_pct"];
    Figure("page_tcp_repeat_1ms_arrived_pct", repeat, v["repeat-plain.repeat_pct"], ">= 90",
           repeat >= 90);
    Figure("page_tcp_repeat_1ms_heartbeat_p99_ms", v["repeat-page.repeat_p99_ms"],
           v["repeat-plain.repeat_p99_ms"], "<= 50", v["repeat-page.repeat_p99_ms"] <= 50);
    Figure("page_tcp_echo_100x1000_msgs_per_s", v["echo-page.echo_msgs_per_s"],
           v["echo-plain.echo_msgs_per_s"], "-", true);
    Figure("page_tcp_echo_100x1000_echoed_pct", v["echo-page.echo_pct"], v["echo-plain.echo_pct"],
           "= 100", v["echo-page.echo_pct"] == 100);
    const double file = v["file-page.file_MBps"];
    Figure("page_tcp_file_1GiB_MBps", file, v["file-plain.file_MBps"], ">= 50 % of baseline",
           file >= 0.5 * v["file-plain.file_MBps"]);
    Figure("page_tcp_file_1GiB_heartbeat_p99_ms", v["file-page.file_p99_ms"], 0, "<= 50",
           v["file-page.file_p99_ms"] <= 50);
    for (const char* size : {"100KB", "1MB", "10MB"}) {
        const std::string key = std::string("sendbox_") + size;
        const double rate = v["send-box-page." + key + "_MBps"];
        const double plain = v["send-box-page." + key + "_plain_MBps"];
        Figure(("page_tcp_send_box_line_" + std::string(size) + "_MBps").c_str(), rate, plain,
               ">= 50 % of baseline", rate >= 0.5 * plain);
        const double stall = v["send-box-page." + key + "_stall_ms"];
        Figure(("page_tcp_send_box_line_" + std::string(size) + "_longest_stall_ms").c_str(), stall,
               0, "<= 200", stall <= 200);
        const double p99 = v["send-box-page." + key + "_heartbeat_p99_ms"];
        Figure(("page_tcp_send_box_line_" + std::string(size) + "_heartbeat_p99_ms").c_str(), p99,
               0, "<= 50", p99 <= 50);
    }
}

// Every part: the longest wait of a worker thread for the record lock.
void PrintLockWaits(Values& v) {
    for (const auto& part : kParts) {
        if (std::strstr(part.name, "plain"))
            continue;
        const double wait = v[std::string(part.name) + ".lock_wait_max_ms"];
        Figure(("page_" + std::string(part.name) + "_receive_lock_wait_max_ms").c_str(), wait, 0,
               "<= 10", wait <= 10);
    }
}

// The deepest any worker thread touched its stack, in any measured part, beside its size.
void PrintStackUse(Values& v) {
    double deepest = 0;
    for (const auto& part : kParts)
        deepest = std::max(deepest, v[std::string(part.name) + ".worker_stack_kib"]);
    const double size = static_cast<double>(WorkerGroup::kStackBytes) / 1024;
    Figure("page_worker_thread_deepest_stack_use_KiB", deepest, size, "<= 25 % of the stack",
           deepest > 0 && deepest <= size / 4);
}

// Logs under their limits, saved and searched.
// Resident memory over the idle figure at the default limits: at most 1.25 GiB whatever the
// chunk sizes.
void PrintChunkCostFigures(Values& v) {
    constexpr double kBudgetMB = 1.25 * 1073741824 / 1e6;
    for (const char* shape : {"tiny", "large"}) {
        const std::string key = std::string(shape) + "-datagrams." + shape;
        const double over = v[key + "_over_idle_MB"];
        Figure((std::string("page_udp_") + shape + "_datagrams_resident_over_idle_MB").c_str(),
               over, v[key + "_idle_MB"], "<= 1342 (1.25 GiB)",
               v[key + "_sent"] > 0 && over <= kBudgetMB);
    }
}

void PrintLogFigures(Values& v) {
    const double limited = v["flood-limits.limited_MBps"];
    const double unlimited = v["flood-no-limits.unlimited_MBps"];
    Figure("page_tcp_flood_2GiB_default_limits_resident_peak_MB", v["flood-limits.limited_peak_MB"],
           v["flood-no-limits.unlimited_peak_MB"], "<= 400",
           v["flood-limits.limited_peak_MB"] <= 400);
    Figure("page_tcp_flood_2GiB_default_limits_MBps", limited, unlimited, ">= 60 % of baseline",
           limited >= 0.6 * unlimited);
    Figure("page_tcp_flood_2GiB_default_limits_heartbeat_p99_ms", v["flood-limits.limited_p99_ms"],
           v["flood-no-limits.unlimited_p99_ms"], "<= 50", v["flood-limits.limited_p99_ms"] <= 50);
    Figure("page_tcp_flood_2GiB_default_limits_counted_MiB",
           v["flood-limits.limited_counted"] / 1048576, v["flood-limits.limited_sent"] / 1048576,
           "= sent", v["flood-limits.limited_counted"] == v["flood-limits.limited_sent"]);
    Figure("page_log_64MiB_hex_shown_ms", v["hex-search.large_hex_ms"],
           v["hex-search.small_hex_ms"], "<= 1000", v["hex-search.large_hex_ms"] <= 1000);
    Figure("page_log_64MiB_search_to_start_shown_ms", v["hex-search.large_search_ms"],
           v["hex-search.small_search_ms"], "<= 1000",
           v["hex-search.large_found"] == 1 && v["hex-search.large_search_ms"] <= 1000);
    const double recorded = v["record-page.record_MBps"];
    const bool checked = v.count("record-page.record_bad_bytes") > 0;
    Figure("page_tcp_flood_512MiB_recorded_MBps", recorded, v["record-plain.record_plain_MBps"],
           ">= 50 % of baseline", recorded >= 0.5 * v["record-plain.record_plain_MBps"]);
    Figure("page_tcp_flood_512MiB_recorded_bad_bytes", v["record-page.record_bad_bytes"],
           v["record-plain.record_plain_bad_bytes"], "= 0",
           checked && v["record-page.record_bad_bytes"] == 0);
    // The same with another writer on the disk, beside the plain loop under that writer too.
    const double busy = v["record-busy-page.record_busy_MBps"];
    const double busyPlain = v["record-busy-plain.record_busy_plain_MBps"];
    Figure("page_tcp_flood_512MiB_recorded_busy_disk_MBps", busy, busyPlain, "-", true);
    Figure("page_tcp_flood_512MiB_recorded_busy_disk_bad_bytes",
           v["record-busy-page.record_busy_bad_bytes"],
           v["record-busy-plain.record_busy_plain_bad_bytes"], "= 0",
           v.count("record-busy-page.record_busy_bad_bytes") > 0 &&
               v["record-busy-page.record_busy_bad_bytes"] == 0);
    const double sent = v["select-during-udp.select_sent"];
    const double logged = v["select-during-udp.select_logged"];
    Figure("page_select_1GiB_log_during_udp_20k_lost", sent - logged,
           v["select-during-udp.quiet_sent"] - v["select-during-udp.quiet_logged"], "= 0",
           sent > 0 && logged == sent);
    Figure("page_select_1GiB_log_during_udp_20k_first_paint_ms",
           v["select-during-udp.select_first_paint_ms"], v["select-huge-log.small_first_paint_ms"],
           "<= 100", v["select-during-udp.select_first_paint_ms"] <= 100);
}

// Clients against the server page beside a plain accept loop with a default std::thread per
// client. The 10,000-client parts run in turns (kInterleaved): their values are medians.
void PrintClientFigures(Values& v) {
    for (const char* n : {"1000", "10000"}) {
        const bool big = std::string(n) == "10000";
        const std::string page = big ? "clients-page-10k.page_" : "clients-page.page_";
        const std::string plain = big ? "clients-plain-10k.plain_" : "clients-plain.plain_";
        const std::string name = std::string("page_tcp_") + n + "_clients_";
        if (!v.count(page + n + "_shown_ms"))
            continue;  // not run
        const double fromFirst = v[page + n + "_accepted_from_first_ms"];
        const double plainFromFirst = v[plain + n + "_accepted_from_first_ms"];
        Figure((name + "all_accepted_from_first_connect_ms").c_str(), fromFirst, plainFromFirst,
               big ? "<= 2 x baseline" : "-",
               !big || (fromFirst > 0 && fromFirst <= 2 * plainFromFirst));
        Figure((name + "all_accepted_after_last_connect_ms").c_str(),
               v[page + n + "_accepted_after_last_ms"], v[plain + n + "_accepted_after_last_ms"],
               "-", true);
        Figure((name + "all_shown_from_first_connect_ms").c_str(),
               v[page + n + "_shown_from_first_ms"], plainFromFirst, "-", true);
        const double shown = v[page + n + "_shown_ms"];
        Figure((name + "shown_after_last_connect_ms").c_str(), shown, v[plain + n + "_shown_ms"],
               "<= 2000", shown > 0 && shown <= 2000);
        Figure((name + "threads_made").c_str(), v[page + n + "_threads_made"], std::stod(n), "-",
               true);
        const double kib = v[page + n + "_kib_per_conn"];
        Figure((name + "KiB_per_idle_connection").c_str(), kib, v[plain + n + "_kib_per_conn"],
               "<= 16", kib > 0 && kib <= 16);
        Figure((name + "teardown_ms").c_str(), v[page + n + "_teardown_ms"],
               v[plain + n + "_teardown_ms"], "<= 1000", v[page + n + "_teardown_ms"] <= 1000);
    }
    // Each round beside its own baseline, to read the spread.
    for (const char* what : {"accepted_from_first", "shown_from_first", "accepted_after_last"}) {
        std::printf("page_tcp_10000_clients_%s_ms_rounds", what);
        for (int r = 1; r <= kRounds; ++r) {
            const std::string round = "#" + std::to_string(r) + ".";
            const std::string plainKey =
                std::string("plain_10000_") +
                (std::strcmp(what, "shown_from_first") == 0 ? "accepted_from_first" : what) + "_ms";
            std::printf("  %.1f/%.1f", v["clients-page-10k" + round + "page_10000_" + what + "_ms"],
                        v["clients-plain-10k" + round + plainKey]);
        }
        std::printf("  (page/baseline)\n");
    }
    std::fflush(stdout);
}

// Sequences: 10,000 send-and-wait exchanges, each round beside its own baseline (medians).
void PrintSequenceFigures(Values& v) {
    Figure("page_tcp_sequence_10000_send_and_wait_per_s",
           v["sequence-page.sequence_exchanges_per_s"],
           v["sequence-plain.sequence_exchanges_per_s"], "-",
           v["sequence-page.sequence_exchanges_per_s"] > 0);
    std::printf("page_tcp_sequence_10000_send_and_wait_per_s_rounds");
    for (int r = 1; r <= kRounds; ++r) {
        const std::string round = "#" + std::to_string(r) + ".sequence_exchanges_per_s";
        std::printf("  %.1f/%.1f", v["sequence-page" + round], v["sequence-plain" + round]);
    }
    std::printf("  (page/baseline)\n");
    std::fflush(stdout);
}

// TLS: the page beside openssl s_server and a plain OpenSSL accept loop.
void PrintTlsFigures(Values& v) {
    Figure("page_tls_flood_64MiB_selected_MBps", v["tls-flood-page.tls_flood_page_MBps"],
           v["tls-flood-sserver.tls_flood_sserver_MBps"], "-", true);
    Figure("page_tls_flood_64MiB_heartbeat_p99_ms", v["tls-flood-page.tls_flood_page_p99_ms"], 0,
           "<= 50", v["tls-flood-page.tls_flood_page_p99_ms"] <= 50);
    Figure("page_tls_1000_handshakes_per_s", v["tls-handshakes-page.tls_handshakes_page_per_s"],
           v["tls-handshakes-plain.tls_handshakes_plain_per_s"], "-", true);
    Figure("page_tls_1000_handshakes_done", v["tls-handshakes-page.tls_handshakes_page_done"],
           1000, "= 1000", v["tls-handshakes-page.tls_handshakes_page_done"] == 1000);
    // Informative: a thousand nodes come and go in about two seconds.
    Figure("page_tls_1000_handshakes_heartbeat_p99_ms",
           v["tls-handshakes-page.tls_handshakes_page_p99_ms"], 0, "-", true);
}

void PrintFigures(Values& v) {
    Figure("page_startup_first_paint_ms", v["startup.first_paint_ms"],
           v["startup-plain.first_paint_ms"], "<= 500", v["startup.first_paint_ms"] <= 500);
    Figure("page_startup_idle_MB", v["startup.idle_MB"], v["startup-plain.idle_MB"], "<= 80",
           v["startup.idle_MB"] <= 80);
    // The selected flood ends when the view shows the whole log; counting it comes earlier.
    const double mbps = v["ingest-selected.selected_view_MBps"];
    Figure("page_tcp_ingest_selected_shown_MBps", mbps, v["ingest-plain.plain_MBps"], ">= 100",
           mbps >= 100);
    Figure("page_tcp_ingest_selected_counted_MBps", v["ingest-selected.selected_MBps"],
           v["ingest-plain.plain_MBps"], "-", true);
    Figure("page_tcp_ingest_selected_counted_MiB", v["ingest-selected.selected_counted"] / 1048576,
           v["ingest-selected.selected_sent"] / 1048576, "= 64",
           v["ingest-selected.selected_counted"] == 64 << 20);
    Figure("page_tcp_ingest_heartbeat_p99_ms", v["ingest-selected.selected_p99_ms"],
           v["ingest-plain.plain_p99_ms"], "<= 50", v["ingest-selected.selected_p99_ms"] <= 50);
    Figure("page_tcp_ingest_heartbeat_max_ms", v["ingest-selected.selected_max_ms"],
           v["ingest-plain.plain_max_ms"], "(p99 only)", true);
    Figure("page_select_1GiB_log_first_paint_ms", v["select-huge-log.huge_first_paint_ms"],
           v["select-huge-log.small_first_paint_ms"], "<= 100",
           v["select-huge-log.huge_first_paint_ms"] <= 100);
    const double received = v["ingest-selected.selected_counted"];
    const double perByte =
        received > 0 ? v["ingest-selected.selected_growth_MB"] * 1e6 / received : 0;
    Figure("page_tcp_ingest_resident_bytes_per_received_byte", perByte, 1, "<= 3",
           received > 0 && perByte <= 3);
    Figure("page_tcp_ingest_unselected_MBps", v["ingest-unselected.unselected_MBps"],
           v["ingest-plain.plain_MBps"], "-", true);
    Figure("page_tcp_ingest_unselected_heartbeat_p99_ms", v["ingest-unselected.unselected_p99_ms"],
           v["ingest-plain.plain_p99_ms"], "<= 50", v["ingest-unselected.unselected_p99_ms"] <= 50);
    const double early = v["ingest-unselected.unselected_early_us"];
    const double late = v["ingest-unselected.unselected_late_us"];
    Figure("page_tcp_unselected_us_per_chunk_early", early, v["ingest-plain.plain_us"], "-", true);
    Figure("page_tcp_unselected_us_per_chunk_late_vs_early", late, early, "ratio <= 1.5",
           late <= 1.5 * early);
    PrintClientFigures(v);
    PrintSequenceFigures(v);
    Figure("page_tcp_client_prompt_1000_connected_ms", v["client-prompt.prompt_ms"],
           v["client-prompt.plain_connect_ms"], "<= 3000", v["client-prompt.prompt_ms"] <= 3000);
    Figure("page_udp_paced50k_logged_pct", v["udp-page.page_paced_pct"],
           v["udp-plain.plain_paced_pct"], ">= 99.9", v["udp-page.page_paced_pct"] >= 99.9);
    Figure("page_udp_lossless_dps", v["udp-page.page_lossless_dps"],
           v["udp-plain.plain_lossless_dps"], "-", true);
    for (const char* n : {"1000", "10000", "100000"}) {
        const std::string page = std::string("udp-peers-page.page_") + n + "_";
        const std::string plain = std::string("udp-peers-plain.plain_") + n + "_";
        const std::string name = std::string("page_udp_") + n + "_peers_";
        Figure((name + "listed").c_str(), v[page + "listed"], v[page + "sent"], "= sent",
               v[page + "sent"] > 0 && v[page + "listed"] == v[page + "sent"]);
        Figure((name + "plain_listed").c_str(), v[plain + "listed"], v[plain + "sent"], "= sent",
               v[plain + "sent"] > 0 && v[plain + "listed"] == v[plain + "sent"]);
        Figure((name + "listed_after_last_datagram_ms").c_str(), v[page + "listed_ms"],
               v[plain + "listed_ms"], "<= 10000", v[page + "listed_ms"] <= 10000);
        Figure((name + "KiB_per_peer").c_str(), v[page + "kib_per_peer"], v[plain + "kib_per_peer"],
               "<= 2", v[page + "kib_per_peer"] <= 2);
    }
    const std::string a11y = "udp-peers-a11y.a11y_100000_";
    Figure("page_udp_100000_peers_accessibility_on_listed", v[a11y + "listed"], v[a11y + "sent"],
           "= sent", v[a11y + "sent"] > 0 && v[a11y + "listed"] == v[a11y + "sent"]);
    Figure("page_udp_100000_peers_accessibility_on_listed_from_first_datagram_ms",
           v[a11y + "listed_from_first_ms"], v["udp-peers-plain.plain_100000_listed_ms"],
           "<= 10000", v[a11y + "listed_from_first_ms"] <= 10000);
    PrintSendFigures(v);
    for (const char* side : {"page", "plain"}) {
        const std::string key = std::string("udp-") + side + "." + side;
        std::printf("page_udp_lossless_%s_sender_ceiling_dps %.1f%s\n", side,
                    v[key + "_sender_ceiling_dps"],
                    v[key + "_lossless_at_ceiling"] > 0
                        ? "  (lossless at the ceiling: the receiver's own limit was not reached)"
                        : "");
    }
}

}  // namespace

void Report(const std::string& key, double value) {
    std::printf("@%s %.3f\n", key.c_str(), value);
    std::fflush(stdout);
}

}  // namespace quillet::bench

int main(int argc, char** argv) {
    quillet::bench::MarkProcessStart();
    std::setlocale(LC_ALL, "");  // the wire encoding follows the locale, as in the program
    if (argc == 4 && std::strcmp(argv[1], "--connect") == 0)
        return quillet::bench::RunConnector(std::atoi(argv[2]), std::atoi(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "--part") == 0)
        return quillet::bench::RunPart(argv[2], argc, argv);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    quillet::bench::Values values;
    // `bench_pages --clients`: only the interleaved client parts and their figures.
    if (argc == 2 && std::strcmp(argv[1], "--clients") == 0) {
        const bool ok = quillet::bench::CollectInterleaved(self, values, "clients-page-10k");
        quillet::bench::PrintClientFigures(values);
        return ok ? 0 : 1;
    }
    // `bench_pages --sequences`: only the interleaved sequence parts and their figure.
    if (argc == 2 && std::strcmp(argv[1], "--sequences") == 0) {
        const bool ok = quillet::bench::CollectInterleaved(self, values, "sequence-page");
        quillet::bench::PrintSequenceFigures(values);
        return ok ? 0 : 1;
    }
    // `bench_pages --tls`: only the TLS parts and their figures.
    if (argc == 2 && std::strcmp(argv[1], "--tls") == 0) {
        bool ok = true;
        for (const auto& part : quillet::bench::kParts) {
            if (std::strncmp(part.name, "tls-", 4) != 0)
                continue;
            quillet::bench::Values one;
            ok = quillet::bench::Collect(self, part.name, one) && ok;
            for (auto& [key, value] : one)
                values[std::string(part.name) + "." + key] = value;
        }
        quillet::bench::PrintTlsFigures(values);
        return ok ? 0 : 1;
    }
    bool ok = quillet::bench::CollectInterleaved(self, values);
    for (const auto& part : quillet::bench::kParts) {
        if (quillet::bench::IsInterleaved(part.name))
            continue;
        quillet::bench::Values one;
        ok = quillet::bench::Collect(self, part.name, one) && ok;
        for (auto& [key, value] : one)
            values[std::string(part.name) + "." + key] = value;
    }
    quillet::bench::PrintFigures(values);
    quillet::bench::PrintLimitFigures(values);
    quillet::bench::PrintLogFigures(values);
    quillet::bench::PrintChunkCostFigures(values);
    quillet::bench::PrintTlsFigures(values);
    quillet::bench::PrintLockWaits(values);
    quillet::bench::PrintStackUse(values);
    return ok ? 0 : 1;
}
