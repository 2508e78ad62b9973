// Logs under their limits on the TCP server page: a 2 GiB flood into the selected connection
// with the default limits (resident peak, ingest, heartbeat) beside a 512 MiB flood with limits
// above it; a 64 MiB log switched to "HEX + 文本" and searched back to its start, beside a 64 KiB
// one; a 512 MiB flood recorded raw to a file, beside a plain recv-to-file loop, on an idle disk
// and with another writer on the same disk.
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "bench/page_parts.h"
#include "bench/page_probes.h"
#include "bench/server_with_peer.h"
#include "engine/chunk_log.h"
#include "engine/log_recorder.h"
#include "engine/record_log.h"
#include "pages/common/app_settings.h"
#include "pages/log/log_find_bar.h"
#include "pages/log/log_view.h"
#include "pages/log/recordings.h"

using namespace quillet::engine;

namespace quillet::bench {
namespace {

constexpr size_t kChunk = 4096;
constexpr size_t kFloodLimited = size_t{2} << 30;
constexpr size_t kFloodUnlimited = size_t{512} << 20;
constexpr size_t kFloodRecorded = size_t{512} << 20;
constexpr uint64_t kNoLimit = uint64_t{4} << 30;
constexpr auto kFloodTime = std::chrono::seconds(300);
// The byte at offset i of every flood here, so that a file can be checked byte for byte.
constexpr int kPeriod = 26;
char PatternAt(uint64_t offset) {
    return static_cast<char>('a' + offset % kPeriod);
}

// Sends `total` bytes of the pattern; a short send resumes at the right byte of it.
size_t SendPattern(int fd, size_t total) {
    std::string block(kChunk + kPeriod, 'a');
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = PatternAt(i);
    size_t sent = 0;
    while (sent < total) {
        const size_t n = std::min(kChunk, total - sent);
        const ssize_t w = send(fd, block.data() + sent % kPeriod, n, MSG_NOSIGNAL);
        if (w <= 0)
            break;  // the receiver stalled past the send timeout, or went away
        sent += static_cast<size_t>(w);
    }
    shutdown(fd, SHUT_WR);
    return sent;
}

// Samples the resident set every few milliseconds until stopped; keeps the highest.
class ResidentPeak {
public:
    ResidentPeak()
        : m_thread([this] {
              while (!m_stop) {
                  m_peak = std::max<size_t>(m_peak, ResidentBytes());
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~ResidentPeak() { Stop(); }
    void Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    double PeakMB() const { return m_peak / 1e6; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<size_t> m_peak{0};
    std::thread m_thread;
};

// The first page applies the limits of the settings; these go on top, once a page is up.
struct Limits {
    uint64_t perLog;
    uint64_t total;
};
constexpr Limits kDefaultLimits{kDefaultLogLimitPerLog, kDefaultLogLimitTotal};
constexpr Limits kNoLimits{kNoLimit, kNoLimit};

// `total` bytes into the selected connection under `limits`; reports ingest (to the last byte
// counted), the resident peak during the flood and the heartbeat under `key`_*.
bool FloodSelected(size_t total, Limits limits, const std::string& key) {
    ServerWithPeer s;
    if (!s.Start())
        return false;
    SetLogLimits(limits.perLog, limits.total);
    ClickTreeItem(&s.page, s.node);
    RunFor(std::chrono::milliseconds(50));
    ResidentPeak peak;
    Heartbeat beat;
    beat.Start();
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, SendPattern, s.peer, total);
    const bool done = RunUntil([&] { return s.Counted() == total; }, kFloodTime);
    const auto end = Clock::now();
    beat.Stop();
    const size_t sent = sender.get();
    peak.Stop();
    Report(key + "_MBps", done ? total / Seconds(end - start) / 1e6 : 0);
    Report(key + "_peak_MB", peak.PeakMB());
    Report(key + "_p99_ms", beat.P99Ms());
    Report(key + "_counted", static_cast<double>(s.Counted()));
    Report(key + "_sent", static_cast<double>(sent));
    Report(key + "_log_MB", s.LogBytes() / 1e6);
    return done && sent == total;
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A selected connection whose log holds `bytes` (its first chunk starts with a marker): the
// time to show it in "HEX + 文本", then (back in text) to find the marker searching backwards
// from the end, the match shown.
bool TimeHexAndSearch(uint64_t bytes, const std::string& key) {
    ServerWithPeer s;
    if (!s.Start())
        return false;
    SetLogLimits(kNoLimits.perLog, kNoLimits.total);
    const std::string marker = "QUILLET-MARK";
    std::string chunk(10239, 'x');
    LogReceivedChunk(s.rec, marker + chunk.substr(marker.size()), true);
    for (uint64_t logged = chunk.size(); logged < bytes; logged += chunk.size())
        LogReceivedChunk(s.rec, chunk, true);
    ClickTreeItem(&s.page, s.node);
    pages::CLogView* view = s.page.ReceivedView();
    view->repaint();
    RunFor(std::chrono::milliseconds(50));

    auto start = Clock::now();
    view->HexTextAction()->trigger();
    view->repaint();
    Report(key + "_hex_ms", Ms(Clock::now() - start));
    const bool hex = view->HexTextAction()->isChecked();
    view->HexTextAction()->trigger();
    view->repaint();
    RunFor(std::chrono::milliseconds(50));

    view->OpenFindBar();
    view->FindBar()->TextBox()->setText(QString::fromStdString(marker));
    start = Clock::now();
    // The search runs in slices between events: the time is until its match is shown.
    view->Find(false);
    const bool found = RunUntil([&] { return !view->IsSearching(); }, std::chrono::seconds(60)) &&
                       view->LastSearchFound();
    view->repaint();
    Report(key + "_search_ms", Ms(Clock::now() - start));
    Report(key + "_found", found ? 1 : 0);
    return hex && found;
}

// Counts the bytes of `path` that differ from the pattern, or that are missing against `total`.
uint64_t BadBytes(const std::string& path, uint64_t total) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return total;
    std::string buf(size_t{1} << 20, '\0');
    uint64_t offset = 0, bad = 0;
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), f)) > 0; offset += n)
        for (size_t i = 0; i < n; ++i)
            bad += buf[i] != PatternAt(offset + i);
    std::fclose(f);
    return bad + (offset > total ? offset - total : total - offset);
}

// Another writer on the disk for the span of a run: 1 MiB blocks to a file beside the recording,
// synced every 16 MiB, the file deleted and begun again every 256 MiB; until stopped, or
// kFloodTime at most.
class BusyDisk {
public:
    explicit BusyDisk(const QString& dir)
        : m_path(QDir(dir).filePath(QStringLiteral("busy.bin")).toStdString()),
          m_thread([this] { Run(); }) {}
    ~BusyDisk() { Stop(); }
    // Stops the writer; returns what it wrote.
    uint64_t Stop() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        return m_written;
    }

private:
    void Run() {
        const std::string block(size_t{1} << 20, 'b');
        const auto end = Clock::now() + kFloodTime;
        auto going = [&] { return !m_stop && Clock::now() < end; };
        while (going()) {
            FILE* f = std::fopen(m_path.c_str(), "wb");
            if (!f)
                return;
            for (int i = 0; i < 256 && going(); ++i) {
                if (std::fwrite(block.data(), 1, block.size(), f) != block.size())
                    break;
                m_written += block.size();
                if (i % 16 == 15 && std::fflush(f) == 0)
                    fdatasync(fileno(f));
            }
            std::fclose(f);
            std::remove(m_path.c_str());
        }
    }

