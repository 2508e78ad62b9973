// gtest main for widget tests: one QApplication on the offscreen platform for the whole run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include "engine/name_resolver.h"
#include "tests/common/loopback_peer.h"

using namespace quillet::engine;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // Settings go to a folder of the run's own, never to the user's configuration.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    // Host names never reach a name server: tests stay on this machine.
    quillet::engine::SetHostLookupForTest(quillet::test::LoopbackHostLookup);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
