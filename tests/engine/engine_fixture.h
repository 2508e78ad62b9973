#pragma once
// Shared pieces of the engine tests: the page-side teardown and record helpers.
#include <sys/socket.h>

#include <set>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/socket_closer.h"

// What a page does at teardown once its engine's workers are gone: close and free every record.
template <typename Engine>
void TearDownEngine(Engine& engine) {
    engine.Shutdown();
    CCritSecLock lock(g_csConnect);
    std::set<ConnectInfo*> records;
    for (auto& [key, rec] : engine.m_map) records.insert(rec);
    engine.m_map.clear();
    for (ConnectInfo* rec : records) {
        if (rec->sock != -1) quillet::sock::CloseSocket(rec->sock);
        delete rec;
    }
}

// The page's Delete: erase, close, free, all under the lock.
template <typename Engine>
void DeleteRecord(Engine& engine, uint64_t key) {
    CCritSecLock lock(g_csConnect);
    ConnectInfo* rec = FindRecord(engine.m_map, key);
    if (!rec) return;
    EraseRecord(engine.m_map, key);
    if (rec->sock != -1) quillet::sock::CloseSocket(rec->sock);
    delete rec;
}

// The page's Disconnect: close and mark, under the lock.
template <typename Engine>
void DisconnectRecord(Engine& engine, uint64_t key) {
    CCritSecLock lock(g_csConnect);
    ConnectInfo* rec = FindRecord(engine.m_map, key);
    if (rec && rec->sock != -1) {
        quillet::sock::CloseSocket(rec->sock);
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
