// Workspaces over the six real pages: endpoints made through their prompts on loopback, saved,
// the pages closed, opened into new pages; TCP endpoints with their socket options and TLS
// choices; the pages' sequences; a workspace whose ports are taken; damaged files.
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QShortcut>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <netinet/tcp.h>
#include <sys/socket.h>

#include "engine/crit_sec.h"
#include "engine/name_resolver.h"
#include "pages/prompts/dlg_set_ip.h"
#include "pages/prompts/local_choice.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/send/saved_messages_dlg.h"
#include "pages/send/sequences.h"
#include "pages/send/sequences_dlg.h"
#include "pages/prompts/set_multicast_dlg.h"
#include "pages/prompts/socket_options_box.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/tls/tls_cert_dlg.h"
#include "pages/tls/tls_choice.h"
#include "pages/udp_broad_dlg.h"
#include "pages/udp_server_dlg.h"
#include "pages/workspaces.h"
#include "pages/workspace/workspace_start.h"
#include "pages/settings/workspace_settings_tab.h"
#include "tests/common/ipv6_loopback.h"
#include "tests/pages/multicast_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CWorkspace;
using pages::EndpointSpec;
using pages::PageKind;
using pages::WorkspaceDoc;

class WorkspaceTest : public MulticastPageTest {
protected:
    void SetUp() override {
        MulticastPageTest::SetUp();
        ASSERT_TRUE(dir_.isValid());
        // Every server listens on loopback only.
        for (const char* page : {"tcpServer", "udpServer"})
            pages::LocalChoice::FromText("127.0.0.1").Store(page);
        pages::LocalChoice::FromText("auto").Store("udpClient");
        MakePages();
    }
    void TearDown() override {
        ClosePages();
        MulticastPageTest::TearDown();
    }

    void MakePages() {
        window_ = std::make_unique<QWidget>();
        list_ = {
            new pages::CTcpServerDlg(window_.get()), new pages::CTcpClientDlg(window_.get()),
            new pages::CUdpServerDlg(window_.get()), new pages::CUdpClientDlg(window_.get()),
            new pages::CUdpBroadDlg(window_.get()),  new pages::CMulticastServerDlg(window_.get())};
        workspace_ = std::make_unique<CWorkspace>(list_, window_.get());
    }
    void ClosePages() {
        workspace_.reset();
        for (auto it = list_.rbegin(); it != list_.rend(); ++it)
            delete *it;
        list_ = {};
        window_.reset();
        ProcessEvents();
    }
    pages::CDialogP* Page(PageKind kind) const { return list_[static_cast<int>(kind)]; }
    int Nodes(PageKind kind) const {
        pages::TreeNode* root = Page(kind)->Tree()->topLevelItem(0);
        return root ? root->childCount() : -1;
    }
    QString File(const char* name) const { return dir_.filePath(QLatin1String(name)); }

