#include "pages/send/fed_encoding.h"

#include <QThreadPool>

#include <algorithm>
#include <cctype>
#include <string_view>

#include "encoding/wire_codec.h"

namespace quillet::pages {

namespace {

struct PieceCodec {
    std::string charset;
    bool bytewise = true;  // one-byte code units: a zero byte ends the text
    LineEnding ending = LineEnding::kLf;

    // The wire bytes of one piece; `*ended` when a zero byte ended the text in it.
    std::string Encode(std::u16string_view piece, bool* ended) const {
        std::string bytes = ending == LineEnding::kLf || piece.find(u'\n') == piece.npos
                                ? enc::EncodeWith(charset, piece)
                                : enc::EncodeWith(charset, ApplyLineEnding(piece, ending));
        if (const size_t zero = bytewise ? bytes.find('\0') : bytes.npos; zero != bytes.npos) {
            bytes.resize(zero);
            *ended = true;
        }
        return bytes;
    }
};

// Where the piece from `from` ends: never between the halves of a surrogate pair.
size_t PieceEnd(const std::u16string& text, size_t from) {
    size_t end = std::min(text.size(), from + kFedChars);
    if (end < text.size() && end > from + 1 && text[end - 1] >= 0xD800 && text[end - 1] < 0xDC00)
        --end;
    return end;
}

}  // namespace

bool EncodesInPieces(const std::string& charset) {
    std::string name = charset;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const char* prefix : {"UTF-16", "UTF16", "UTF-32", "UTF32", "UCS", "UTF-7", "UTF7",
                               "UNICODE", "ISO-2022", "ISO2022", "CSISO2022", "HZ"})
        if (name.rfind(prefix, 0) == 0)
            return false;
    return true;
}

FedStart StartFedEncoding(std::shared_ptr<const std::u16string> text, LineEnding ending) {
    FedStart start;
    const std::string name = enc::WireEncoding();
    if (text->size() < 2 * kFedChars || name == enc::kHex)
        return start;
    PieceCodec codec{enc::CharsetFor(name), enc::CodeUnitWidth(name) == 1, ending};
    if (!EncodesInPieces(codec.charset))
        return start;
    const size_t firstEnd = PieceEnd(*text, 0);
    bool ended = false;
    std::string first = codec.Encode(std::u16string_view(*text).substr(0, firstEnd), &ended);
    if (ended) {
        start.kind = FedStart::Kind::kWhole;
        start.whole = std::move(first);
        return start;
    }
    start.kind = FedStart::Kind::kFed;
    start.estimate =
        static_cast<size_t>(static_cast<double>(first.size()) / static_cast<double>(firstEnd) *
                            static_cast<double>(text->size()));
    start.feed = std::make_shared<engine::WireFeed>(start.estimate + start.estimate / 8);
    start.feed->Append(first);
    QThreadPool::globalInstance()->start([text, feed = start.feed, codec, from = firstEnd] {
        bool ended = false;
        for (size_t at = from; at < text->size() && !ended;) {
            const size_t end = PieceEnd(*text, at);
            feed->Append(codec.Encode(std::u16string_view(*text).substr(at, end - at), &ended));
            at = end;
        }
        feed->Finish();
    });
    return start;
}

}  // namespace quillet::pages
