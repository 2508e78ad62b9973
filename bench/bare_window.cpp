#include "bench/bare_window.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QWidget>

#include <cerrno>
#include <cstring>
#include <thread>

#include "tests/common/loopback_peer.h"

namespace quillet::bench {
namespace {

// The same backlog as the engine's listening sockets.
int Listen(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in at = quillet::test::Loopback(port);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
        listen(fd, 0x7fffffff) != 0)
        return -1;
    return fd;
}

void ReadToEnd(int fd) {
    static char buf[65536];
    for (;;) {
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n == 0 || (n < 0 && errno != EINTR))
            break;
    }
}

void AcceptLoop(int listenFd) {
    for (;;) {
        const int fd = accept(listenFd, nullptr, nullptr);
        if (fd < 0 && errno != EINTR && errno != ECONNABORTED)
            return;
        if (fd >= 0) {
            std::thread([fd] {
                char buf[10240];
                while (recv(fd, buf, sizeof buf, 0) > 0) {
                }
                close(fd);
            }).detach();
        }
    }
}

}  // namespace

int RunBareWindow(int argc, char** argv) {
    if (argc != 4)
        return 2;
    const char* mode = argv[2];
    const int port = std::atoi(argv[3]);
    QApplication app(argc, argv);
    QWidget window;
    window.setObjectName("bareWindow");
    window.resize(800, 600);
    window.show();
    // Listening before the window's events run, as the program's server is once its workspace
    // is open; the socket work never touches the window. The process ends by a signal.
    const int listenFd = std::strcmp(mode, "none") == 0 ? -2 : Listen(port);
    if (listenFd == -1)
        return 1;
    if (std::strcmp(mode, "read") == 0) {
        std::thread([listenFd] {
            const int fd = accept(listenFd, nullptr, nullptr);
            if (fd >= 0)
                ReadToEnd(fd);
        }).detach();
    } else if (std::strcmp(mode, "accept") == 0) {
        std::thread(AcceptLoop, listenFd).detach();
    }
    return app.exec();
}

}  // namespace quillet::bench
