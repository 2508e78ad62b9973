#include "engine/socket_closer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace quillet::engine;

namespace {
bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }
}  // namespace

TEST(SocketCloser, UnservedSocketClosesAtOnce) {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    quillet::engine::sock::CloseSocket(fd);
    EXPECT_FALSE(IsOpen(fd));
    quillet::engine::sock::CloseSocket(-1);  // no socket: nothing happens
}

// While a worker serves a socket its number stays taken after the close, so no new socket can
// receive that number under the worker; the worker releases it when it ends.
TEST(SocketCloser, ServedSocketNumberIsParkedUntilWorkerReleasesIt) {
    int owner = 0;
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(fd, 0);
    quillet::engine::sock::AdoptForWorker(fd, &owner);
    EXPECT_FALSE(quillet::engine::sock::CloseRequested(fd));
    quillet::engine::sock::CloseSocket(fd);
    quillet::engine::sock::CloseSocket(fd);  // a second close is harmless
    EXPECT_TRUE(quillet::engine::sock::CloseRequested(fd));
    EXPECT_TRUE(IsOpen(fd));
    int fresh = socket(AF_INET, SOCK_DGRAM, 0);
    EXPECT_NE(fresh, fd);
    char c;
    EXPECT_LT(recv(fd, &c, 1, MSG_DONTWAIT), 0);  // the parked number is no socket any more
    quillet::engine::sock::ReleaseFromWorker(fd);
    EXPECT_FALSE(IsOpen(fd));
    close(fresh);
}

TEST(SocketCloser, WorkerEndingOnItsOwnLeavesTheSocketToItsHolder) {
    int owner = 0;
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    quillet::engine::sock::AdoptForWorker(fd, &owner);
    quillet::engine::sock::ReleaseFromWorker(fd);
    EXPECT_TRUE(IsOpen(fd));
    quillet::engine::sock::CloseSocket(fd);
    EXPECT_FALSE(IsOpen(fd));
}
