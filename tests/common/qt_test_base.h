#pragma once
// Base fixture for widget tests on Qt's offscreen platform: message boxes are recorded, no
// modal script is left over from an earlier test, and no window may outlive its test (one that
// does fails the test and is closed).
#include <gtest/gtest.h>

#include <vector>

#include "skin/ui_kit.h"

namespace quillet::test {

class QtTestBase : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs queued events (posted notifications, deferred deletes) once.
    static void ProcessEvents();

    std::vector<ui::ShownMessage> messages_;
};

}  // namespace quillet::test
