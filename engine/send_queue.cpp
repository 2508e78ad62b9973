#include "engine/send_queue.h"

#include <utility>

namespace quillet::engine {

void RestartSendQueue(SendQueue& q, int sock, uint64_t serial) {
    SendQueue next;
    next.sock = sock;
    next.serial = serial;
    next.done = std::move(q.done);
    next.lost = std::move(q.lost);
    next.noWriter = q.noWriter;
    next.doneBytes = q.doneBytes;
    next.unloggedBytes = q.unloggedBytes;
    next.unloggedMessages = q.unloggedMessages;
    q = std::move(next);
}

}  // namespace quillet::engine
