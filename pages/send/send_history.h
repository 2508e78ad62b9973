#pragma once
// The last texts sent from a page, newest first and each once, for the user to recall into the
// send box. Browsing keeps the draft that was in the box, which stepping past the newest entry
// gives back.
//
// Threads: user-interface thread only (one per page).
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace quillet::pages {

class SendHistory {
public:
    static constexpr size_t kMaxEntries = 50;

    // A sent text becomes the newest entry (an equal older one is dropped); browsing restarts.
    void Add(const std::u16string& text);
    // The same, keeping a text shared with its sender (no copy of a long one).
    void Add(std::shared_ptr<const std::u16string> text);
    const std::deque<std::shared_ptr<const std::u16string>>& Entries() const { return m_entries; }

    // One step back (older) or forward (newer) from where browsing stands, given the box's text
    // now; the text to put in the box, or nullopt when there is no step to take.
    std::optional<std::u16string> Older(const std::u16string& box);
    std::optional<std::u16string> Newer();
    // The box was edited or sent: the next step starts again from the draft.
    void StopBrowsing() { m_pos = -1; }

private:
    std::deque<std::shared_ptr<const std::u16string>> m_entries;  // newest first, none empty
    int m_pos = -1;                                               // the entry shown, -1: the draft
    std::u16string m_draft;
};

}  // namespace quillet::pages