    // Saves to `path` and waits for the write.
    void Save(const QString& path) {
        QSignalSpy saved(workspace_.get(), &CWorkspace::saved);
        workspace_->SaveTo(path);
        ASSERT_TRUE(RunUntil([&] { return !saved.isEmpty(); }));
        EXPECT_EQ(saved.first().first().toString(), QString());
    }
    // Opens `path` and waits for the summary.
    void OpenFile(const QString& path) {
        QSignalSpy opened(workspace_.get(), &CWorkspace::opened);
        workspace_->OpenFrom(path);
        ASSERT_TRUE(RunUntil([&] { return !opened.isEmpty(); }));
    }
    void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // One endpoint on every page, through the pages' own prompts, all on 127.0.0.1.
    void MakeEveryKind(int tcpPort, int udpPort, int clientPorts, int groupPort) {
        AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(tcpPort)}});
        PressButton(Page(PageKind::kTcpServer), pages::CTcpServerDlg::kCreate);
        AnswerNextPrompt({{pages::CDlgSetIp::kBoxAddress, "127.0.0.1"},
                          {pages::CDlgSetIp::kBoxPort, QString::number(tcpPort)},
                          {pages::CDlgSetIp::kBoxCount, "2"}});
        PressButton(Page(PageKind::kTcpClient), pages::CTcpClientDlg::kCreate);
        AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(udpPort)}});
        PressButton(Page(PageKind::kUdpServer), pages::CUdpServerDlg::kCreate);
        AnswerNextPrompt({{pages::CSetUdpServerIp::kBoxAddress, "127.0.0.1"},
                          {pages::CSetUdpServerIp::kBoxPeerPort, QString::number(udpPort)},
                          {pages::CSetUdpServerIp::kBoxLocalPort, QString::number(clientPorts)},
                          {pages::CSetUdpServerIp::kBoxCount, "2"}});
        PressButton(Page(PageKind::kUdpClient), pages::CUdpClientDlg::kCreate);
        AnswerNextPrompt({{pages::CSetUdpServerIp::kBoxAddress, "127.255.255.255"},
                          {pages::CSetUdpServerIp::kBoxPeerPort, QString::number(udpPort)},
                          {pages::CSetUdpServerIp::kBoxLocalPort, QString::number(clientPorts + 2)},
                          {pages::CSetUdpServerIp::kBoxCount, "1"}});
        PressButton(Page(PageKind::kBroadcast), pages::CUdpClientDlg::kCreate);
        Join(Page(PageKind::kMulticast), groupPort, groupPort,
             {{pages::kBoxTtl, "3"}, {pages::kBoxInterface, "127.0.0.1"}}, false);
    }

    // The records under the root of a TCP page.
    std::vector<ConnectInfo*> Records(PageKind kind) const {
        std::vector<ConnectInfo*> out;
        pages::TreeNode* root = Page(kind)->Tree()->topLevelItem(0);
        for (int i = 0; root && i < root->childCount(); ++i)
            out.push_back(pages::CTreeCtrlEx::ItemData<ConnectInfo>(root->child(i)));
        return out;
    }
    static int SocketOf(ConnectInfo* rec) {
        CCritSecLock lock(g_csConnect);
        return rec->sock;
    }
    static int Get(int fd, int level, int name) {
        int value = -1;
        socklen_t len = sizeof value;
        EXPECT_EQ(getsockopt(fd, level, name, &value, &len), 0);
        return value;
    }
    static bool Established(ConnectInfo* rec) {
        auto session = pages::SessionOf(rec);
        return session && session->Established();
    }

    QTemporaryDir dir_;
    std::unique_ptr<QWidget> window_;
    CWorkspace::Pages list_{};
    std::unique_ptr<CWorkspace> workspace_;
};

TEST_F(WorkspaceTest, RoundTripOverEveryPageKind) {
    const int tcpPort = FreeTcpPort(), udpPort = FreeUdpPort(), clientPorts = FreeUdpPorts(3);
    const int groupPort = FreeUdpPort();
    MakeEveryKind(tcpPort, udpPort, clientPorts, groupPort);
    ASSERT_TRUE(RunUntil([&] { return Nodes(PageKind::kTcpServer) == 2; }));
    Page(PageKind::kTcpServer)
        ->Sending()
        ->ApplyAutoReply({pages::AutoReplySpec::Mode::kEcho, {}, false});
    Page(PageKind::kUdpClient)
        ->Sending()
        ->SavedMessagesDialog()
        ->Add({"hello", pages::SendForm::kHex, "68 69", pages::LineEnding::kNone});
    const WorkspaceDoc before = workspace_->Snapshot();
    for (const pages::PageSpec& page : before.pages)
        EXPECT_FALSE(page.endpoints.empty()) << pages::PageKindName(page.kind).toStdString();
    const QString path = File("round.json");
    Save(path);
    messages_.clear();

    ClosePages();
    MakePages();
    Page(PageKind::kTcpServer)->Sending()->ApplyAutoReply({});
    pages::StoreSaved(Page(PageKind::kUdpClient)->objectName(), {});
    OpenFile(path);
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    ASSERT_TRUE(RunUntil([&] { return Nodes(PageKind::kTcpServer) == 2; }));
    const WorkspaceDoc after = workspace_->Snapshot();
    ASSERT_EQ(after.pages.size(), before.pages.size());
    for (size_t i = 0; i < before.pages.size(); ++i) {
        SCOPED_TRACE(pages::PageKindName(before.pages[i].kind).toStdString());
        EXPECT_EQ(after.pages[i].endpoints, before.pages[i].endpoints);
        EXPECT_EQ(after.pages[i].autoReply, before.pages[i].autoReply);
        EXPECT_EQ(after.pages[i].saved, before.pages[i].saved);
    }
    EXPECT_EQ(Nodes(PageKind::kTcpClient), 2);
    EXPECT_EQ(Nodes(PageKind::kUdpClient), 2);
    EXPECT_EQ(Nodes(PageKind::kBroadcast), 1);
    EXPECT_EQ(Nodes(PageKind::kMulticast), 1);
    EXPECT_EQ(after.pages[0].endpoints[0].Local(), "127.0.0.1");
    EXPECT_EQ(after.pages[3].endpoints[0].Local(), "auto");
    EXPECT_FALSE(after.pages[5].endpoints[0].loop);
    EXPECT_EQ(after.pages[5].endpoints[0].ttl, 3);
    EXPECT_EQ(CWorkspace::LastFile(), path);
}

