// The socket options of the TCP pages, chosen under "高级…": the box refuses values out of range
// and keeps good ones across runs, a server's connections and a client's connection get them
// (read back on the real sockets), the tree's tooltips name them, and a client's connect
// time-out gives up on a listener that never answers.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>

#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "pages/common/app_settings.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/common/failure_cause.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/prompts/socket_options_box.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/pages/tcp_page_fixture.h"

namespace quillet::test {
namespace {

using pages::CDlgSetIp;
using pages::CSetListenDlg;
using pages::CTcpClientDlg;
using pages::CTcpServerDlg;
using sock::SocketOptions;

int Get(int fd, int level, int name) {
    int value = -1;
    socklen_t len = sizeof value;
    EXPECT_EQ(getsockopt(fd, level, name, &value, &len), 0);
    return value;
}

int PeerPort(int fd) {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    return getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0 ? ntohs(peer.sin_port)
                                                                          : -1;
}

int SocketOf(ConnectInfo* rec) {
    CCritSecLock lock(g_csConnect);
    return rec ? rec->sock : -1;
}

// The tooltip the tree shows for `node`, as the pointer resting on it asks for it.
template <typename Page>
QString TipOf(Page* page, pages::TreeNode* node) {
    QWidget* viewport = page->Tree()->viewport();
    const QPoint at = page->Tree()->visualItemRect(node).center();
    QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &help);
    const QString text = QToolTip::text();
    QToolTip::hideText();
    return text;
}

// Presses "高级…" on `prompt` and lets `script` work the dialog it opens.
void WorkAdvanced(QDialog* prompt, const std::function<void(QDialog*)>& script) {
    auto* button = prompt->findChild<QPushButton*>("localAddressButton");
    ASSERT_TRUE(button);
    ui::SetModalScript(script);
    button->click();
    ui::SetModalScript(nullptr);
}

template <typename T>
T* Find(QDialog* dlg, const char* name) {
    T* found = dlg->findChild<T*>(QLatin1String(name));
    EXPECT_TRUE(found) << name;
    return found;
}

class SocketOptionsServerTest : public TcpPageTest<CTcpServerDlg> {};

struct ServerCase {
    const char* stored;
    const char* rootTip;
    const char* connectionTip;
    int noDelay;
    int keepAlive;
};

class ServerOptions : public SocketOptionsServerTest,
                      public ::testing::WithParamInterface<ServerCase> {};

TEST_P(ServerOptions, ReachTheAcceptedConnectionsAndTheirTooltips) {
    const ServerCase& c = GetParam();
    pages::settings::SetValue("addr/tcpServer/options", QString::fromLatin1(c.stored));
    const int port = ListenOnFreePort();
    EXPECT_EQ(Root()->toolTip(0), QString::fromUtf8(c.rootTip));
    PeerSocket client = AcceptedClient(port, 0);
    const int fd = SocketOf(Rec(Child(0)));
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_NODELAY) != 0, c.noDelay != 0);
    EXPECT_EQ(Get(fd, SOL_SOCKET, SO_KEEPALIVE) != 0, c.keepAlive != 0);
    const QString tip = TipOf(page_.get(), Child(0));
    EXPECT_TRUE(tip.startsWith(QString::fromUtf8(c.connectionTip))) << tip.toStdString();
    EXPECT_TRUE(tip.contains("收 ")) << "the counters stay";
}

const ServerCase kServerCases[] = {
    {"", "", "收 ", 0, 0},
    {"nodelay keepalive=60/10/5", "TCP_NODELAY, 保活 60/10/5", "TCP_NODELAY, 保活 60/10/5\n收 ", 1,
     1},
    {"keepalive reuse=0", "保活, 无 SO_REUSEADDR", "保活\n收 ", 0, 1},
};
INSTANTIATE_TEST_SUITE_P(Stored, ServerOptions, ::testing::ValuesIn(kServerCases));

class SocketOptionsClientTest : public TcpPageTest<CTcpClientDlg> {
protected:
    void Create(int port) {
        ScriptPrompt({{CDlgSetIp::kBoxAddress, "127.0.0.1"},
                      {CDlgSetIp::kBoxPort, QString::number(port)},
                      {CDlgSetIp::kBoxCount, "1"}});
        Press(CTcpClientDlg::kCreate);
        Press(CTcpClientDlg::kConnect);  // one connection is made, then connected
    }
};

