// The causes added under failure messages: each common errno has a text of its own in the
// window's language (no English system text inside the Chinese), the rest a general text with
// the number; the message's own text stays whole on the first line.
#include <gtest/gtest.h>

#include <cerrno>
#include <QRegularExpression>

#include <iterator>
#include <set>

#include "pages/common/failure_cause.h"

namespace quillet::pages {
namespace {

TEST(FailureCauseTest, CommonErrorsHaveTheirOwnChineseTextsAndOthersTheirNumber) {
    const int common[] = {EADDRINUSE, EADDRNOTAVAIL, ECONNREFUSED, ENETUNREACH, EACCES,
                          ENOSPC,     ETIMEDOUT,     EMFILE,       ENOENT,      EROFS,
                          ECONNRESET, EAFNOSUPPORT,  ENOBUFS,      EIO,         ENETDOWN};
    std::set<QString> texts;
    for (int err : common) {
        const QString text = CauseText(err);
        EXPECT_FALSE(text.isEmpty()) << err;
        EXPECT_FALSE(text.contains(QRegularExpression("[A-Za-z]"))) << err;
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(common));
    // Alike causes read alike.
    EXPECT_EQ(CauseText(EHOSTUNREACH), CauseText(ENETUNREACH));
    EXPECT_EQ(CauseText(EPERM), CauseText(EACCES));
    EXPECT_EQ(CauseText(EPROTO), QStringLiteral("系统错误 %1").arg(EPROTO));
    EXPECT_EQ(WithCause("监听启动失败", EADDRINUSE), "监听启动失败\n原因: 地址或端口已被占用");
    EXPECT_EQ(WithCause("监听启动失败", 0), "监听启动失败");
}

}  // namespace
}  // namespace quillet::pages