// A self-signed TLS server and TLS clients, each with socket options, come back with the same
// choices although the pages' settings have changed in between, and leave those settings be.
TEST_F(WorkspaceTest, TcpEndpointsComeBackWithTheirSocketOptionsAndTlsChoices) {
    pages::StoreSocketOptions("tcpServer",
                              sock::SocketOptions::FromText("nodelay keepalive=60/10/5"));
    pages::StoreSocketOptions("tcpClient",
                              sock::SocketOptions::FromText("keepalive=30/5/3 timeout=7"));
    pages::TlsChoice server;
    server.enabled = true;
    server.Store("tcpServer");
    pages::TlsChoice client;
    client.enabled = true;
    client.server = false;
    client.verify = false;
    client.alpn = "echo";
    client.minVersion = tls::MinVersion::kTls13;
    client.Store("tcpClient");
    const int port = FreeTcpPort();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
    PressButton(Page(PageKind::kTcpServer), pages::CTcpServerDlg::kCreate);
    // Each is made once its TLS files are read.
    ASSERT_TRUE(RunUntil([&] { return workspace_->Snapshot().pages[0].endpoints.size() == 1; }));
    AnswerNextPrompt({{pages::CDlgSetIp::kBoxAddress, "127.0.0.1"},
                      {pages::CDlgSetIp::kBoxPort, QString::number(port)},
                      {pages::CDlgSetIp::kBoxCount, "2"}});
    PressButton(Page(PageKind::kTcpClient), pages::CTcpClientDlg::kCreate);
    ASSERT_TRUE(RunUntil([&] { return Nodes(PageKind::kTcpClient) == 2; }));
    const WorkspaceDoc before = workspace_->Snapshot();
    ASSERT_EQ(before.pages[1].endpoints.size(), 1u);
    EXPECT_EQ(before.pages[0].endpoints[0].SocketOptions(), "nodelay keepalive=60/10/5");
    EXPECT_EQ(before.pages[1].endpoints[0].Tls().value("minVersion"), "1.3");
    EXPECT_FALSE(before.pages[1].endpoints[0].Tls().value("verify").toBool());
    Save(File("tls.json"));
    ClosePages();
    pages::StoreSocketOptions("tcpServer", {});
    pages::StoreSocketOptions("tcpClient", sock::SocketOptions::FromText("nodelay"));
    pages::TlsChoice{}.Store("tcpServer");
    pages::TlsChoice{}.Store("tcpClient");
    MakePages();

    OpenFile(File("tls.json"));
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    const WorkspaceDoc after = workspace_->Snapshot();
    EXPECT_EQ(after.pages[0].endpoints, before.pages[0].endpoints);
    EXPECT_EQ(after.pages[1].endpoints, before.pages[1].endpoints);
    const auto* state = pages::CTreeCtrlEx::ItemData<ServerState>(
        Page(PageKind::kTcpServer)->Tree()->topLevelItem(0));
    ASSERT_TRUE(state && state->sock >= 0);
    EXPECT_NE(Get(state->sock, IPPROTO_TCP, TCP_NODELAY), 0);
    EXPECT_EQ(Get(state->sock, IPPROTO_TCP, TCP_KEEPIDLE), 60);
    ASSERT_TRUE(RunUntil([&] { return Nodes(PageKind::kTcpServer) == 2; }));
    for (ConnectInfo* rec : Records(PageKind::kTcpClient)) {
        ASSERT_TRUE(RunUntil([&] { return Established(rec); }));
        const int fd = SocketOf(rec);
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_NODELAY), 0) << "the page's setting is not used";
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_KEEPIDLE), 30);
        EXPECT_EQ(Get(fd, IPPROTO_TCP, TCP_KEEPCNT), 3);
        const tls::State tlsState = pages::SessionOf(rec)->Snapshot();
        EXPECT_EQ(tlsState.protocol, "TLSv1.3");
        EXPECT_TRUE(tlsState.verifyOff);
    }
    for (ConnectInfo* rec : Records(PageKind::kTcpServer))
        EXPECT_EQ(Get(SocketOf(rec), IPPROTO_TCP, TCP_KEEPINTVL), 10);
    EXPECT_FALSE(pages::TlsChoice::Load("tcpServer", true).enabled);
    EXPECT_FALSE(pages::TlsChoice::Load("tcpClient", false).enabled);
    EXPECT_EQ(pages::LoadSocketOptions("tcpClient").ToText(), "nodelay");
}

