// New-record news in batches: a page-like sink that queues each new record and lets one thread
// of its own take the batches, while data news and deletes race them. No news is dropped or
// repeated, and no record's data news is handled before its node exists.
#include "engine/new_record_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "engine/udp_engine.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/wait_until.h"
#include "tests/engine/engine_fixture.h"

using namespace quillet::engine;

using namespace quillet::test;

namespace {

TEST(NewRecordQueue, KeepsOrderAndAsksForOneTakePerBatch) {
    NewRecordQueue queue;
    ConnectInfo a, b, c;
    EXPECT_TRUE(queue.Add(1, &a));
    EXPECT_FALSE(queue.Add(2, &b));
    EXPECT_FALSE(queue.Add(1, &c));  // a key that came back for another record
    auto batch = queue.Take();
    ASSERT_EQ(batch.size(), 3u);
    EXPECT_EQ(batch[0].record, &a);
    EXPECT_EQ(batch[1].record, &b);
    EXPECT_EQ(batch[2].record, &c);
    EXPECT_EQ(batch[2].key, 1u);
    EXPECT_TRUE(queue.Take().empty());
    EXPECT_TRUE(queue.Add(3, &a));  // empty again: a new take is asked for
    queue.Clear();
    EXPECT_TRUE(queue.Take().empty());
}

// Plays the page: new records are queued and taken in batches by its own thread, which also
// handles data news (first taking any waiting batch) and deletes records.
class BatchingSink : public IConnectionSink {
public:
    explicit BatchingSink(UdpEngine** engine) : m_engine(engine), m_thread([this] { Loop(); }) {}
    ~BatchingSink() override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_cv.notify_all();
        m_thread.join();
    }
    void OnNewConnection(ConnectInfo* p, uint64_t key) override {
        ++added;
        if (m_queue.Add(key, p))
            Post([this] { TakeBatch(); });
        CCritSecLock lock(g_csConnect);
        freed.erase(p);  // queued above, so a batch taken from now on holds it
    }
    void OnConnectionUpdate(ConnectInfo* p, UpdateKind kind, uint64_t key) override {
        Post([this, p, kind, key] {
            // News of a deleted record whose address a new record with the same key took
            // before that one was queued is not the new record's news: its own comes after it
            // was queued.
            bool stale;
            {
                CCritSecLock lock(g_csConnect);
                stale = freed.count(p) > 0;
            }
            TakeBatch();
            CCritSecLock lock(g_csConnect);
            if (kind == UPDATE_DATA && !stale && IsListed((*m_engine)->m_map, key, p) && !p->hItem)
                ++dataBeforeNode;
        });
    }
    // Records the page deleted, until their address is queued again (guarded by g_csConnect).
    std::set<const ConnectInfo*> freed;
    // Runs `fn` on the sink's thread.
    void Post(std::function<void()> fn) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_tasks.push_back(std::move(fn));
        }
        m_cv.notify_all();
    }
    void TakeBatch() {
        auto batch = m_queue.Take();
        taken += batch.size();
        CCritSecLock lock(g_csConnect);
        for (const auto& item : batch) {
            if (!IsListed((*m_engine)->m_map, item.key, item.record) || item.record->hItem)
                continue;
            item.record->hItem = item.record;  // its node
            ++nodes;
        }
    }
    void Clear() { m_queue.Clear(); }

    std::atomic<size_t> added{0}, taken{0}, nodes{0}, dataBeforeNode{0};

private:
    void Loop() {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_cv.wait(lock, [&] { return m_quit || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            auto fn = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            fn();
            lock.lock();
        }
    }
    UdpEngine** m_engine;
    NewRecordQueue m_queue;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_tasks;  // guarded by m_mutex
    bool m_quit = false;                        // guarded by m_mutex
    std::thread m_thread;
};

TEST(NewRecordQueue, UdpSendersWithDeletesRacingTheirNews) {
    constexpr int kSenders = 1500;
    UdpEngine* enginePtr = nullptr;
    BatchingSink sink(&enginePtr);
    UdpEngine engine(&sink);
    enginePtr = &engine;
    const int fd = engine.Bind(0);
    ASSERT_GE(fd, 0);
    const int port = LocalPort(fd);

    std::atomic<bool> stop{false};
    std::thread deleter([&] {
        std::mt19937 rng(13);
        for (int i = 0; i < 3000 && !stop; ++i) {
            sink.Post([&engine, &sink, pick = rng()] {
                CCritSecLock lock(g_csConnect);
                if (engine.m_map.empty())
                    return;
                auto it = engine.m_map.begin();
                std::advance(it, pick % engine.m_map.size());
                ConnectInfo* rec = it->second;
                engine.m_map.erase(it);
                sink.freed.insert(rec);
                delete rec;
            });
            std::this_thread::yield();
        }
    });
    // Senders from many loopback addresses; a port that comes back after its record was
    // deleted makes a new record under the same key.
    for (int i = 0; i < kSenders; ++i) {
        const std::string ip = "127.3." + std::to_string(i % 7) + "." + std::to_string(1 + i % 200);
        const int s = UdpBind(0, ip.c_str());
        ASSERT_GE(s, 0);
        UdpSendTo(s, "x", port);
        UdpSendTo(s, "y", port);
        CloseFd(s);
    }
    stop = true;
    deleter.join();
    quillet::engine::sock::CloseSocket(fd);
    engine.Shutdown();  // no news after this
    // Let the last batches' tasks run: a marker behind them all.
    std::atomic<bool> done{false};
    sink.Post([&] { done = true; });
    ASSERT_TRUE(WaitUntil([&] { return done.load(); }));

    EXPECT_GT(sink.added.load(), 0u);
    EXPECT_EQ(sink.taken.load(), sink.added.load());
    EXPECT_EQ(sink.dataBeforeNode.load(), 0u);
    {
        CCritSecLock lock(g_csConnect);
        size_t unshown = 0;
        for (auto& [key, rec] : engine.m_map)
            unshown += rec->hItem == nullptr;
        EXPECT_EQ(unshown, 0u);  // every listed record got its node
        EXPECT_LE(engine.m_map.size(), sink.nodes.load());
        for (auto& [key, rec] : engine.m_map)
            rec->hItem = nullptr;
    }
    TearDownEngine(engine);
    sink.Clear();
}

}  // namespace
