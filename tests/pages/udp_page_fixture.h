#pragma once
// Shared steps of the UDP page tests: an offscreen page with its addresses pinned to loopback,
// plain peer sockets, scripted prompts, tree clicks and bounded waits that run the event loop.
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialog_p.h"
#include "pages/set_udp_server_ip.h"
#include "engine/local_address.h"
#include "loopback_peer.h"
#include "qt_test_base.h"
#include "skin_btn.h"
#include "tree_ctrl_ex.h"
#include "wait_until.h"

namespace quillet::test {

class UdpPageTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        SetLocalHostAddressForTest("127.0.0.1");
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    }
    void TearDown() override {
        page_.reset();
        for (int fd : fds_)
            CloseFd(fd);
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
        int fd = UdpBind(port, ip);
        EXPECT_GE(fd, 0) << "cannot bind " << ip << ":" << port;
        fds_.push_back(fd);
        return fd;
    }
    // `n` consecutive ports on 127.0.0.1 that were free a moment ago.
    static int FreeUdpPorts(int n) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            const int base = FreeUdpPort();
            if (base + n > 65535)
                continue;
            std::vector<int> held;
            for (int i = 0; i < n; ++i) {
                int fd = UdpBind(base + i);
                if (fd < 0)
                    break;
                held.push_back(fd);
            }
            const bool ok = static_cast<int>(held.size()) == n;
            for (int fd : held)
                CloseFd(fd);
            if (ok)
                return base;
        }
        return -1;
    }

    // The next prompt gets `fields` (control id to text), then OK; `open` tells whether it was
    // still open after OK (it is then cancelled).
    void AnswerPrompt(std::map<int, QString> fields, bool* open = nullptr,
                      std::map<int, QString>* offered = nullptr) {
        ui::SetModalScript([fields, open, offered](QDialog* dlg) {
            if (offered) {
                for (auto* edit : dlg->findChildren<QLineEdit*>())
                    (*offered)[edit->objectName().toInt()] = edit->text();
            }
            for (const auto& [id, text] : fields) {
                auto* edit = dlg->findChild<QLineEdit*>(QString::number(id));
                ASSERT_NE(edit, nullptr) << "no box " << id;
                edit->setText(text);
            }
            dlg->findChild<QPushButton*>("1")->click();
            if (open)
                *open = dlg->isVisible();
        });
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

    void Click(int id) {
        ui::CSkinBtn* button = page_->Button(id);
        ASSERT_NE(button, nullptr) << "no button " << id;
        button->click();
    }
    bool Enabled(int id) const { return page_->Button(id) && page_->Button(id)->isEnabled(); }

    pages::CTreeCtrlEx* Tree() const { return page_->Tree(); }
    QTreeWidgetItem* Root() const { return Tree()->topLevelItem(0); }
    int Children() const { return Root() ? Root()->childCount() : -1; }
    QTreeWidgetItem* Child(int i) const { return Root() ? Root()->child(i) : nullptr; }
    static int Image(const QTreeWidgetItem* item) { return pages::CTreeCtrlEx::GetItemImage(item); }
    static ConnectInfo* Record(const QTreeWidgetItem* item) {
        return pages::CTreeCtrlEx::ItemData<ConnectInfo>(item);
    }
    // A left click on the item, as the user makes it.
    void ClickItem(QTreeWidgetItem* item) {
        Tree()->scrollToItem(item);
        const QPoint at = Tree()->visualItemRect(item).center();
        QTest::mouseClick(Tree()->viewport(), Qt::LeftButton, {}, at);
        ProcessEvents();
    }

    QString Received() const { return page_->ReceivedView()->toPlainText(); }
    QString Sent() const { return page_->SentView()->toPlainText(); }
    void Type(const QString& text) { page_->SendBox()->setPlainText(text); }

    // Polls `cond` while running the event loop (notifications arrive through it).
    static bool Eventually(const std::function<bool()>& cond) {
        return WaitUntil([&] {
            ProcessEvents();
            return cond();
        });
    }
    static std::string Recv(int fd, sockaddr_in* from = nullptr) {
        bool ok = false;
        std::string data = UdpRecv(fd, &ok, from);
        return ok ? data : std::string("<nothing>");
    }
    bool LastMessage(const QString& text, const QString& caption) const {
        return !messages_.empty() && messages_.back().text == text &&
               messages_.back().caption == caption;
    }

    std::unique_ptr<pages::CDialogP> page_;
    std::vector<int> fds_;
};

}  // namespace quillet::test