// A TLS file the workspace names that is gone by the time it is opened is told in the summary
// with the endpoint named, and the rest is made.
TEST_F(WorkspaceTest, MissingTlsFileIsToldInTheSummary) {
    const int port = FreeTcpPort(), udpPort = FreeUdpPort();
    const QByteArray doc = QStringLiteral(R"({"version": 1, "pages": [
        {"page": "tcpServer", "endpoints": [{"port": %1, "options": {"local": "127.0.0.1",
            "tls": {"selfSigned": false, "certFile": "%3", "keyFile": "%3"}}}]},
        {"page": "udpServer", "endpoints": [{"port": %2, "options": {"local": "127.0.0.1"}}]}]})")
                               .arg(port)
                               .arg(udpPort)
                               .arg(File("gone.crt"))
                               .toUtf8();
    Write(File("gone.json"), doc);
    OpenFile(File("gone.json"));
    ASSERT_EQ(messages_.size(), 1u);
    const QString summary = messages_.front().text;
    EXPECT_TRUE(summary.contains("pages[0].endpoints[0]")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("gone.crt")) << summary.toStdString();
    EXPECT_FALSE(summary.contains("pages[1]")) << summary.toStdString();
    EXPECT_TRUE(workspace_->Snapshot().pages[0].endpoints.empty());
    EXPECT_EQ(workspace_->Snapshot().pages[2].endpoints.size(), 1u);
}

// A page's sequences are saved with the workspace; opening adds them to a page's list, leaving
// out those whose name the list has.
TEST_F(WorkspaceTest, SequencesRoundTripWithoutDoubling) {
    pages::SequenceStep send;
    send.text = "ping";
    pages::SequenceStep expect;
    expect.kind = pages::StepKind::kExpect;
    expect.match = pages::MatchKind::kRegex;
    expect.pattern = "po+ng";
    pages::SequenceStep wait;
    wait.kind = pages::StepKind::kWait;
    const pages::Sequences saved = {{"ping", {send, expect}}, {"wait", {wait}}};
    const QString name = Page(PageKind::kTcpClient)->objectName();
    Page(PageKind::kTcpClient)->Sending()->SequencesDialog()->SetAll(saved);
    Save(File("seq.json"));
    ClosePages();
    pages::StoreSequences(name, {});
    MakePages();
    pages::SequenceStep other;
    other.text = "mine";
    Page(PageKind::kTcpClient)->Sending()->SequencesDialog()->SetAll({{"wait", {other}}});

    OpenFile(File("seq.json"));
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    const pages::Sequences want = {{"wait", {other}}, saved[0]};
    EXPECT_EQ(Page(PageKind::kTcpClient)->Sending()->SequencesDialog()->All(), want);
    EXPECT_EQ(pages::LoadSequences(name), want);
    EXPECT_TRUE(workspace_->Snapshot().pages[0].sequences.isUndefined());
}

