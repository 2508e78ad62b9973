#pragma once
// Shared pieces of the engine tests: the page-side teardown and record helpers.
#include <sys/socket.h>

#include <set>
#include <string>
#include <vector>

#include "encoding/wire_codec.h"
#include "engine/connect_info.h"
#include "engine/log_line.h"
#include "engine/crit_sec.h"
#include "engine/socket_closer.h"

using namespace quillet::engine;

// What a page does at teardown once its engine's workers are gone: close and free every record.
template <typename Engine>
void TearDownEngine(Engine& engine) {
    engine.Shutdown();
    CCritSecLock lock(g_csConnect);
    std::set<ConnectInfo*> records;
    for (auto& [key, rec] : engine.m_map)
        records.insert(rec);
    engine.m_map.clear();
    for (ConnectInfo* rec : records) {
        if (rec->sock != -1)
            quillet::engine::sock::CloseSocket(rec->sock);
        delete rec;
    }
}

// The page's Delete: erase, close, free, all under the lock.
template <typename Engine>
void DeleteRecord(Engine& engine, uint64_t key) {
    CCritSecLock lock(g_csConnect);
    ConnectInfo* rec = FindRecord(engine.m_map, key);
    if (!rec)
        return;
    EraseRecord(engine.m_map, key);
    if (rec->sock != -1)
        quillet::engine::sock::CloseSocket(rec->sock);
    delete rec;
}

// The page's Disconnect: close and mark, under the lock.
template <typename Engine>
void DisconnectRecord(Engine& engine, uint64_t key) {
    CCritSecLock lock(g_csConnect);
    ConnectInfo* rec = FindRecord(engine.m_map, key);
    if (rec && rec->sock != -1) {
        quillet::engine::sock::CloseSocket(rec->sock);
        rec->sock = -1;
    }
}

template <typename Engine>
ConnectInfo Snapshot(Engine& engine, uint64_t key) {
    CCritSecLock lock(g_csConnect);
    ConnectInfo* rec = FindRecord(engine.m_map, key);
    return rec ? *rec : ConnectInfo{};
}

template <typename Engine>
size_t MapSize(Engine& engine) {
    CCritSecLock lock(g_csConnect);
    return engine.m_map.size();
}

// A log as a view shows it.
inline std::u16string Text(const ChunkLog& log) {
    return RenderLog(log);
}

// The text of each line of a log, without its time stamp.
inline std::vector<std::u16string> LinesOf(const ChunkLog& log) {
    constexpr size_t kStamp = 21;  // "YYYY-MM-DD hh:mm:ss  "
    std::vector<std::u16string> lines;
    const std::u16string all = Text(log);
    size_t start = 0;
    for (size_t nl; (nl = all.find(u'\n', start)) != std::u16string::npos; start = nl + 1)
        lines.push_back(all.substr(start + kStamp, nl - start - kStamp));
    return lines;
}

// UTF-8 on the wire for one test.
struct Utf8Wire {
    Utf8Wire() { quillet::enc::SetWireEncoding("UTF-8"); }
    ~Utf8Wire() { quillet::enc::SetWireEncoding(quillet::enc::kAnsi); }
    Utf8Wire(const Utf8Wire&) = delete;
    Utf8Wire& operator=(const Utf8Wire&) = delete;
};
