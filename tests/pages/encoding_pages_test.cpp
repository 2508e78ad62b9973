// The encoding chosen in the settings applies to what a page sends and shows.
#include <gtest/gtest.h>

#include "encoding/wire_codec.h"
#include "engine/crit_sec.h"
#include "pages/prompts/prompt_dlg.h"
#include "pages/tcp_server_dlg.h"
#include "tests/pages/tcp_page_fixture.h"

using namespace quillet::engine;

namespace quillet::test {
namespace {

class PageEncoding : public TcpPageTest<pages::CTcpServerDlg> {
protected:
    void SetUp() override {
        TcpPageTest::SetUp();
        const int port = FreeTcpPort();
        ScriptPrompt({{pages::CSetListenDlg::kBoxPort, QString::number(port)}});
        Press(pages::CTcpServerDlg::kCreate);  // create and listen
        peer_ = TcpConnect(port);
        ASSERT_GE(peer_, 0);
        ASSERT_TRUE(Eventually([&] { return Root()->childCount() == 1; }));
        ClickItem(Child(0));
        ProcessEvents();
    }
    void TearDown() override {
        CloseFd(peer_);
        enc::SetWireEncoding(enc::kAnsi);
        TcpPageTest::TearDown();
    }
    void Use(const char* name) { ASSERT_TRUE(enc::SetWireEncoding(name)) << name; }
    // Types `text`, presses Send and returns the `expect` bytes the peer got.
    std::string SendAndReceive(const QString& text, size_t expect) {
        Type(text);
        Press(pages::CTcpServerDlg::kSend);
        return RecvExactly(peer_, expect);
    }
    bool Shows(const QString& text) {
        return Eventually([&] { return Received().contains(text); });
    }

    int peer_ = -1;
};

TEST_F(PageEncoding, GbkOnTheWireAndOnScreen) {
    Use("GBK");
    EXPECT_EQ(SendAndReceive(QStringLiteral("你好"), 4), "\xC4\xE3\xBA\xC3");
    EXPECT_TRUE(Sent().contains(QStringLiteral("你好")));
    EXPECT_EQ(SendAndReceive(QStringLiteral("a\u0E01"), 2), "a?");  // no such character in GBK
    ASSERT_TRUE(SendAll(peer_, "\xC4\xE3\xBA\xC3"));
    EXPECT_TRUE(Shows(QStringLiteral("你好")));
}

TEST_F(PageEncoding, Utf16BothByteOrders) {
    Use("UTF-16LE");
    EXPECT_EQ(SendAndReceive(QStringLiteral("a你"), 4), std::string("a\0\x60\x4F", 4));
    Use("UTF-16BE");
    EXPECT_EQ(SendAndReceive(QStringLiteral("a你"), 4), std::string("\0a\x4F\x60", 4));
    ASSERT_TRUE(SendAll(peer_, std::string("\x59\x7D\0!", 4)));  // 好!
    EXPECT_TRUE(Shows(QStringLiteral("好!")));
}

TEST_F(PageEncoding, HexSendsPairsShowsPairsAndRefusesOtherText) {
    Use("HEX");
    Type(QStringLiteral("4 1"));  // not pairs: nothing goes out
    Press(pages::CTcpServerDlg::kSend);
    EXPECT_TRUE(
        HasMessage(QStringLiteral("发送内容不是有效的十六进制数据！"), QStringLiteral("提示")));
    EXPECT_EQ(page_->SendBox()->toPlainText(), QStringLiteral("4 1"));
    // The next bytes the peer sees are those of the valid send that follows.
    EXPECT_EQ(SendAndReceive(QStringLiteral("41 00\nff"), 3), std::string("A\0\xFF", 3));
    EXPECT_TRUE(Sent().contains(QStringLiteral("41 00 FF")));
    ASSERT_TRUE(SendAll(peer_, std::string("\x01\0\xAB", 3)));
    EXPECT_TRUE(Shows(QStringLiteral("01 00 AB")));
}

// A character split between two received chunks shows whole, not as two broken pieces.
TEST_F(PageEncoding, Utf8CharacterSplitAcrossChunksShowsWhole) {
    Use("UTF-8");
    ASSERT_TRUE(SendAll(peer_, "\xE4\xBD"));
    ConnectInfo* rec = Rec(Child(0));
    auto received = [rec] {
        CCritSecLock lock(g_csConnect);
        return rec->nRecvBytes;
    };
    ASSERT_TRUE(Eventually([&] { return received() == 2; }));  // two chunks, not one
    ASSERT_TRUE(SendAll(peer_, "\xA0\xE5\xA5\xBD"));
    ASSERT_TRUE(Eventually([&] { return received() == 6; }));
    EXPECT_TRUE(Shows(QStringLiteral("你好")));
    EXPECT_FALSE(Received().contains(QChar(0xFFFD)));
}

// What the box holds goes out as it is: a no-break space and a line separator keep their own
// bytes (and a trailing no-break space is no blank to trim); only the box's line breaks are
// line feeds.
TEST_F(PageEncoding, SendBoxTextGoesOutUnaltered) {
    Use("UTF-8");
    EXPECT_EQ(SendAndReceive(QStringLiteral("a\u00A0b\u2028c\u00A0 "), 10),
              "a\xC2\xA0"
              "b\xE2\x80\xA8"
              "c\xC2\xA0");
    EXPECT_EQ(SendAndReceive(QStringLiteral("x\ny\u2029z"), 5), "x\ny\nz");
}

}  // namespace
}  // namespace quillet::test