TEST_F(WorkspaceTest, DeletedRecordsSplitTheirPromptsRunAndOptionsAndSequencesAreKept) {
    const int ports = FreeUdpPorts(3), peer = FreeUdpPort();
    const QByteArray doc = QStringLiteral(R"({"version": 1, "pages": [
        {"page": "udpClient", "sequences": {"version": 1, "sequences": [{"name": "w",
            "steps": [{"kind": "wait", "ms": 5}, {"kind": "wait", "ms": 6}]}]},
         "endpoints": [{"address": "127.0.0.1", "port": %1, "localPort": %2, "count": 3,
                        "options": {"local": "auto", "later": {"x": 1}}}]}]})")
                               .arg(peer)
                               .arg(ports)
                               .toUtf8();
    Write(File("kept.json"), doc);
    OpenFile(File("kept.json"));
    ASSERT_EQ(Nodes(PageKind::kUdpClient), 3);
    pages::CDialogP* page = Page(PageKind::kUdpClient);
    ASSERT_TRUE(ClickTreeItem(page, page->Tree()->topLevelItem(0)->child(1)));
    PressButton(page, pages::CUdpClientDlg::kDelete);
    const WorkspaceDoc now = workspace_->Snapshot();
    const auto& endpoints = now.pages[3].endpoints;
    ASSERT_EQ(endpoints.size(), 2u);
    EXPECT_EQ(endpoints[0].localPort, ports);
    EXPECT_EQ(endpoints[1].localPort, ports + 2);
    EXPECT_EQ(endpoints[1].count, 1);
    EXPECT_EQ(endpoints[0].options.value("later").toObject().value("x").toInt(), 1);
    const auto read = pages::SequencesFromJson(now.pages[3].sequences);
    ASSERT_TRUE(std::holds_alternative<pages::Sequences>(read));
    EXPECT_EQ(std::get<pages::Sequences>(read).at(0).steps.size(), 2u);
}

TEST_F(WorkspaceTest, PortsInUseAreToldInOneSummaryAndTheRestIsMade) {
    int tcpPort = 0;
    PeerSocket listener(TcpListen(&tcpPort));
    const int udpPort = FreeUdpPort();
    Peer(udpPort);  // holds 127.0.0.1:udpPort
    const int clientPorts = FreeUdpPorts(2);
    const QByteArray doc = QStringLiteral(R"({"version": 1, "pages": [
        {"page": "tcpServer", "endpoints": [{"port": %1, "options": {"local": "127.0.0.1"}}]},
        {"page": "udpServer", "endpoints": [{"port": %2, "options": {"local": "127.0.0.1"}}]},
        {"page": "udpClient", "endpoints": [{"address": "127.0.0.1", "port": %2,
                                             "localPort": %3, "count": 2}]}]})")
                               .arg(tcpPort)
                               .arg(udpPort)
                               .arg(clientPorts)
                               .toUtf8();
    Write(File("busy.json"), doc);
    OpenFile(File("busy.json"));
    ASSERT_EQ(messages_.size(), 1u);
    const QString summary = messages_.front().text;
    EXPECT_TRUE(summary.contains(File("busy.json"))) << summary.toStdString();
    EXPECT_TRUE(summary.contains("pages[0].endpoints[0]")) << summary.toStdString();
    EXPECT_TRUE(summary.contains("pages[1].endpoints[0]")) << summary.toStdString();
    EXPECT_FALSE(summary.contains("pages[2]")) << summary.toStdString();
    EXPECT_EQ(Nodes(PageKind::kUdpClient), 2);
}

