#pragma once
// How a logged chunk reads on screen: its time stamp, then its bytes as text in the wire
// encoding, with every byte visible. Rendering happens when a view shows a chunk, so a change
// of encoding, stamp style or byte view applies to old chunks as well.
//
// Safety of the text: C0 control characters other than tab, line feed and carriage return
// show as their control pictures (U+2400...), so a zero byte neither ends nor hides anything;
// C1 controls, bidirectional controls and line or paragraph separators show as "<U+XXXX>", so
// a peer cannot reorder what is shown; the further lines of a chunk are indented, so a peer
// cannot forge a line that looks stamped.
//
// Threads: any thread. The style settings are process-wide values set from the user-interface
// thread and read at each rendering.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "engine/chunk_log.h"

namespace quillet::engine {

enum class StampStyle : int {
    kChinaSeconds = 0,  // "YYYY-MM-DD hh:mm:ss  " in UTC+8 whatever the machine's zone
    kLocalMillis = 1,   // "YYYY-MM-DD hh:mm:ss.mmm  " in the machine's time zone
    kUtcMillis = 2,     // "YYYY-MM-DD hh:mm:ss.mmmZ  " in UTC
};
void SetStampStyle(StampStyle style);
StampStyle CurrentStampStyle();

// The "HEX + 文本" byte view: each chunk as rows of 16 hex pairs beside their text.
void SetHexTextView(bool on);
bool HexTextView();

// How far the further lines of a chunk are indented.
inline constexpr size_t kContinuationIndent = 4;
// Bytes per row in the hex-and-text view.
inline constexpr size_t kHexRowBytes = 16;

// What starts the line of a note (LogChunk::note), before its stamp: a data line starts with its
// stamp's digits and its further lines with blanks, so nothing a peer sends reads as a note.
inline constexpr std::u16string_view kNoteMark = u"\u25C6 ";

// The stamp of a chunk logged at `timeNs` (ChunkTimeNow's clock) in `style`.
std::u16string FormatChunkStamp(int64_t timeNs, StampStyle style);

// `text` with its invisible characters made visible (see above). `keepLineBreaks`: line feeds,
// carriage returns and tabs stay (line feeds then start indented lines); else they too show as
// pictures.
std::u16string MakeVisible(std::u16string_view text, bool keepLineBreaks = true);

// One chunk as it reads in a view, ending with one "\n" (its own final line break, if it has
// one, ends it). `prev` and `next` are its neighbours in
// the log (null for none): a character split between two chunks of one stream shows whole, at
// the end of the chunk where it ends.
std::u16string RenderChunk(const LogChunk& chunk, const LogChunk* prev, const LogChunk* next);
// A chunk as one record of a text recording, in UTF-8: its stamp (in the views' stamp style),
// "RX " or "TX ", `label`, two spaces, then its bytes exactly as a view shows them (every byte
// visible, further lines indented), and one "\n". A chunk's character split with the next one
// shows as undecodable here: a recording is written before the next chunk comes.
enum class ChunkSide { kReceived, kSent };
std::string FormatRecordedLine(int64_t timeNs, ChunkSide side, std::string_view label,
                               std::string_view bytes);
// A note as one record of a text recording: the note's mark, then as FormatRecordedLine with
// the note's UTF-8 text for the bytes.
std::string FormatRecordedNote(int64_t timeNs, ChunkSide side, std::string_view label,
                               std::string_view utf8Text);
inline ChunkSide SideOf(ChunkDir dir) {
    return dir == ChunkDir::kReceived ? ChunkSide::kReceived : ChunkSide::kSent;
}
// The whole log as text, oldest first. Caller holds g_csConnect (or owns the log).
std::u16string RenderLog(const ChunkLog& log);

// Renders the chunks of one log in order, a batch at a time (saving, searching): a character
// split between two chunks of a stream shows whole, at the end of the chunk where it ends.
// The encoding and styles are those in force when the stream is made.
class ChunkTextStream {
public:
    ChunkTextStream();
    ~ChunkTextStream();
    // Starts the stream after `prev` (null: at a log's start), so that a character `prev`
    // began completes in the first chunk rendered.
    void StartAfter(const LogChunk* prev);
    // `next` is the chunk after `chunk` in its log, null when there is none.
    std::u16string Render(const LogChunk& chunk, const LogChunk* next);
    // What of the last chunk rendered the next one completes; set it instead of rendering a
    // chunk whose text (and carry) a caller kept from an earlier rendering.
    const std::string& Carry() const { return m_carry; }
    void SetCarry(std::string carry) { m_carry = std::move(carry); }

private:
    struct Codec;
    std::unique_ptr<Codec> m_codec;
    std::string m_carry;
};

}  // namespace quillet::engine
