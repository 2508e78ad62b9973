#pragma once
// What a log view shows, as the view, its sources and its search see it.
//
// Threads: user-interface thread only.
#include <QString>

#include <cstdint>
#include <vector>

namespace quillet::pages {

// What a log view shows: items numbered [first, end), each one or more lines of text.
class LogViewSource {
public:
    virtual ~LogViewSource() = default;
    struct Items {
        uint64_t first = 0;
        uint64_t end = 0;
        uint64_t from = 0;           // the number of texts[0]
        std::vector<QString> texts;  // without their final line break
    };
    // The items of [from, to) that there are, and the range.
    virtual Items Fetch(uint64_t from, uint64_t to) = 0;
    // The last `count` items.
    virtual Items FetchLast(uint64_t count) = 0;
    // Roughly how many bytes of log the items of [from, to) stand for.
    virtual uint64_t Bytes(uint64_t from, uint64_t to) = 0;
    // Whether Fetch gives every item's whole text at once (searching, copying), or may stand
    // in for a long one that is still being rendered (laying out).
    virtual void RenderWhole(bool on) { (void)on; }
};

}  // namespace quillet::pages
