#include "engine/connect_info.h"

#include "engine/crit_sec.h"

ConnectInfo* FindRecord(const ConnectMap& map, uint64_t key) {
    g_csConnect.AssertLocked();
    auto it = map.find(key);
    return it == map.end() ? nullptr : it->second;
}

void InsertRecord(ConnectMap& map, uint64_t key, ConnectInfo* record) {
    g_csConnect.AssertLocked();
    map[key] = record;
}

bool EraseRecord(ConnectMap& map, uint64_t key) {
    g_csConnect.AssertLocked();
    return map.erase(key) > 0;
}

bool IsListed(const ConnectMap& map, uint64_t key, const ConnectInfo* record) {
    return record && FindRecord(map, key) == record;
}