    std::string m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_written{0};
    std::thread m_thread;  // last: it starts once the members above are made
};

// The raw recording of a 512 MiB flood into the page, with another writer on the disk when
// `busy`; reports under `key`_*.
bool RecordPage(const std::string& key, bool busy) {
    QTemporaryDir dir;
    ServerWithPeer s;
    if (!dir.isValid() || !s.Start())
        return false;
    const std::string path = dir.filePath(QStringLiteral("flood.bin")).toStdString();
    if (!s.page.Recordings()->Record(s.rec, QString::fromStdString(path), LogRecorder::Form::kRaw))
        return false;
    std::unique_ptr<BusyDisk> other = busy ? std::make_unique<BusyDisk>(dir.path()) : nullptr;
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, SendPattern, s.peer, kFloodRecorded);
    const bool counted = RunUntil([&] { return s.Counted() == kFloodRecorded; }, kFloodTime);
    s.page.Recordings()->Stop(s.rec);
    s.page.Recordings()->StopAll();  // waits for the writer: the file is whole after it
    const auto end = Clock::now();
    const uint64_t otherBytes = other ? other->Stop() : 0;
    const size_t sent = sender.get();
    const uint64_t bad = BadBytes(path, kFloodRecorded);
    Report(key + "_MBps", counted ? kFloodRecorded / Seconds(end - start) / 1e6 : 0);
    Report(key + "_bad_bytes", static_cast<double>(bad));
    if (busy)
        Report(key + "_other_writer_MB", otherBytes / 1e6);
    return counted && sent == kFloodRecorded;
}

