#pragma once
// What a TCP connection's socket could not take at once: the texts waiting to go out in order,
// and the results of the writer thread that sends them (and of automatic replies), for the page
// to log.
//
// Threads: every field is guarded by g_csConnect. The page queues and drops on the
// user-interface thread; the connection's writer thread takes bytes off the front and reports
// through the sink (UPDATE_SENT); the page takes `done` and `lost` in its handler.
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "engine/wire_feed.h"

namespace quillet::engine {

// One text given to Send: its wire bytes, the box text it came from (shared with the page's
// history rather than copied: it may be megabytes), and how much the socket has taken.
struct PendingSend {
    std::string bytes;
    std::shared_ptr<const std::u16string> text;
    bool FromBox() const { return text && !text->empty(); }
    size_t taken = 0;
    // False for the pieces of a file: counted when taken, never written to the log.
    bool logged = true;
    // A long text still being encoded: its bytes come from here and move into `bytes` once
    // the writer has sent them all (or, for a lost text, when the page takes the news).
    std::shared_ptr<WireFeed> feed;
    size_t estimate = 0;  // what a fed text counts in waitingBytes until it is sent
    // Every byte is taken (a fed text: and its encoding is finished).
    bool Complete() const {
        return feed ? feed->Finished() && taken == feed->Size() : taken == bytes.size();
    }
};

struct SendQueue {
    // More than this waiting, and a further text is refused rather than queued.
    static constexpr size_t kMaxWaitingBytes = size_t{64} << 20;
    // Automatic replies waiting in `done` for the page to log, at most this many bytes.
    static constexpr size_t kMaxDoneBytes = size_t{4} << 20;

    int sock = -1;        // the connection the texts belong to
    uint64_t serial = 0;  // of that connection's queue: a writer serves only its own
    // A list, not a deque: an idle connection (most of them) holds no memory for it.
    std::list<PendingSend> pending;
    size_t waitingBytes = 0;        // not yet taken, over all of `pending`
    bool writer = false;            // a writer thread serves `pending`
    std::vector<PendingSend> done;  // wholly taken, not yet logged
    std::vector<PendingSend> lost;  // cut by a failed connection, not yet told
    // The texts in `lost` were cut because no writer thread could be made; the connection
    // itself is fine.
    bool noWriter = false;
    size_t doneBytes = 0;           // of the automatic replies in `done`
    uint64_t unloggedBytes = 0;     // replies sent while `done` was full: counted, not logged
    uint64_t unloggedMessages = 0;  // how many replies those bytes were
};

// Starts the queue of a new connection on `sock` (or of none, -1): what waits goes, while what
// was sent or lost and not yet told stays for the page. Caller holds g_csConnect.
void RestartSendQueue(SendQueue& q, int sock, uint64_t serial);

}  // namespace quillet::engine