// A host name is looked up beside the window, as its prompt does; the endpoints after it wait
// for it, in order, and a name of nothing is told in the summary with the rest made.
TEST_F(WorkspaceTest, HostNamesAreLookedUpInTheBackgroundAndOrderIsKept) {
    SetHostListLookupForTest([](const std::string& name) {
        return name == "peer.test" ? std::vector<IpEndpoint>{Endpoint("127.0.0.1", 0)}
                                   : std::vector<IpEndpoint>{};
    });
    int tcpPort = 0;
    PeerSocket listener(TcpListen(&tcpPort));
    const int udpPort = FreeUdpPort();
    const QByteArray doc = QStringLiteral(R"({"version": 1, "pages": [
        {"page": "tcpClient", "endpoints": [
            {"address": "nosuch.test", "port": %1, "count": 1},
            {"address": "peer.test", "port": %1, "count": 1}]},
        {"page": "udpServer", "endpoints": [{"port": %2, "options": {"local": "127.0.0.1"}}]}]})")
                               .arg(tcpPort)
                               .arg(udpPort)
                               .toUtf8();
    Write(File("names.json"), doc);
    OpenFile(File("names.json"));
    SetHostListLookupForTest(nullptr);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_.front().text.contains("pages[0].endpoints[0]"))
        << messages_.front().text.toStdString();
    EXPECT_FALSE(messages_.front().text.contains("endpoints[1]"));
    ASSERT_EQ(Nodes(PageKind::kTcpClient), 1);
    EXPECT_TRUE(Page(PageKind::kTcpClient)
                    ->Tree()
                    ->topLevelItem(0)
                    ->child(0)
                    ->text(0)
                    .contains(QStringLiteral("127.0.0.1:%1").arg(tcpPort)));
    const WorkspaceDoc now = workspace_->Snapshot();
    ASSERT_EQ(now.pages[1].endpoints.size(), 1u);
    EXPECT_EQ(now.pages[1].endpoints[0].address, "peer.test");
    EXPECT_EQ(now.pages[2].endpoints.size(), 1u);
}

// The tree's menu has both commands; Ctrl+Shift+S asks for a file and saves there; the option
// to reopen the last workspace is off until the settings tab ticks it.
TEST_F(WorkspaceTest, MenusKeysAndTheStartOption) {
    std::unique_ptr<QMenu> menu(Page(PageKind::kTcpServer)->MakeTreeMenu(nullptr));
    QStringList names;
    for (const QAction* action : menu->actions())
        names << action->objectName();
    EXPECT_TRUE(names.contains("actionSaveWorkspace")) << names.join(' ').toStdString();
    EXPECT_TRUE(names.contains("actionOpenWorkspace"));

    const QString path = File("by_key.json");
    ui::SetModalScript([&](QDialog* dlg) {
        auto* files = qobject_cast<QFileDialog*>(dlg);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->objectName(), "saveWorkspaceFile");
        files->selectFile(path);
        QMetaObject::invokeMethod(files, "accept");
    });
    QSignalSpy saved(workspace_.get(), &CWorkspace::saved);
    auto* key = window_->findChild<QShortcut*>("saveWorkspaceKey");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->key(), QKeySequence("Ctrl+Shift+S"));
    emit key->activated();
    ui::SetModalScript(nullptr);
    ASSERT_TRUE(RunUntil([&] { return !saved.isEmpty(); }));
    EXPECT_TRUE(QFile::exists(path));
    ASSERT_NE(window_->findChild<QShortcut*>("openWorkspaceKey"), nullptr);

    EXPECT_FALSE(pages::WorkspaceRestoresAtStart());
    auto tab = pages::MakeWorkspaceSettingsTab(nullptr);
    std::unique_ptr<QWidget> widget(tab->Widget());
    widget->findChild<QCheckBox*>("workspaceRestoreAtStart")->setChecked(true);
    EXPECT_TRUE(tab->Apply());
    EXPECT_TRUE(pages::WorkspaceRestoresAtStart());
    pages::SetWorkspaceRestoresAtStart(false);
}