// The same flood into a plain recv-to-file loop.
bool RecordPlain(const std::string& key, bool busy) {
    QTemporaryDir dir;
    int port = 0;
    const int listenFd = quillet::test::TcpListen(&port);
    const int peer = listenFd < 0 ? -1 : quillet::test::TcpConnect(port);
    const int conn = peer < 0 ? -1 : quillet::test::TcpAccept(listenFd);
    const std::string path = dir.filePath(QStringLiteral("flood.bin")).toStdString();
    FILE* out = dir.isValid() ? std::fopen(path.c_str(), "wb") : nullptr;
    if (conn < 0 || !out)
        return false;
    std::unique_ptr<BusyDisk> other = busy ? std::make_unique<BusyDisk>(dir.path()) : nullptr;
    const auto start = Clock::now();
    auto sender = std::async(std::launch::async, SendPattern, peer, kFloodRecorded);
    // Bounded: the sender shuts its side down at the end, or gives up on a stalled receiver.
    char buf[10240];
    size_t total = 0;
    for (ssize_t n; (n = recv(conn, buf, sizeof buf, 0)) > 0; total += static_cast<size_t>(n))
        if (std::fwrite(buf, 1, static_cast<size_t>(n), out) != static_cast<size_t>(n))
            break;
    std::fclose(out);
    const auto end = Clock::now();
    const uint64_t otherBytes = other ? other->Stop() : 0;
    sender.get();
    close(peer);
    close(conn);
    close(listenFd);
    Report(key + "_MBps", kFloodRecorded / Seconds(end - start) / 1e6);
    Report(key + "_bad_bytes", static_cast<double>(BadBytes(path, kFloodRecorded)));
    if (busy)
        Report(key + "_other_writer_MB", otherBytes / 1e6);
    return total == kFloodRecorded;
}

}  // namespace

bool PartFloodDefaultLimits() {
    return FloodSelected(kFloodLimited, kDefaultLimits, "limited");
}

bool PartFloodNoLimits() {
    return FloodSelected(kFloodUnlimited, kNoLimits, "unlimited");
}

bool PartHexAndSearch() {
    // The view keeps its display mode in the settings: a file of this run's own, not the user's.
    QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    pages::settings::UseFileForTest(dir.filePath(QStringLiteral("settings.ini")));
    const bool ok = TimeHexAndSearch(uint64_t{64} << 10, "small") &&
                    TimeHexAndSearch(uint64_t{64} << 20, "large");
    pages::settings::UseFileForTest(QString());
    return ok;
}

bool PartRecordPage() {
    return RecordPage("record", false);
}

bool PartRecordPlain() {
    return RecordPlain("record_plain", false);
}

bool PartRecordBusyPage() {
    return RecordPage("record_busy", true);
}

bool PartRecordBusyPlain() {
    return RecordPlain("record_busy_plain", true);
}

}  // namespace quillet::bench
