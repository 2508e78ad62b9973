// A view is a read-only multi-line text to a screen reader: named after its frame, its text
// what is in sight, its value the whole log.
#include <QAccessible>
#include <QGroupBox>

#include "pages/log/log_view.h"
#include "tests/common/qt_test_base.h"

namespace quillet::test {
namespace {

class LogViewAccessibleTest : public QtTestBase {};

TEST_F(LogViewAccessibleTest, AReadOnlyTextOfWhatIsInSightWithTheWholeLogAsValue) {
    QWidget page;
    auto* frame = new QGroupBox(QStringLiteral("接收窗口"), &page);
    frame->setGeometry(0, 0, 400, 300);
    auto* view = new pages::CLogView(&page);
    view->setGeometry(10, 20, 380, 270);
    QStringList lines;
    for (int i = 0; i < 2000; ++i)
        lines << QStringLiteral("line %1").arg(i);
    view->setPlainText(lines.join('\n'));
    page.show();
    view->ScrollToStart();
    ProcessEvents();

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(view);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::EditableText);
    EXPECT_TRUE(a->state().readOnly);
    EXPECT_TRUE(a->state().multiLine);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("接收窗口"));
    QAccessibleTextInterface* text = a->textInterface();
    ASSERT_NE(text, nullptr);
    // In sight: the first rows, far fewer than the log's.
    const int count = text->characterCount();
    EXPECT_GT(count, 0);
    EXPECT_LT(count, 2000);
    EXPECT_EQ(text->text(0, count), view->ShownText());
    EXPECT_TRUE(text->text(0, count).startsWith(QStringLiteral("line 0\nline 1\n")));
    EXPECT_EQ(text->text(5, 6), QStringLiteral("0"));
    // Scrolled to the end, the end is in sight.
    view->ScrollToEnd();
    ProcessEvents();
    EXPECT_TRUE(text->text(0, text->characterCount()).endsWith(QStringLiteral("line 1999")));
    // The whole log on request.
    const QString whole = a->text(QAccessible::Value);
    EXPECT_TRUE(whole.startsWith(QStringLiteral("line 0\n")));
    EXPECT_TRUE(whole.contains(QStringLiteral("line 1999")));
}

}  // namespace
}  // namespace quillet::test
