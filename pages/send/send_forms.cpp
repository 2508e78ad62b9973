#include "pages/send/send_forms.h"

#include <QCoreApplication>

#include "encoding/wire_codec.h"

namespace quillet::pages {
namespace {

// The text run between escapes in the page's encoding.
enc::ReadBytes PageRun(std::u16string_view run, LineEnding ending, bool hexPage) {
    if (hexPage)
        return enc::ReadHexPairs(run, true);
    return {enc::EncodeForWire(ApplyLineEnding(run, ending)), std::nullopt};
}

QString Why(std::u16string_view text, const enc::TextFault& fault) {
    using Kind = enc::TextFault::Kind;
    const QString at = fault.at < text.size() ? QString(QChar(text[fault.at])) : QString();
    switch (fault.kind) {
        case Kind::kNotHex:
            return QCoreApplication::translate("quillet::pages::SendForms", "“%1”不是十六进制数字")
                .arg(at);
        case Kind::kOddDigits:
            return QCoreApplication::translate("quillet::pages::SendForms",
                                               "十六进制数字须两个一组");
        case Kind::kNoBytes:
            return QCoreApplication::translate("quillet::pages::SendForms", "没有要发送的字节");
        case Kind::kUnknownEscape: {
            const size_t next = fault.at + 1;
            return QCoreApplication::translate("quillet::pages::SendForms", "未知的转义“\\%1”")
                .arg(next < text.size() ? QString(QChar(text[next])) : QString());
        }
        case Kind::kShortHexEscape:
            return QCoreApplication::translate("quillet::pages::SendForms",
                                               "\\x 后须有两位十六进制数字");
        case Kind::kLoneBackslash:
            return QCoreApplication::translate("quillet::pages::SendForms",
                                               "末尾的反斜杠后没有转义字符");
    }
    return {};
}

}  // namespace

enc::ReadBytes WireBytesIn(std::u16string_view text, SendForm form, LineEnding ending) {
    const bool hexPage = enc::WireEncoding() == enc::kHex;
    switch (form) {
        case SendForm::kHex:
            return enc::ReadHexPairs(text);
        case SendForm::kText:
            return hexPage ? enc::ReadHexPairs(text) : PageRun(text, ending, false);
        case SendForm::kEscapes:
            break;
    }
    enc::ReadBytes read = enc::ReadEscapes(
        text, [&](std::u16string_view run) { return PageRun(run, ending, hexPage); });
    if (!read.fault && hexPage && read.bytes.empty())
        read.fault = enc::TextFault{enc::TextFault::Kind::kNoBytes, 0};
    return read;
}

QString FaultPlace(std::u16string_view text, const enc::TextFault& fault) {
    if (fault.kind == enc::TextFault::Kind::kNoBytes)
        return Why(text, fault);
    const enc::TextPlace place = enc::PlaceOf(text, fault.at);
    return QCoreApplication::translate("quillet::pages::SendForms", "第 %1 行第 %2 列，%3")
        .arg(place.line)
        .arg(place.column)
        .arg(Why(text, fault));
}

QString FaultMessage(std::u16string_view text, const enc::TextFault& fault) {
    return QCoreApplication::translate("quillet::pages::SendForms", "发送内容有错，未发送：%1。")
        .arg(FaultPlace(text, fault));
}

}  // namespace quillet::pages
