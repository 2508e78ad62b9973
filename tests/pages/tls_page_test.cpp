// TLS on the TCP pages with openssl s_client and s_server on 127.0.0.1: the "高级…" dialog's
// TLS box, every send path of a TLS server page, the node's tooltip and certificate dialog, and
// handshake failures told in the window's language.
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolTip>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <optional>

#include "pages/prompts/dlg_set_ip.h"
#include "pages/prompts/local_choice.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/tls/tls_cert_dlg.h"
#include "pages/tls/tls_choice.h"
#include "pages/tls/tls_loader.h"
#include "pages/prompts/tls_options_box.h"
#include "skin/ui_kit.h"
#include "tests/common/tls_peers.h"
#include "tests/pages/send_fixture.h"

namespace quillet::test {
namespace {

using pages::CAutoReplyDlg;
using pages::CRepeatDlg;
using pages::CSendFileDlg;
using pages::CTcpServerDlg;
using pages::TlsChoice;

// Waits for `text` in the process's output while the page's events run.
bool Shows(ChildProcess& process, const std::string& text) {
    return RunUntil([&] { return process.WaitOutput(text, std::chrono::milliseconds(1)); });
}

// Only the TCP pages offer TLS; its box starts as the settings left it.
TEST(TlsOptionsBoxTest, OnlyTcpPagesOfferTheTlsBox) {
    FreshSettings settings;
    for (const char* page : {"tcpServer", "tcpClient", "udpClient"}) {
        pages::CLocalAddressDlg dlg(pages::CLocalAddressDlg::Role::kServer, {}, "127.0.0.1",
                                    nullptr);
        pages::CTlsOptionsBox* box = pages::AddTlsOptions(page, &dlg);
        if (std::string(page) == "udpClient") {
            EXPECT_EQ(box, nullptr);
            continue;
        }
        ASSERT_NE(box, nullptr) << page;
        auto* check = dlg.findChild<QCheckBox*>("tlsEnabled");
        ASSERT_NE(check, nullptr);
        EXPECT_EQ(check->accessibleName(), "TLS");
        EXPECT_FALSE(check->isChecked());  // plain TCP unless chosen
        check->setChecked(true);
        box->Choice().Store(page);
        EXPECT_TRUE(TlsChoice::Load(page, box->Choice().server).enabled);
        EXPECT_TRUE(TlsChoice::Load(page, true).verify);  // verification stays on by default
    }
}

// An encrypted key asks for its password through the prompt seam; a wrong one or a cancel makes
// no context, and the password is never written to the settings.
TEST(TlsChoiceTest, EncryptedKeyAsksForItsPassword) {
    FreshSettings settings;
    TestPki pki;
    TlsChoice choice;
    choice.enabled = true;
    choice.selfSigned = false;
    choice.certFile = QString::fromStdString(pki.serverCert);
    choice.keyFile = QString::fromStdString(pki.encryptedKey);
    choice.Store("tcpServer");
    for (const char* typed : std::initializer_list<const char*>{"secret", "wrong", nullptr}) {
        QString asked;
        ui::SetModalScript([&](QDialog* dlg) {
            asked = dlg->objectName();
            if (!typed)
                return;  // left open: cancelled
            dlg->findChild<QLineEdit*>("tlsPasswordEdit")->setText(typed);
            dlg->accept();
        });
        QWidget owner;
        std::optional<pages::TlsMade> made;
        pages::LoadTlsContext(choice, QString(), &owner,
                              [&](std::shared_ptr<const tls::Context> ctx, QString error) {
                                  made = pages::TlsMade{std::move(ctx), std::move(error)};
                              });
        ASSERT_TRUE(RunUntil([&] { return made.has_value(); }));
        ui::SetModalScript(nullptr);
        EXPECT_EQ(asked, "tlsPasswordDlg");
        EXPECT_EQ(made->context != nullptr, typed && std::string(typed) == "secret")
            << made->error.toStdString();
        EXPECT_EQ(made->error.isEmpty(), !typed || std::string(typed) == "secret");
    }
    EXPECT_TRUE(RunUntil([] { return pages::TlsLoadsRunning() == 0; }));
    QFile file(settings.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("secret"));
}

class TlsServerPageTest : public SendTest<CTcpServerDlg> {
protected:
    int ListenWithTls() {
        TlsChoice choice;
        choice.enabled = true;
        choice.selfSigned = true;
        choice.Store("tcpServer");
        const int port = ListenOnFreePort();
        EXPECT_TRUE(Listening());
        for (auto& m : messages_)
            ADD_FAILURE() << m.text.toStdString();
        return port;
    }
    // Waits until the server listens (its TLS files are read first).
    bool Listening() {
        return Eventually([&] { return Icon(Root()) == pages::kImageEndpointActive; });
    }
    static QString ConfigFile(const char* name) {
        return QFileInfo(pages::settings::FilePath()).absoluteDir().filePath(name);
    }
};

// s_client verifies the page's self-signed certificate; the box, a repeat, a file, send to all
// and an echo reply all arrive encrypted, and the logs show the application data.
TEST_F(TlsServerPageTest, EverySendPathGoesOutOverTls) {
    const int port = ListenWithTls();
    struct stat st {};
    ASSERT_EQ(stat(ConfigFile("tls-self.key").toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ChildProcess client(
        SClientArgs(port, {"-tls1_3", "-CAfile", ConfigFile("tls-self.crt").toStdString(),
                           "-verify_return_error", "-verify_ip", "127.0.0.1"}));
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    ConnectInfo* rec = Rec(Child(0));
    ASSERT_TRUE(Eventually([&] {
        auto s = pages::SessionOf(rec);
        return s && s->Established();
    }));

    Type("from-box");
    Press(CTcpServerDlg::kSend);
    ASSERT_TRUE(Shows(client, "from-box"));
    EXPECT_TRUE(Eventually([&] { return Sent().contains(LogLine("from-box")); }));

    Type("rep;");
    ScriptPrompt({{CRepeatDlg::kInterval, "1"}, {CRepeatDlg::kTimes, "3"}});
    Menu("actionRepeat");
    EXPECT_TRUE(Shows(client, "rep;rep;rep;"));

    std::string bytes;
    const QString path = MakeFile("data.bin", 200000, &bytes);
    ScriptPrompt({{CSendFileDlg::kPath, path}});
    Menu("actionSendFile");
    EXPECT_TRUE(Eventually([&] { return MessageStarts("文件已发送"); }));
    EXPECT_TRUE(Shows(client, bytes));

    Type("to-all");
    std::unique_ptr<QMenu> menu(page_->Sending()->MakeTreeMenu());
    menu->findChild<QAction*>("actionSendToAll")->trigger();
    EXPECT_TRUE(Shows(client, "to-all"));

    AnswerNextPrompt({{}, {{CAutoReplyDlg::kEcho, true}}, true, {}});
    page_->Sending()->ChooseAutoReply();
    ASSERT_TRUE(client.Write("echo-me\n"));
    EXPECT_TRUE(Eventually([&] { return Received().contains("echo-me"); }));
    EXPECT_TRUE(Shows(client, "echo-me\n"));

    const QString tip = pages::TlsTooltipText(rec);
    EXPECT_TRUE(tip.contains("TLSv1.3")) << tip.toStdString();
    std::unique_ptr<QMenu> nodeMenu(page_->MakeTreeMenu(Child(0)));
    EXPECT_NE(nodeMenu->findChild<QAction*>("actionTlsCertificate"), nullptr);
}

// A client that speaks plain text gets a note in its received view, then its node closes.
TEST_F(TlsServerPageTest, PlainTextClientIsNotedAndClosed) {
    const int port = ListenWithTls();
    PeerSocket peer(TcpConnect(port));
    ASSERT_TRUE(SendAll(peer, "HELO plain\r\n"));
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    EXPECT_TRUE(Eventually([&] { return Received().contains("对方不是在说 TLS"); }));
    EXPECT_TRUE(Eventually([&] {
        return Icon(Child(0)) == pages::kImageClosed || Icon(Child(0)) == pages::kImageClosedUnread;
    }));
}

// 开始 TLS on a plain server page: s_client's SMTP exchange in plain text, then TLS.
TEST_F(TlsServerPageTest, StartTlsSwitchesTheSelectedConnection) {
    TestPki pki;
    TlsChoice choice;  // TLS off for new clients; its options serve 开始 TLS
    choice.selfSigned = false;
    choice.certFile = QString::fromStdString(pki.serverCert);
    choice.keyFile = QString::fromStdString(pki.serverKey);
    choice.Store("tcpServer");
    const int port = ListenOnFreePort();
    ChildProcess client(SClientArgs(port, {"-starttls", "smtp", "-CAfile", pki.caCert}));
    ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
    ClickItem(Child(0));
    std::unique_ptr<QMenu> menu;
    const auto startTls = [&] {
        menu.reset(page_->MakeTreeMenu(Child(0)));
        return menu->findChild<QAction*>("actionStartTls");
    };
    Type("220 quillet\r\n");
    Menu("actionSendWithEscapes");
    ASSERT_TRUE(Eventually([&] { return Received().contains("EHLO"); }));
    Type("250 STARTTLS\r\n");
    Menu("actionSendWithEscapes");
    ASSERT_TRUE(Eventually([&] { return Received().contains("STARTTLS"); }));
    QAction* start = startTls();
    ASSERT_TRUE(start->isEnabled());
    start->trigger();
    // Once the files are read, and once per connection.
    ASSERT_TRUE(Eventually([&] { return !startTls()->isEnabled(); }));
    EXPECT_TRUE(messages_.empty());
    Type("220 go ahead\r\n");
    Menu("actionSendWithEscapes");
    ConnectInfo* rec = Rec(Child(0));
    ASSERT_TRUE(Eventually([&] {
        auto s = pages::SessionOf(rec);
        return s && s->Established();
    }));
    ASSERT_TRUE(client.Write("secret\n"));
    EXPECT_TRUE(Eventually([&] { return Received().contains("secret"); }));
}

// A key file that is a FIFO nobody writes to leaves the window's events running; the server
// listens once the key comes through it, and the thread that read it ends.
TEST_F(TlsServerPageTest, KeyOnAFifoDoesNotHoldUpTheWindow) {
    TestPki pki;
    QTemporaryDir dir;
    const std::string fifo = dir.filePath("key.fifo").toStdString();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TlsChoice choice;
    choice.enabled = true;
    choice.selfSigned = false;
    choice.certFile = QString::fromStdString(pki.serverCert);
    choice.keyFile = QString::fromStdString(fifo);
    choice.Store("tcpServer");
    ListenOnFreePort();

    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    EXPECT_TRUE(Eventually([&] { return ticks >= 20; }));
    EXPECT_EQ(pages::TlsLoadsRunning(), 1);
    EXPECT_NE(Icon(Root()), pages::kImageEndpointActive);

    // The key is read more than once (is it encrypted? then the context): feed every reader.
    std::ifstream in(pki.serverKey, std::ios::binary);
    const std::string key{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_TRUE(Eventually([&] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);  // ENXIO while none reads
        if (fd >= 0) {
            EXPECT_EQ(write(fd, key.data(), key.size()), static_cast<ssize_t>(key.size()));
            close(fd);
        }
        return Icon(Root()) == pages::kImageEndpointActive;
    }));
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(Eventually([] { return pages::TlsLoadsRunning() == 0; }));
}

class TlsClientPageTest : public SendTest<pages::CTcpClientDlg> {
protected:
    void Create(int port) {
        AnswerNextPrompt({{pages::CDlgSetIp::kBoxAddress, "127.0.0.1"},
                          {pages::CDlgSetIp::kBoxPort, QString::number(port)},
                          {pages::CDlgSetIp::kBoxCount, "1"}});
        Press(pages::CTcpClientDlg::kCreate);
        ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));  // TLS files read
        ClickItem(Child(0));
        Press(pages::CTcpClientDlg::kConnect);
    }
    TestPki pki_;
};

// Against a server whose CA is not trusted, the failure message names the cause; with
// verification off the same server is talked to, and the tooltip warns.
TEST_F(TlsClientPageTest, UntrustedServerIsRefusedUnlessVerificationIsOff) {
    const int port = FreeTcpPort();
    ChildProcess server(SServerArgs(port, pki_.serverCert, pki_.serverKey));
    ASSERT_TRUE(Shows(server, "ACCEPT"));
    TlsChoice choice;
    choice.enabled = true;
    choice.server = false;
    choice.caFile = QString::fromStdString(pki_.otherCaCert);
    choice.Store("tcpClient");
    Create(port);
    EXPECT_TRUE(Eventually([&] {
        return HasMessage("TLS 握手失败: 证书不是受信任的机构签发的 (未知 CA)", ui::AppTitle());
    }));

    choice.verify = false;
    choice.Store("tcpClient");
    Press(pages::CTcpClientDlg::kDelete);
    Create(port);
    ConnectInfo* rec = Rec(Child(0));
    ASSERT_TRUE(Eventually([&] {
        auto s = pages::SessionOf(rec);
        return s && s->Established();
    }));
    EXPECT_TRUE(pages::TlsTooltipText(rec).contains("警告"));
    Type("hello-server");
    Press(pages::CTcpClientDlg::kSend);
    EXPECT_TRUE(Shows(server, "hello-server"));
}

}  // namespace
}  // namespace quillet::test
