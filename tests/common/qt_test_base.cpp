#include "tests/common/qt_test_base.h"

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>

namespace quillet::test {

void QtTestBase::SetUp() {
    messages_.clear();
    ui::SetMessageRecorder(&messages_);
    ui::SetModalScript(nullptr);
}

void QtTestBase::TearDown() {
    ui::SetModalScript(nullptr);
    ui::SetMessageRecorder(nullptr);
    ProcessEvents();
    QStringList leftovers;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) {
            leftovers << (w->metaObject()->className() + QStringLiteral(" '") + w->objectName() +
                          "'");
            w->close();
        }
    }
    EXPECT_TRUE(leftovers.isEmpty()) << "windows left open: " << leftovers.join(", ").toStdString();
    ProcessEvents();
}

void QtTestBase::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace quillet::test