TEST_F(SocketOptionsClientTest, ConnectsFromTheSourcePortWithItsOptionsAndNamesThem) {
    int port = 0;
    PeerSocket listener(TcpListen(&port));
    ASSERT_GE(listener, 0);
    const int source = FreeTcpPort();
    pages::settings::SetValue("addr/tcpClient/options",
                              QString("nodelay keepalive=0/10/0 timeout=30 sport=%1").arg(source));
    Create(port);
    ASSERT_EQ(Root()->childCount(), 1);
    PeerSocket accepted(TcpAccept(listener));
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(PeerPort(accepted), source);
    ASSERT_TRUE(Eventually([&] { return SocketOf(Rec(Child(0))) >= 0; }));
    const int fd = SocketOf(Rec(Child(0)));
    EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_NODELAY), 1);
    EXPECT_EQ(Get(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_KEEPINTVL), 10);
    EXPECT_EQ(TipOf(page_.get(), Child(0)).section('\n', 0, 0),
              QString("TCP_NODELAY, 保活 -/10/-, 连接超时 30 秒, 源端口 %1").arg(source));
    EXPECT_EQ(page_->PendingConnects(), 0u);
}

TEST_F(SocketOptionsClientTest, ConnectTimeOutGivesUpOnAListenerThatNeverAnswers) {
    // A listener that never accepts, its queue full: further handshakes get no answer.
    PeerSocket listener(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in at = Loopback(0);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    const int port = LocalPort(listener);
    PeerSocket filler(TcpConnect(port));
    ASSERT_GE(filler, 0);
    pages::settings::SetValue("addr/tcpClient/options", "timeout=1");
    Create(port);
    ASSERT_EQ(Root()->childCount(), 1);
    EXPECT_EQ(page_->PendingConnects(), 1u);
    const QString failed = pages::WithCause(QStringLiteral("客户端连接失败!"), ETIMEDOUT);
    ASSERT_TRUE(Eventually([&] { return HasMessage(failed, ui::AppTitle()); }));
    EXPECT_EQ(page_->PendingConnects(), 0u);
    EXPECT_EQ(SocketOf(Rec(Child(0))), -1);
    EXPECT_TRUE(Enabled(CTcpClientDlg::kConnect));
}

class SocketOptionsDialogTest : public QtTestBase {
protected:
    FreshSettings settings_;
};

struct BadValue {
    const char* page;
    const char* edit;
    const char* text;
    const char* message;
};

class RefusedValue : public SocketOptionsDialogTest,
                     public ::testing::WithParamInterface<BadValue> {};

TEST_P(RefusedValue, KeepsTheDialogOpenWithAMessage) {
    const BadValue& c = GetParam();
    std::unique_ptr<QDialog> prompt;
    if (std::string(c.page) == "tcpServer")
        prompt = std::make_unique<CSetListenDlg>(Qt::white, nullptr, "tcpServer");
    else
        prompt = std::make_unique<CDlgSetIp>(QString("127.0.0.1"), Qt::white, nullptr);
    bool stayed = false;
    WorkAdvanced(prompt.get(), [&](QDialog* dlg) {
        Find<QCheckBox>(dlg, "keepAliveCheck")->setChecked(true);
        Find<QLineEdit>(dlg, c.edit)->setText(QString::fromUtf8(c.text));
        dlg->accept();
        stayed = dlg->isVisible() && dlg->result() != QDialog::Accepted;
    });
    EXPECT_TRUE(stayed);
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back().text, QString::fromUtf8(c.message));
    EXPECT_EQ(pages::settings::Value("addr/" + QString(c.page) + "/options").toString(), "");
}

