#pragma once
// Shared by the soak and robustness tests: pages driven as a user drives them (the page driver:
// prompts through the modal seam, real mouse clicks on buttons and tree items), nodes found by
// their labels, record counters read under the lock, and bounded waits that keep the event
// loop running.

#include <map>

#include "engine/connect_info.h"
#include "engine/crit_sec.h"
#include "engine/local_address.h"
#include "pages/base/dialog_p.h"
#include "pages/tree/tree_ctrl_ex.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/page_driver.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {

using namespace quillet::engine;

class PageDriverTest : public QtTestBase {
protected:
    FreshSettings settings_;  // made before any page, gone after it

    void SetUp() override {
        QtTestBase::SetUp();
        SetLocalHostAddressForTest("127.0.0.1");
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
    }
    void TearDown() override {
        SetLocalHostAddressForTest(std::nullopt);
        g_adapterInfo.Clear();
        QtTestBase::TearDown();
    }

    // The next prompt gets `fields` (control id to text) and OK.
    static void AnswerPrompt(std::map<int, QString> fields) { AnswerNextPrompt(std::move(fields)); }
    // A real click: a disabled button ignores it.
    static void Press(pages::CDialogP* page, int id) { PressButton(page, id); }
    static void Select(pages::CDialogP* page, pages::TreeNode* item) {
        ASSERT_TRUE(ClickTreeItem(page, item)) << "the click missed the node";
    }
    static pages::TreeNode* Root(pages::CDialogP* page) { return page->Tree()->topLevelItem(0); }
    // The first connection node whose label starts with `prefix`, or null.
    static pages::TreeNode* NodeStarting(pages::CDialogP* page, const QString& prefix) {
        pages::TreeNode* root = Root(page);
        for (int i = 0; root && i < root->childCount(); ++i)
            if (root->child(i)->text(0).startsWith(prefix))
                return root->child(i);
        return nullptr;
    }
    static ConnectInfo* Rec(const pages::TreeNode* item) {
        return item ? pages::CTreeCtrlEx::ItemData<ConnectInfo>(item) : nullptr;
    }
    static uint32_t Counted(const pages::TreeNode* item) {
        CCritSecLock lock(g_csConnect);
        ConnectInfo* rec = Rec(item);
        return rec ? rec->nRecvBytesAll : 0;
    }
    static bool Eventually(const std::function<bool()>& cond) { return RunUntil(cond); }
};

}  // namespace quillet::test
