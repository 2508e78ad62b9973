// The thread contracts fail loudly in builds that check them: a page operation from a worker
// thread, or a map change without the record lock, stops the program instead of racing.
#include "engine/thread_check.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "engine/connect_info.h"
#include "engine/record_store.h"
#include "engine/tcp_engine.h"
#include "engine/udp_engine.h"

using namespace quillet::engine;

namespace {

struct Contract {
    const char* name;
    std::function<void()> breakIt;
    const char* says;
};

void OnWorker(const std::function<void()>& fn) {
    std::thread worker(fn);
    worker.join();
}

class ThreadContractTest : public ::testing::TestWithParam<Contract> {};

TEST_P(ThreadContractTest, BreakingItStopsTheProgram) {
    if (!quillet::engine::threads::Checked())
        GTEST_SKIP() << "this build does not check thread contracts";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(GetParam().breakIt(), GetParam().says);
}

INSTANTIATE_TEST_SUITE_P(Contracts, ThreadContractTest,
                         ::testing::Values(Contract{"TcpListenOnAWorker",
                                                    [] {
                                                        TcpEngine engine(nullptr);
                                                        OnWorker([&] { engine.Listen(0); });
                                                    },
                                                    "user-interface thread"},
                                           Contract{"UdpBindOnAWorker",
                                                    [] {
                                                        UdpEngine engine(nullptr);
                                                        OnWorker([&] { engine.Bind(0); });
                                                    },
                                                    "user-interface thread"},
                                           Contract{"StoreChangeOnAWorker",
                                                    [] {
                                                        RecordStore store;
                                                        OnWorker([&] {
                                                            store.Add(
                                                                1, std::make_unique<ConnectInfo>());
                                                        });
                                                    },
                                                    "user-interface thread"},
                                           Contract{"MapChangeWithoutTheLock",
                                                    [] {
                                                        ConnectMap map;
                                                        ConnectInfo rec;
                                                        InsertRecord(map, 1, &rec);
                                                    },
                                                    "record lock held"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
