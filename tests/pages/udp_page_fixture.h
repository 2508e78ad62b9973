#pragma once
// Shared steps of the UDP page tests: an offscreen page with its addresses pinned to loopback,
// plain peer sockets owned by the test, and the page driver (scripted prompts, clicks on
// buttons and tree items, bounded waits that run the event loop).
#include <QDialog>
#include <QPlainTextEdit>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/local_address.h"
#include "pages/base/dialog_p.h"
#include "pages/prompts/set_udp_server_ip.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "skin/skin_btn.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/page_driver.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {

using namespace quillet::engine;

class UdpPageTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        SetLocalHostAddressForTest("127.0.0.1");
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    }
    void TearDown() override {
        page_.reset();
        fds_.clear();
        SetLocalHostAddressForTest(std::nullopt);
        g_adapterInfo.Clear();
        QtTestBase::TearDown();
    }

    template <typename Page>
    Page* Open() {
        auto page = std::make_unique<Page>();
        Page* raw = page.get();
        page_ = std::move(page);
        raw->show();
        return raw;
    }

    // A plain UDP socket on ip:port (0: any free port), closed after the test.
    int Peer(int port = 0, const char* ip = "127.0.0.1") {
        PeerSocket& peer = fds_.emplace_back(UdpBind(port, ip));
        EXPECT_GE(peer.fd(), 0) << "cannot bind " << ip << ":" << port;
        return peer;
    }
    // `n` consecutive ports on 127.0.0.1 that were free a moment ago.
    static int FreeUdpPorts(int n) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int base = FreeUdpPort();
            if (base + n > 65535)
                continue;
            std::vector<PeerSocket> held;
            for (int i = 0; i < n; ++i) {
                PeerSocket fd(UdpBind(base + i));
                if (fd < 0)
                    break;
                held.push_back(std::move(fd));
            }
            if (static_cast<int>(held.size()) == n)
                return base;
        }
        return -1;
    }

    // The next prompt gets `fields` (control id to text), then OK; `open` tells whether it was
    // still open after OK (it is then cancelled); `offered` gets what its boxes held before.
    void AnswerPrompt(std::map<int, QString> fields, bool* open = nullptr,
                      std::map<int, QString>* offered = nullptr) {
        AnswerNextPrompt({std::move(fields), {}, true, [open, offered](const PromptSeen& seen) {
                              if (open)
                                  *open = seen.stayedOpen;
                              if (offered)
                                  *offered = seen.offered;
                          }});
    }

    // Opens the prompt of button `id`, notes where each named control of it sits, cancels it.
    std::map<QString, QRect> PromptPlaces(int id) {
        std::map<QString, QRect> places;
        ui::SetModalScript([&places](QDialog* dlg) {
            for (auto* w : dlg->findChildren<QWidget*>())
                places[w->objectName()] = w->geometry();
            dlg->reject();
        });
        Click(id);
        return places;
    }
    // The boxes and buttons of the address prompts sit where their form puts them; each
    // label stands left of its box, within its height.
    static void ExpectAddressPromptPlaces(const std::map<QString, QRect>& places) {
        using Prompt = pages::CSetUdpServerIp;
        const std::pair<int, int> rows[] = {{Prompt::kBoxAddress, 14},
                                            {Prompt::kBoxPeerPort, 33},
                                            {Prompt::kBoxLocalPort, 53},
                                            {Prompt::kBoxCount, 73}};
        for (const auto& [box, top] : rows) {
            const QString id = ui::ControlName(box);
            ASSERT_TRUE(places.count(id)) << box;
            EXPECT_EQ(places.at(id), ui::DuRect(63, top, 86, 12)) << box;
            const QString label = QStringLiteral("label") + id;
            ASSERT_TRUE(places.count(label)) << box;
            EXPECT_LT(places.at(label).right(), places.at(id).left()) << box;
            EXPECT_GE(places.at(label).top(), places.at(id).top()) << box;
            EXPECT_LE(places.at(label).bottom(), places.at(id).bottom()) << box;
        }
        EXPECT_EQ(places.at(ui::ControlName(Prompt::kOk)), ui::DuRect(33, 100, 50, 14));
        EXPECT_EQ(places.at(ui::ControlName(Prompt::kCancel)), ui::DuRect(99, 100, 50, 14));
    }

    void Click(int id) { PressButton(page_.get(), id); }
    bool Enabled(int id) const { return page_->Button(id) && page_->Button(id)->isEnabled(); }

    pages::CTreeCtrlEx* Tree() const { return page_->Tree(); }
    pages::TreeNode* Root() const { return Tree()->topLevelItem(0); }
    int Children() const { return Root() ? Root()->childCount() : -1; }
    pages::TreeNode* Child(int i) const { return Root() ? Root()->child(i) : nullptr; }
    static int Image(const pages::TreeNode* item) { return pages::CTreeCtrlEx::GetItemImage(item); }
    static ConnectInfo* Record(const pages::TreeNode* item) {
        return pages::CTreeCtrlEx::ItemData<ConnectInfo>(item);
    }
    // A left click on the item, as the user makes it.
    void ClickItem(pages::TreeNode* item) { ClickTreeItem(page_.get(), item); }

    QString Received() const { return page_->ReceivedView()->toPlainText(); }
    QString Sent() const { return page_->SentView()->toPlainText(); }
    void Type(const QString& text) { page_->SendBox()->setPlainText(text); }

    // Polls `cond` while running the event loop (notifications arrive through it).
    static bool Eventually(const std::function<bool()>& cond) { return RunUntil(cond); }
    static std::string Recv(int fd, sockaddr_in* from = nullptr) {
        bool ok = false;
        std::string data = UdpRecv(fd, &ok, from);
        return ok ? data : std::string("<nothing>");
    }
    // A one-line `text` is the first line: a second line may give the system's cause.
    bool LastMessage(const QString& text, const QString& caption) const {
        if (messages_.empty())
            return false;
        const QString& shown = messages_.back().text;
        return (text.contains(u'\n') ? shown : shown.section(u'\n', 0, 0)) == text &&
               messages_.back().caption == caption;
    }

    FreshSettings settings_;  // made before the page, gone after it
    std::unique_ptr<pages::CDialogP> page_;
    std::vector<PeerSocket> fds_;
};

}  // namespace quillet::test
