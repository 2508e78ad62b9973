#pragma once
// A shown main window on the offscreen platform, with the local addresses pinned to loopback.
#include <memory>

#include "engine/local_address.h"
#include "shell/mgr_dlg.h"
#include "tests/common/fresh_settings.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {

using namespace quillet::engine;

class ShellTest : public QtTestBase {
protected:
    void SetUp() override {
        QtTestBase::SetUp();
        SetLocalHostAddressForTest("127.0.0.1");
        g_adapterInfo.Set("127.0.0.1", "255.0.0.0");
        dlg_ = std::make_unique<shell::CMgrDlg>();
        dlg_->show();
        ProcessEvents();
    }
    void TearDown() override {
        shell::CMgrDlg::SetMenuRunner(nullptr);
        dlg_.reset();
        SetLocalHostAddressForTest(std::nullopt);
        g_adapterInfo.Clear();
        QtTestBase::TearDown();
    }
    FreshSettings settings_;  // made before the window, gone after it
    std::unique_ptr<shell::CMgrDlg> dlg_;
};

}  // namespace quillet::test
