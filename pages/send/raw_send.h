#pragma once
// What one send of bytes outside the send box's own path (repeat, file, send to all) came to.
namespace quillet::pages {

enum class RawSend {
    kSent,     // taken and counted (logged when the bytes are logged)
    kWaiting,  // queued behind earlier bytes; the connection's writer reports it
    kFull,     // the connection's queue has no room now; nothing was sent
    kGone,     // the connection or endpoint is closed; nothing was sent
};

}  // namespace quillet::pages
