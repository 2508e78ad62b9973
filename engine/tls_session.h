#pragma once
// The TLS state of one TCP connection. OpenSSL works on two memory buffers; the socket calls
// stay with the engine's threads and are made outside the session's lock, so that no thread
// ever waits for the peer while it holds the SSL object.
//
// Threads: the connection's receive thread runs Handshake and Decrypt; the writer thread and
// the direct send path call Encrypt and Flush; the page reads State. `m_mu` guards the SSL
// object, the outgoing ciphertext and the state; `m_wire` is held by the one thread that hands
// ciphertext to the socket, so records leave in the order they were made.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/tls_context.h"

struct ssl_st;
struct bio_st;

namespace quillet::engine::tls {

struct PeerCert {
    std::string subject;
    std::string issuer;
    std::string notBefore;  // "YYYY-MM-DD hh:mm:ss UTC"
    std::string notAfter;
    std::string sha256;  // "AB:CD:..."
};

struct State {
    bool established = false;
    std::string protocol;  // "TLSv1.3"
    std::string cipher;
    std::string alpn;
    std::vector<PeerCert> chain;  // the peer's certificates, its own first
    bool verified = false;
    std::string verifyResult;  // OpenSSL's text of the verification result
    bool verifyOff = false;    // a client that does not refuse an unverified server
    Failure failure = Failure::kNone;
    std::string failureDetail;
};

class Session {
public:
    // `serverName` (client): the name or address the connection was made for; the
    // configuration's server name wins when it has one.
    Session(std::shared_ptr<const Context> ctx, const std::string& serverName);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Runs the handshake on the blocking socket `fd` within the configuration's time limit;
    // `stop` is asked between waits (a close of the socket also wakes them).
    // `already`: bytes the socket gave before the switch to TLS (STARTTLS), the handshake's start.
    Failure Handshake(int fd, const std::function<bool()>& stop, std::string_view already = {});
    // A client's first handshake message, made and handed to the socket without waiting, for
    // a connection whose receive thread is waiting for the peer (STARTTLS).
    void Begin(int fd);
    bool Established() const { return m_established; }
    // A server switched to TLS on a plain connection waits for the peer's first TLS bytes;
    // until they come, what the page sends still goes in plain text (the "go ahead" reply).
    void WaitForPeer() { m_started = false; }
    bool Started() const { return m_started; }

    enum class Read { kMore, kEnd, kError };
    // Takes ciphertext the socket gave; appends the application data to `*plain`.
    Read Decrypt(std::string_view cipher, std::string* plain);
    // Takes `plain` whole as application data; its records wait in the outgoing buffer.
    bool Encrypt(std::string_view plain);

    enum class Flush { kDone, kBusy, kAgain, kFailed };
    // Hands the outgoing buffer to the socket. Blocking: holds the turn and waits for the peer
    // until the buffer is empty. Not blocking: kBusy when another thread has the turn (it sends
    // what is there), kAgain when the socket took less than all.
    Flush FlushOut(int fd, bool blocking);
    // Encrypts `plain` and hands it to the socket without waiting, only when nobody else is
    // sending: kBusy (nothing taken), kDone (all on the socket), kAgain (taken; the rest of its
    // records wait in the buffer), kFailed.
    Flush SendNow(int fd, std::string_view plain);
    bool HasOutput();

    State Snapshot() const;
    // The handshake ended because the connection was closed here: no failure to tell.
    void ForgetFailure();
    const Config& Settings() const { return m_ctx->Settings(); }

private:
    void MoveOutput();                                              // m_mu held
    Flush FlushLocked(int fd, bool blocking);                       // m_wire held
    Failure Classify(int sslError, const std::string& firstBytes);  // m_mu held
    void RecordEstablished();                                       // m_mu held

    std::shared_ptr<const Context> m_ctx;
    mutable std::mutex m_mu;
    std::mutex m_wire;
    ssl_st* m_ssl = nullptr;
    bio_st* m_in = nullptr;   // owned by m_ssl
    bio_st* m_out = nullptr;  // owned by m_ssl
    std::string m_pending;    // ciphertext not yet taken by the socket
    State m_state;
    std::atomic<bool> m_established{false};
    std::atomic<bool> m_started{true};
};

}  // namespace quillet::engine::tls
