// The parts of sending that hold no window: line endings, history browsing, the bound on the
// automatic replies waiting to be logged.
#include <gtest/gtest.h>

#include "engine/auto_reply.h"
#include "pages/send/send_history.h"
#include "pages/common/send_options.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

using pages::ApplyLineEnding;
using pages::LineEnding;

TEST(SendParts, LineEndingsReplaceEveryBreakAndOnlyBreaks) {
    EXPECT_EQ(ApplyLineEnding(u"a\n\nb\r", LineEnding::kCrLf), u"a\r\n\r\nb\r");
    EXPECT_EQ(ApplyLineEnding(u"\na\n", LineEnding::kCr), u"\ra\r");
    EXPECT_EQ(ApplyLineEnding(u"\x4e2d\n", LineEnding::kNone), u"\x4e2d");
    EXPECT_EQ(ApplyLineEnding(u"x\ny", LineEnding::kLf), u"x\ny");
}

TEST(SendParts, HistoryBrowsingReturnsToTheDraftAndRestartsAfterASend) {
    pages::SendHistory h;
    EXPECT_FALSE(h.Older(u"draft"));
    h.Add(u"a");
    h.Add(u"b");
    h.Add(u"");  // nothing to keep
    EXPECT_EQ(h.Entries().size(), 2u);
    EXPECT_EQ(*h.Older(u"draft"), u"b");
    EXPECT_EQ(*h.Older(u"b"), u"a");
    EXPECT_EQ(*h.Newer(), u"b");
    h.Add(u"a");  // moves to the front; browsing starts again from the draft
    EXPECT_FALSE(h.Newer());
    EXPECT_EQ(*h.Older(u"new"), u"a");
    EXPECT_EQ(*h.Newer(), u"new");
}

TEST(SendParts, RepliesBeyondTheLogBoundAreCountedNotKept) {
    SendQueue q;
    const std::string chunk(1 << 20, 'r');
    for (int i = 0; i < 6; ++i)
        BookReply(q, chunk);
    EXPECT_EQ(q.done.size(), 4u);
    EXPECT_EQ(q.doneBytes, SendQueue::kMaxDoneBytes);
    EXPECT_EQ(q.unloggedBytes, 2u << 20);

    AutoReply reply;
    std::string out;
    EXPECT_FALSE(reply.ReplyFor("x", &out));
    reply.Set({AutoReplyRule::Mode::kEcho, {}});
    EXPECT_TRUE(reply.ReplyFor("abc", &out));
    EXPECT_EQ(out, "abc");
    reply.Set({AutoReplyRule::Mode::kFixed, "OK"});
    EXPECT_TRUE(reply.ReplyFor("abc", &out));
    EXPECT_EQ(out, "OK");
    reply.Set({AutoReplyRule::Mode::kFixed, ""});
    EXPECT_FALSE(reply.ReplyFor("abc", &out));
}

}  // namespace
}  // namespace quillet::test
