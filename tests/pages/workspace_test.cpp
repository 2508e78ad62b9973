// Workspaces over the six real pages: endpoints made through their prompts on loopback, saved,
// the pages closed, opened into new pages; a workspace whose ports are taken; damaged files.
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QShortcut>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "engine/crit_sec.h"
#include "engine/name_resolver.h"
#include "pages/dlg_set_ip.h"
#include "pages/local_choice.h"
#include "pages/multicast_server_dlg.h"
#include "pages/prompt_dlg.h"
#include "pages/saved_messages_dlg.h"
#include "pages/set_multicast_dlg.h"
#include "pages/tcp_client_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "pages/udp_broad_dlg.h"
#include "pages/udp_server_dlg.h"
#include "pages/workspace.h"
#include "pages/workspace_settings_tab.h"
#include "tests/common/ipv6_loopback.h"
#include "tests/pages/multicast_fixture.h"

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
    Page(PageKind::kTcpServer)->ApplyAutoReply({pages::AutoReplySpec::Mode::kEcho, {}, false});
    Page(PageKind::kUdpClient)
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
    Page(PageKind::kTcpServer)->ApplyAutoReply({});
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

TEST_F(WorkspaceTest, DeletedRecordsSplitTheirPromptsRunAndOptionsAndSequencesAreKept) {
    const int ports = FreeUdpPorts(3), peer = FreeUdpPort();
    const QByteArray doc = QStringLiteral(R"({"version": 1, "pages": [
        {"page": "udpClient", "sequences": {"steps": [1, 2]},
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
    EXPECT_EQ(now.pages[3].sequences.toObject().value("steps").toArray().size(), 2);
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

    EXPECT_FALSE(CWorkspace::RestoresAtStart());
    auto tab = pages::MakeWorkspaceSettingsTab(nullptr);
    std::unique_ptr<QWidget> widget(tab->Widget());
    widget->findChild<QCheckBox*>("workspaceRestoreAtStart")->setChecked(true);
    EXPECT_TRUE(tab->Apply());
    EXPECT_TRUE(CWorkspace::RestoresAtStart());
    CWorkspace::SetRestoresAtStart(false);
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
