#pragma once
// A long text from the send box is encoded for the wire in pieces: the first on the window's
// thread, the rest on a pool thread into a WireFeed that the connection's writer sends from as
// it fills, so the bytes start moving at once and the window does no pass over the whole text.
// Only encodings that encode each piece as they would the whole text are fed (not HEX, not
// those with byte-order marks or shift states); other texts are encoded whole, as before.
//
// Threads: StartFedEncoding on the user-interface thread (it reads the wire encoding there);
// the pool thread reads only the shared text.
#include <cstddef>
#include <memory>
#include <string>

#include "engine/wire_feed.h"
#include "pages/common/send_options.h"

namespace quillet::pages {

// Texts at least this long (UTF-16 units) are fed; the pieces are as long.
inline constexpr size_t kFedChars = 256 * 1024;

struct FedStart {
    enum class Kind {
        kNotFed,  // short, or an encoding that is not fed: encode the whole text as before
        kWhole,   // the first piece was all of it (a zero byte ended the text): `whole`
        kFed,     // `feed` fills on a pool thread; `estimate` is about its size
    };
    Kind kind = Kind::kNotFed;
    std::string whole;
    std::shared_ptr<engine::WireFeed> feed;
    size_t estimate = 0;
};

// Starts encoding `text` in the current wire encoding, its line breaks as `ending`.
FedStart StartFedEncoding(std::shared_ptr<const std::u16string> text, LineEnding ending);

// Whether pieces of a text in `charset` (an iconv name) encode as the whole text does.
bool EncodesInPieces(const std::string& charset);

}  // namespace quillet::pages