struct Damaged {
    const char* name;
    const char* json;   // %1: a free port
    const char* where;  // the first bad entry, as the message names it
};

class DamagedWorkspaceTest : public WorkspaceTest, public ::testing::WithParamInterface<Damaged> {};

// Each file begins with a good UDP server, which must not be made.
const Damaged kDamaged[] = {
    {"invalid_json", R"({"version": 1, "pages": [)", "JSON"},
    {"version_2", R"({"version": 2, "pages": []})", "version"},
    {"port_70000",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpServer", "endpoints": [{"port": 70000}]}]})",
     "pages[1].endpoints[0].port"},
    {"group_not_multicast",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "multicast", "endpoints": [{"group": "10.0.0.1", "port": 6000,
         "localPort": 6000, "count": 1, "ttl": 1, "interface": "127.0.0.1"}]}]})",
     "pages[1].endpoints[0].group"},
    {"unknown_page",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "serial", "endpoints": []}]})",
     "pages[1].page"},
    {"count_out_of_range",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpClient", "endpoints": [{"address": "127.0.0.1", "port": 1,
         "count": 5001}]}]})",
     "pages[1].endpoints[0].count"},
    {"socket_options_unreadable",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpServer", "endpoints": [{"port": 1,
         "options": {"socket": "nodelay keepalive=60/10/999"}}]}]})",
     "pages[1].endpoints[0].options.socket"},
    {"socket_options_on_a_udp_page",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1,
         "options": {"socket": "nodelay"}}]}]})",
     "pages[0].endpoints[0].options.socket"},
    {"tls_unknown_key",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpClient", "endpoints": [{"address": "127.0.0.1", "port": 1, "count": 1,
         "options": {"tls": {"verify": false, "password": "x"}}}]}]})",
     "pages[1].endpoints[0].options.tls.password"},
    {"tls_min_version",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpServer", "endpoints": [{"port": 1, "options": {"tls": {"minVersion": "1.1"}}}]}]})",
     "pages[1].endpoints[0].options.tls.minVersion"},
    {"tls_client_cert_mode",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpServer", "endpoints": [{"port": 1, "options": {"tls": {"clientCert": 3}}}]}]})",
     "pages[1].endpoints[0].options.tls.clientCert"},
    {"tls_not_an_object",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpServer", "endpoints": [{"port": 1, "options": {"tls": true}}]}]})",
     "pages[1].endpoints[0].options.tls"},
    {"sequence_step_damaged",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}]},
        {"page": "tcpClient", "sequences": {"version": 1, "sequences": [{"name": "s",
         "steps": [{"kind": "wait", "ms": -1}]}]}}]})",
     "pages[1].sequences"},
    {"sequences_version",
     R"({"version": 1, "pages": [{"page": "udpServer", "endpoints": [{"port": %1}],
        "sequences": {"version": 9, "sequences": []}}]})",
     "pages[0].sequences"},
};

TEST_P(DamagedWorkspaceTest, IsRefusedWithTheFileAndFirstBadEntryAndNothingMade) {
    const Damaged& c = GetParam();
    const QString path = File("damaged.json");
    QString json = QString::fromUtf8(c.json);
    if (json.contains(QLatin1String("%1")))
        json = json.arg(FreeUdpPort());
    Write(path, json.toUtf8());
    OpenFile(path);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_.front().text.contains(path)) << messages_.front().text.toStdString();
    EXPECT_TRUE(messages_.front().text.contains(QLatin1String(c.where)))
        << messages_.front().text.toStdString();
    EXPECT_TRUE(workspace_->Snapshot().pages[2].endpoints.empty());
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedWorkspaceTest, ::testing::ValuesIn(kDamaged),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillet::test
