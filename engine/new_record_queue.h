#pragma once
// News of records an engine has just listed, held for the page until it takes them all at once.
// A worker adds and goes on; the page's thread takes the whole batch in one go and inserts its
// nodes in one pass. Order is kept: the batch comes out in the order the records were added.
//
// Threads: Add from any worker; Take and Clear from the page's thread. m_mutex guards m_items.
// The queue never looks at a record: the taker checks each one against the map (IsListed)
// under g_csConnect, since a record may be deleted while its news waits here.
#include <cstdint>
#include <mutex>
#include <vector>

namespace quillet::engine {

struct ConnectInfo;

class NewRecordQueue {
public:
    struct Item {
        uint64_t key;
        ConnectInfo* record;
    };

    // Queues one record's news. True when the queue was empty: the caller then asks the page's
    // thread to take the batch; otherwise a take is already due.
    bool Add(uint64_t key, ConnectInfo* record);
    // Everything queued so far, oldest first; the queue is left empty.
    std::vector<Item> Take();
    void Clear();

private:
    std::mutex m_mutex;
    std::vector<Item> m_items;  // guarded by m_mutex
};

}  // namespace quillet::engine
