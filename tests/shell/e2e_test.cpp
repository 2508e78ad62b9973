// The program end to end, in process: the same start-up as the quillet executable runs the main
// window; a script works it through its user interface (a TCP server made with the page's
// button and prompt, a message each way with a plain socket on 127.0.0.1, tab switches), and
// the close button ends the run while clients are still connected and sending.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include "pages/tree/tree_ctrl_ex.h"

#include <vector>

#include "engine/local_address.h"
#include "pages/base/dialog_p.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "shell/chat_app.h"
#include "shell/mgr_dlg.h"
#include "skin/skin_btn.h"
#include "skin/skin_tab.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/page_driver.h"
#include "tests/common/qt_test_base.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::CTcpServerDlg;
constexpr int kPeers = 100;

struct Session {
    int port = 0;
    std::vector<int> peers;
    QString receivedView;
    QString receivedAfterTabs;
    int clientsAfterTabs = 0;
    std::string replyAtPeer;
    bool sawAbout = false;
};
Session g_session;

void Click(QWidget* w, QPoint at) {
    QTest::mouseClick(w, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

void ClickTab(shell::CMgrDlg* dlg, int tab) {
    Click(dlg->TabStrip(), dlg->TabStrip()->itemRect(tab).center());
}

// Runs inside the program's event loop, as a user would.
void Drive(shell::CMgrDlg* dlg) {
    Session& s = g_session;
    auto* page = static_cast<pages::CDialogP*>(dlg->Page(shell::kTcpServer));
    s.port = FreeTcpPort();
    AnswerNextPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(s.port)}});
    PressButton(page, CTcpServerDlg::kCreate);

    for (int i = 0; i < kPeers; ++i)
        s.peers.push_back(TcpConnect(s.port));
    pages::TreeNode* root = page->Tree()->topLevelItem(0);
    if (!RunUntil([&] { return root->childCount() == kPeers; }))
        return;

    // The first client says hello; the page shows it and answers.
    SendAll(s.peers[0], "hello");
    pages::TreeNode* first = root->child(0);
    ClickTreeItem(page, first);
    RunUntil([&] { return page->ReceivedView()->toPlainText().contains("  hello"); });
    s.receivedView = page->ReceivedView()->toPlainText();
    page->SendBox()->setPlainText("reply");
    PressButton(page, CTcpServerDlg::kSend);
    s.replyAtPeer = RecvExactly(s.peers[0], 5);

    // Other tabs and back: the hidden server page keeps its clients and goes on receiving.
    ClickTab(dlg, 2);
    SendAll(s.peers[0], "meanwhile");
    ClickTab(dlg, 6);
    ClickTab(dlg, 0);
    RunUntil([&] { return page->ReceivedView()->toPlainText().contains("  meanwhile"); });
    s.receivedAfterTabs = page->ReceivedView()->toPlainText();
    s.clientsAfterTabs = root->childCount();

    // Every client keeps sending while the program closes.
    for (int round = 0; round < 3; ++round) {
        for (int fd : s.peers)
            SendAll(fd, "data");
    }
    ui::SetModalScript([&s](QDialog* about) {
        s.sawAbout = about->objectName() == "dialog100";
        about->accept();
    });
    Click(dlg->CloseButton(), dlg->CloseButton()->rect().center());
}

class EndToEndTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        SetLocalHostAddressForTest("127.0.0.1");
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    }
    void TearDown() override {
        for (int fd : g_session.peers)
            CloseFd(fd);
        SetLocalHostAddressForTest(std::nullopt);
        g_adapterInfo.Clear();
        QtTestBase::TearDown();
    }
};

TEST_F(EndToEndTest, TcpServerThroughTheWindowExchangesAndClosesEveryClientOnExit) {
    shell::CChatApp chat;
    const int code = chat.Run(*qApp, [](shell::CMgrDlg* dlg) {
        // Scheduled, so it runs inside the program's own event loop.
        QTimer::singleShot(0, dlg, [dlg] { Drive(dlg); });
    });
    const Session& s = g_session;
    EXPECT_EQ(code, 0);
    ASSERT_EQ(s.peers.size(), static_cast<size_t>(kPeers));
    EXPECT_TRUE(s.receivedView.contains(QRegularExpression(
        "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  hello$", QRegularExpression::MultilineOption)))
        << s.receivedView.toStdString();
    EXPECT_EQ(s.replyAtPeer, "reply");
    EXPECT_TRUE(s.receivedAfterTabs.contains("  meanwhile"));
    EXPECT_EQ(s.clientsAfterTabs, kPeers);
    EXPECT_TRUE(s.sawAbout);
    // The run has ended and the window is gone: every client sees its connection closed.
    for (int fd : s.peers)
        EXPECT_TRUE(WaitPeerClosed(fd));
}

}  // namespace
}  // namespace quillet::test
