#include "engine/new_record_queue.h"

#include <utility>

namespace quillet::engine {

bool NewRecordQueue::Add(uint64_t key, ConnectInfo* record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_items.push_back({key, record});
    return m_items.size() == 1;
}

std::vector<NewRecordQueue::Item> NewRecordQueue::Take() {
    std::vector<Item> batch;
    std::lock_guard<std::mutex> lock(m_mutex);
    batch.swap(m_items);
    return batch;
}

void NewRecordQueue::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_items.clear();
}

}  // namespace quillet::engine
