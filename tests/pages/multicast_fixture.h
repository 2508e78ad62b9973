#pragma once
// Shared steps of the multicast page tests: a group of its own per test (so parallel runs on
// this host do not hear each other), the group prompt answered by script, plain group members
// and the kernel's membership table. Everything joins on the loopback interface unless a test
// moves into network namespaces it made itself.
#include <QCheckBox>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>

#include "encoding/labels.h"
#include "engine/crit_sec.h"
#include "engine/log_line.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "tests/pages/udp_page_fixture.h"

namespace quillet::test {

using namespace quillet::engine;

class MulticastPageTest : public UdpPageTest {
protected:
    void SetUp() override {
        UdpPageTest::SetUp();
        static std::atomic<int> serial{0};
        const int n = serial++;
        // 239.255.x.y, unique per process and test.
        group_ =
            "239.255." + std::to_string(getpid() % 250 + 1) + "." + std::to_string(n % 250 + 1);
    }

    pages::CMulticastServerDlg* OpenPage() { return Open<pages::CMulticastServerDlg>(); }

    // Answers the next group prompt: `fields` by control id, the loop-back box, then OK.
    void AnswerGroup(std::map<int, QString> fields, bool loop = true, bool* open = nullptr) {
        AnswerNextPrompt(
            {std::move(fields), {{pages::kBoxLoop, loop}}, true, [open](const PromptSeen& seen) {
                 if (open)
                     *open = seen.stayedOpen;
             }});
    }
    // Creates a member of the test's group on `page` with the group port and local port given.
    void Join(pages::CDialogP* page, int groupPort, int localPort, std::map<int, QString> more = {},
              bool loop = true) {
        more[pages::kBoxGroup] = QString::fromStdString(group_);
        more[pages::kBoxGroupPort] = QString::number(groupPort);
        more[pages::kBoxLocalPort] = QString::number(localPort);
        AnswerGroup(more, loop);
        PressButton(page, pages::CUdpClientDlg::kCreate);
    }

    // A plain socket that joins the group on `iface` at `port`, with sends leaving on `iface`.
    int PlainMember(int port, const char* iface = "127.0.0.1") {
        int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in addr = Loopback(port, group_.c_str());
        ip_mreq mreq{};
        mreq.imr_multiaddr.s_addr = inet_addr(group_.c_str());
        mreq.imr_interface.s_addr = inet_addr(iface);
        in_addr out{};
        out.s_addr = inet_addr(iface);
        timeval timeout{5, 0};
        const bool ok = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                        setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &mreq, sizeof mreq) == 0 &&
                        setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &out, sizeof out) == 0 &&
                        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0;
        EXPECT_TRUE(ok) << "plain member of " << group_ << ":" << port << " on " << iface;
        fds_.emplace_back(fd);
        return fd;
    }
    bool SendToGroup(int fd, const std::string& bytes, int port) {
        return UdpSendTo(fd, bytes, port, group_.c_str());
    }

    // Whether this network namespace's kernel lists a membership of the group on lo.
    bool KernelListsGroup() const {
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(inet_addr(group_.c_str())));
        std::ifstream igmp("/proc/net/igmp");
        std::string word;
        while (igmp >> word) {
            if (word == hex)
                return true;
        }
        return false;
    }

    static QString RecvLog(pages::CDialogP* page, int child) {
        ConnectInfo* rec = Record(page->Tree()->topLevelItem(0)->child(child));
        CCritSecLock lock(g_csConnect);
        return rec ? QString::fromStdU16String(RenderLog(rec->strRecv)) : QString();
    }
    static int IntOption(int fd, int name) {
        int value = -1;
        socklen_t len = sizeof value;
        getsockopt(fd, IPPROTO_IP, name, &value, &len);
        return value;
    }

    std::string group_;
};

}  // namespace quillet::test
