// Sending what is not a plain file, with real peers on 127.0.0.1: a FIFO is opened and read
// beside the window and sent until its writers close it, a device until the user stops it,
// a socket file is refused by name; the bytes sent count in the connection's counters.
#include <QProgressDialog>
#include <QPushButton>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "engine/crit_sec.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_server_dlg.h"
#include "tests/pages/send_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CSendFileDlg;
using enum pages::CSetListenDlg::ControlId;

// The write end of a FIFO, once the page's reader has opened the other end.
class FifoWriter {
public:
    explicit FifoWriter(const QString& path) : m_path(QFile::encodeName(path).toStdString()) {}
    ~FifoWriter() { Close(); }
    // Non-blocking: ENXIO until a reader has it open.
    bool TryOpen() {
        m_fd = open(m_path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        return m_fd >= 0;
    }
    bool Write(const std::string& bytes) {
        return write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    void Close() {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = -1;
    }

private:
    std::string m_path;
    int m_fd = -1;
};

template <typename Page>
class FileStreamTest : public SendTest<Page> {
protected:
    QString Fifo() {
        const QString path = this->dir_.filePath(QStringLiteral("fifo"));
        EXPECT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        return path;
    }
    // Sends the file at `path` to the selected connection, as one datagram on a UDP page.
    void SendFile(const QString& path) {
        this->ScriptPrompt({{CSendFileDlg::kPath, path}});
        this->Menu("actionSendFile");
    }
    bool Busy() const { return this->page_->Sending()->Files()->Busy(); }
    QProgressDialog* Progress() const {
        return this->page_->template findChild<QProgressDialog*>(QStringLiteral("fileProgress"));
    }
    RecordCounters Counters(ConnectInfo* rec) const {
        CCritSecLock lock(g_csConnect);
        return rec->counters;
    }
};

class TcpFileStreamTest : public FileStreamTest<pages::CTcpServerDlg> {
protected:
    PeerSocket Client() {
        PeerSocket fd = AcceptedClient(ListenOnFreePort(), 0);
        ClickItem(Child(0));
        return fd;
    }
};

TEST_F(TcpFileStreamTest, AFifoIsSentUntilItsWritersCloseItAndCanBeStoppedWhileItWaits) {
    PeerSocket peer = Client();
    const QString path = Fifo();
    // No writer: the prompt and the page go on at once, and Stop ends the wait.
    SendFile(path);
    ASSERT_TRUE(Busy());
    ASSERT_NE(Progress(), nullptr);
    QPushButton* stop = Progress()->findChild<QPushButton*>();
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), QStringLiteral("停止"));
    stop->click();
    EXPECT_FALSE(Busy());
    EXPECT_TRUE(Eventually([&] { return MessageStarts("已停止发送：已发送 0 字节。"); }));

    // A writer that writes twice and closes: every byte, then the end.
    SendFile(path);
    FifoWriter writer(path);
    ASSERT_TRUE(Eventually([&] { return writer.TryOpen(); }));
    std::string got;
    const auto receive = [&](size_t total) {
        return Eventually([&] { return (got += ReadAvailable(peer)).size() >= total; });
    };
    ASSERT_TRUE(writer.Write("first part;"));
    ASSERT_TRUE(receive(11));  // sent while the writer still holds the FIFO open
    ASSERT_TRUE(writer.Write("second part"));
    writer.Close();
    ASSERT_TRUE(receive(22));
    EXPECT_EQ(got, "first part;second part");
    EXPECT_TRUE(Eventually([&] { return MessageStarts("文件已发送：22 字节。"); }));
    EXPECT_FALSE(Busy());
    ConnectInfo* rec = Rec(Child(0));
    EXPECT_EQ(rec->nSentBytes, 22u);
    EXPECT_EQ(Counters(rec).sentBytes, 22u);
    EXPECT_GE(Counters(rec).sentMessages, 1u);
}

