#include "bench/child_peers.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/common/loopback_peer.h"

namespace quillet::bench {

int RunConnector(int port, int count) {
    RaiseFileLimit();
    std::vector<int> fds;
    int connected = 0;
    const auto first = Clock::now();
    for (int i = 0; i < count; ++i) {
        fds.push_back(quillet::test::TcpConnect(port));
        connected += fds.back() >= 0;
    }
    std::printf("@connected %lld %lld %d\n",
                static_cast<long long>(first.time_since_epoch().count()),
                static_cast<long long>(Clock::now().time_since_epoch().count()), connected);
    std::fflush(stdout);
    char buf[64];
    while (read(0, buf, sizeof buf) > 0) {
    }
    return 0;
}

bool ChildPeers::Start(int port, int count) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return false;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    std::string portText = std::to_string(port), countText = std::to_string(count);
    char* argv[] = {const_cast<char*>("bench-connector"), const_cast<char*>("--connect"),
                    portText.data(), countText.data(), nullptr};
    const int spawned = posix_spawn(&m_pid, "/proc/self/exe", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    m_toChild = in[1];
    if (spawned != 0) {
        m_pid = -1;
        close(out[0]);
        return false;
    }
    m_reader = std::thread([this, fd = out[0]] {
        FILE* from = fdopen(fd, "r");
        long long first = 0, ns = 0;
        int connected = 0;
        if (from && std::fscanf(from, "@connected %lld %lld %d", &first, &ns, &connected) == 3) {
            m_firstNs = first;
            m_lastNs = ns;
            m_connected = connected;
        }
        m_done = true;
        if (from)
            std::fclose(from);
        else
            close(fd);
    });
    return true;
}

void ChildPeers::Stop() {
    if (m_toChild >= 0)
        close(m_toChild);  // the child closes its peers and ends
    m_toChild = -1;
    if (m_pid > 0)
        waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    if (m_reader.joinable())
        m_reader.join();
}

}  // namespace quillet::bench
