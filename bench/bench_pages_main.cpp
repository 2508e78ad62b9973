// Page benchmarks: the real pages driven offscreen through the paths a user's clicks take, each
// figure beside a plain-socket (or bare-window) baseline measured in the same run, with its
// budget. Each part runs in a child process of its own (`bench_pages --part NAME`).
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include <unistd.h>

#include <QApplication>

#include "bench/bench_support.h"
#include "bench/page_parts.h"
#include "engine/local_address.h"
#include "skin/ui_kit.h"

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
    {"client-prompt", PartClientPrompt},
    {"udp-page", PartUdpPage},
    {"udp-plain", PartUdpPlain},
};

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
        const bool ok = part.run();
        for (const auto& m : messages)
            std::fprintf(stderr, "%s: message \"%s\"\n", name, m.text.toUtf8().constData());
        return ok ? 0 : 1;
    }
    std::fprintf(stderr, "bench_pages: no part %s\n", name);
    return 2;
}

// Runs one part in a child process and adds its "@key value" lines to `values`.
bool Collect(const char* self, const char* part, Values& values) {
    const std::string command = std::string("'") + self + "' --part " + part;
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

// "name value  baseline value  ratio value  budget ..." ; a missed budget is marked.
void Figure(const char* name, double value, double baseline, const char* budget, bool met) {
    const double ratio = baseline > 0 ? value / baseline : 0;
    std::printf("%s %.1f  baseline %.1f  ratio %.2f  budget %s%s\n", name, value, baseline, ratio,
                budget, met ? "" : "  MISSED");
    std::fflush(stdout);
}

void PrintFigures(Values& v) {
    Figure("page_startup_first_paint_ms", v["startup.first_paint_ms"],
           v["startup-plain.first_paint_ms"], "<= 500", v["startup.first_paint_ms"] <= 500);
    Figure("page_startup_idle_MB", v["startup.idle_MB"], v["startup-plain.idle_MB"], "<= 80",
           v["startup.idle_MB"] <= 80);
    const double mbps = v["ingest-selected.selected_MBps"];
    Figure("page_tcp_ingest_selected_MBps", mbps, v["ingest-plain.plain_MBps"], ">= 100",
           mbps >= 100);
    Figure("page_tcp_ingest_selected_view_caught_up_MBps", v["ingest-selected.selected_view_MBps"],
           v["ingest-plain.plain_MBps"], "-", true);
    Figure("page_tcp_ingest_selected_counted_MiB", v["ingest-selected.selected_counted"] / 1048576,
           v["ingest-selected.selected_sent"] / 1048576, "= 64",
           v["ingest-selected.selected_counted"] == 64 << 20);
    Figure("page_tcp_ingest_heartbeat_p99_ms", v["ingest-selected.selected_p99_ms"],
           v["ingest-plain.plain_p99_ms"], "<= 50", v["ingest-selected.selected_p99_ms"] <= 50);
    Figure("page_tcp_ingest_heartbeat_max_ms", v["ingest-selected.selected_max_ms"],
           v["ingest-plain.plain_max_ms"], "(p99 only)", true);
    const double growth = v["ingest-selected.selected_growth_MB"];
    const double text = v["ingest-selected.selected_text_MB"];
    Figure("page_tcp_ingest_memory_growth_MB_vs_log_text_MB", growth, text, "ratio <= 3",
           growth <= 3 * text);
    Figure("page_tcp_ingest_unselected_MBps", v["ingest-unselected.unselected_MBps"],
           v["ingest-plain.plain_MBps"], "-", true);
    Figure("page_tcp_ingest_unselected_heartbeat_p99_ms", v["ingest-unselected.unselected_p99_ms"],
           v["ingest-plain.plain_p99_ms"], "<= 50", v["ingest-unselected.unselected_p99_ms"] <= 50);
    const double early = v["ingest-unselected.unselected_early_us"];
    const double late = v["ingest-unselected.unselected_late_us"];
    Figure("page_tcp_unselected_us_per_chunk_early", early, v["ingest-plain.plain_us"], "-", true);
    Figure("page_tcp_unselected_us_per_chunk_late_vs_early", late, early, "ratio <= 1.5",
           late <= 1.5 * early);
    Figure("page_tcp_1000_clients_shown_after_last_connect_ms", v["clients-page.page_shown_ms"],
           v["clients-plain.plain_shown_ms"], "<= 2000", v["clients-page.page_shown_ms"] <= 2000);
    Figure("page_tcp_1000_clients_KiB_per_idle_connection", v["clients-page.page_kib_per_conn"],
           v["clients-plain.plain_kib_per_conn"], "<= 64",
           v["clients-page.page_kib_per_conn"] <= 64);
    Figure("page_tcp_1000_clients_teardown_ms", v["clients-page.page_teardown_ms"],
           v["clients-plain.plain_teardown_ms"], "<= 1000",
           v["clients-page.page_teardown_ms"] <= 1000);
    Figure("page_tcp_client_prompt_1000_connected_ms", v["client-prompt.prompt_ms"],
           v["client-prompt.plain_connect_ms"], "<= 3000", v["client-prompt.prompt_ms"] <= 3000);
    Figure("page_udp_paced50k_logged_pct", v["udp-page.page_paced_pct"],
           v["udp-plain.plain_paced_pct"], ">= 99.9", v["udp-page.page_paced_pct"] >= 99.9);
    Figure("page_udp_lossless_dps", v["udp-page.page_lossless_dps"],
           v["udp-plain.plain_lossless_dps"], "-", true);
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
    if (argc == 3 && std::strcmp(argv[1], "--part") == 0)
        return quillet::bench::RunPart(argv[2], argc, argv);
    char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    quillet::bench::Values values;
    bool ok = true;
    for (const auto& part : quillet::bench::kParts) {
        quillet::bench::Values one;
        ok = quillet::bench::Collect(self, part.name, one) && ok;
        for (auto& [key, value] : one)
            values[std::string(part.name) + "." + key] = value;
    }
    quillet::bench::PrintFigures(values);
    return ok ? 0 : 1;
}