TEST_F(TcpFileStreamTest, ADeviceIsStreamedUntilTheUserStopsIt) {
    PeerSocket peer = Client();
    SendFile(QStringLiteral("/dev/zero"));
    ASSERT_TRUE(Busy());
    size_t got = 0;
    bool zeros = true;
    ASSERT_TRUE(Eventually([&] {
        for (char c : ReadAvailable(peer)) {
            zeros = zeros && c == 0;
            ++got;
        }
        return got >= (size_t{3} << 20);
    }));
    EXPECT_TRUE(zeros);
    Progress()->findChild<QPushButton*>()->click();
    EXPECT_FALSE(Busy());
    ASSERT_TRUE(Eventually([&] { return MessageStarts("已停止发送：已发送 "); }));
    ConnectInfo* rec = Rec(Child(0));
    const uint64_t handed = page_->Sending()->Files()->Handed();
    EXPECT_GE(handed, got);
    EXPECT_TRUE(HasMessage(QStringLiteral("已停止发送：已发送 %1 字节。").arg(handed), "提示"));
    // What was handed over and reached the socket is counted once, whatever piece it was in.
    // What was queued before the stop still goes out while the peer reads.
    ASSERT_TRUE(Eventually([&] {
        ReadAvailable(peer);
        return Counters(rec).sentBytes == handed;
    }));
    EXPECT_EQ(rec->nSentBytes, handed);
    // Sizes of 1024-based units are labelled so.
    const QString mib = QString::number(static_cast<double>(handed) / (1 << 20), 'f', 1);
    EXPECT_TRUE(page_->CountersLine()->Text(rec).contains(QStringLiteral("发 %1 MiB / ").arg(mib)))
        << page_->CountersLine()->Text(rec).toStdString();
}

TEST_F(TcpFileStreamTest, ASocketFileIsRefusedByName) {
    PeerSocket peer = Client();
    const QString path = dir_.filePath(QStringLiteral("sock"));
    PeerSocket unix(socket(AF_UNIX, SOCK_STREAM, 0));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, QFile::encodeName(path).constData(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(unix, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    SendFile(path);
    EXPECT_TRUE(stayedOpen_);
    EXPECT_TRUE(HasMessage("这是一个套接字文件，不能读取，请选择一个文件。", "提示"));
    EXPECT_FALSE(Busy());
}

class UdpFileStreamTest : public FileStreamTest<pages::CUdpServerDlg> {
protected:
    PeerSocket Peer() {
        const int port = FreeUdpPort();
        ScriptPrompt({{kBoxPort, QString::number(port)}});
        Press(pages::CUdpServerDlg::kCreate);
        PeerSocket fd(UdpBind(0));
        EXPECT_TRUE(UdpSendTo(fd, "hello", port));
        EXPECT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
        ClickItem(Child(0));
        return fd;
    }
};

TEST_F(UdpFileStreamTest, AFifoGoesAsOneDatagramAtItsEndAndADeviceIsTooLargeForOne) {
    PeerSocket peer = Peer();
    const QString path = Fifo();
    SendFile(path);
    FifoWriter writer(path);
    ASSERT_TRUE(Eventually([&] { return writer.TryOpen(); }));
    ASSERT_TRUE(writer.Write(std::string(3000, 'a')));
    ASSERT_TRUE(writer.Write(std::string(2000, 'b')));
    writer.Close();
    ASSERT_TRUE(Eventually([&] { return MessageStarts("文件已发送：5000 字节。"); }));
    bool ok = false;
    EXPECT_EQ(UdpRecv(peer, &ok), std::string(3000, 'a') + std::string(2000, 'b'));
    EXPECT_TRUE(ok);
    ConnectInfo* rec = Rec(Child(0));
    EXPECT_EQ(Counters(rec).sentBytes, 5000u);
    EXPECT_EQ(Counters(rec).sentMessages, 1u);

    SendFile(QStringLiteral("/dev/zero"));
    EXPECT_TRUE(
        Eventually([&] { return MessageStarts("文件大于 65507 字节，不能作为一个数据报发送。"); }));
    EXPECT_FALSE(Busy());
    EXPECT_EQ(Counters(rec).sentBytes, 5000u);
}

}  // namespace
}  // namespace quillet::test
