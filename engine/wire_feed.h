#pragma once
// The wire bytes of one long text, made piece by piece on an encoding thread while the
// connection's writer already sends the pieces made so far: the text starts going out at once
// and keeps its place in the connection's queue.
//
// Threads: one producer (Append, Finish) and any readers. Its own mutex guards every member;
// it may be taken while g_csConnect is held, and nothing here takes g_csConnect.
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

namespace quillet::engine {

class WireFeed {
public:
    // `expected`: about how many bytes the whole text makes (room is kept for them).
    explicit WireFeed(size_t expected);

    // Producer: the next piece, and the end (no piece after it).
    void Append(std::string_view piece);
    void Finish();

    // The bytes made so far, and whether they are all.
    size_t Size() const;
    bool Finished() const;
    // Up to `most` of the bytes from `from` into `out` (replacing what it held); false when
    // none are there yet and more are to come.
    bool CopyFrom(size_t from, size_t most, std::string& out) const;
    // Waits until there are more than `size` bytes or the feed is finished (the encoding
    // thread always gets there).
    void WaitBeyond(size_t size) const;
    // Waits until finished; the whole bytes, moved out (once).
    std::string TakeAll();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::string m_bytes;
    size_t m_size = 0;  // stays when the bytes are taken
    bool m_finished = false;
};

}  // namespace quillet::engine