const BadValue kBadValues[] = {
    {"tcpServer", "keepIdleEdit", "0", "“空闲时间 (秒)”应为 1 到 32767 的整数！"},
    {"tcpServer", "keepIdleEdit", "32768", "“空闲时间 (秒)”应为 1 到 32767 的整数！"},
    {"tcpServer", "keepIntervalEdit", "ten", "“探测间隔 (秒)”应为 1 到 32767 的整数！"},
    {"tcpServer", "keepCountEdit", "128", "“探测次数”应为 1 到 127 的整数！"},
    {"tcpClient", "connectTimeoutEdit", "601", "“连接超时 (秒)”应为 1 到 600 的整数！"},
    {"tcpClient", "sourcePortEdit", "65536", "“源端口”应为 1 到 65535 的整数！"},
    {"tcpClient", "sourcePortEdit", "-1", "“源端口”应为 1 到 65535 的整数！"},
};
INSTANTIATE_TEST_SUITE_P(Each, RefusedValue, ::testing::ValuesIn(kBadValues));

TEST_F(SocketOptionsDialogTest, KeepsGoodValuesAcrossRunsAndOnlyTcpPromptsOfferThem) {
    {
        CDlgSetIp prompt(QString("127.0.0.1"), Qt::white, nullptr);
        WorkAdvanced(&prompt, [&](QDialog* dlg) {
            Find<QCheckBox>(dlg, "noDelayCheck")->setChecked(true);
            Find<QCheckBox>(dlg, "keepAliveCheck")->setChecked(true);
            Find<QLineEdit>(dlg, "keepIdleEdit")->setText("60");
            Find<QLineEdit>(dlg, "connectTimeoutEdit")->setText("600");
            Find<QLineEdit>(dlg, "sourcePortEdit")->setText("40000");
            Find<QCheckBox>(dlg, "reuseAddrCheck")->setChecked(true);
            dlg->accept();
        });
        EXPECT_EQ(prompt.Options().ToText(),
                  "nodelay keepalive=60/0/0 timeout=600 sport=40000 reuse=1");
    }
    {
        CSetListenDlg prompt(Qt::white, nullptr, "tcpServer");
        WorkAdvanced(&prompt, [&](QDialog* dlg) {
            auto* v6Only = Find<QCheckBox>(dlg, "v6OnlyCheck");
            EXPECT_FALSE(v6Only->isEnabled()) << "open only for the dual-stack wildcard";
            auto* list = Find<QComboBox>(dlg, "localAddressList");
            list->setCurrentIndex(list->findData(QStringLiteral("dual")));
            EXPECT_TRUE(v6Only->isEnabled());
            v6Only->setChecked(true);
            EXPECT_TRUE(Find<QCheckBox>(dlg, "reuseAddrCheck")->isChecked()) << "as always";
            dlg->accept();
        });
        EXPECT_EQ(prompt.Options().ToText(), "v6only");
    }
    settings_.Reopen();  // the next run
    EXPECT_EQ(CDlgSetIp(QString("127.0.0.1"), Qt::white, nullptr).Options().ToText(),
              "nodelay keepalive=60/0/0 timeout=600 sport=40000 reuse=1");
    CSetListenDlg server(Qt::white, nullptr, "tcpServer");
    EXPECT_EQ(server.Options().ToText(), "v6only");
    // Opened again, the box shows what was kept.
    WorkAdvanced(&server, [&](QDialog* dlg) {
        EXPECT_TRUE(Find<QCheckBox>(dlg, "v6OnlyCheck")->isChecked());
        EXPECT_FALSE(Find<QCheckBox>(dlg, "noDelayCheck")->isChecked());
    });

    CSetListenDlg udp(Qt::white, nullptr, "udpServer");
    WorkAdvanced(&udp, [&](QDialog* dlg) {
        EXPECT_FALSE(dlg->findChild<QWidget*>("socketOptionsBox"));
        dlg->accept();
    });
    EXPECT_TRUE(udp.Options().IsDefault());
}

TEST_F(SocketOptionsDialogTest, ReadsWhatWasWrittenByHandIntoTheSettingsFile) {
    QFile file(settings_.Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[addr]\ntcpServer\\options=nodelay keepalive=60/10/5\n");
    file.close();
    settings_.Reopen();
    EXPECT_EQ(pages::LoadSocketOptions("tcpServer").ToText(), "nodelay keepalive=60/10/5");
}

}  // namespace
}  // namespace quillet::test
