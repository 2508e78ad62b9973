#include "engine/tls_session.h"

#include <arpa/inet.h>
#include <openssl/buffer.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace quillet::engine::tls {

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWaitSliceMs = 100;  // how often a wait asks whether to stop

std::string TimeText(const ASN1_TIME* t) {
    struct tm tm {};
    if (!t || ASN1_TIME_to_tm(t, &tm) != 1)
        return {};
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}

std::string NameText(const X509_NAME* name) {
    char buf[512];
    X509_NAME_oneline(name, buf, sizeof buf);
    return buf;
}

PeerCert Describe(X509* cert) {
    PeerCert out;
    out.subject = NameText(X509_get_subject_name(cert));
    out.issuer = NameText(X509_get_issuer_name(cert));
    out.notBefore = TimeText(X509_get0_notBefore(cert));
    out.notAfter = TimeText(X509_get0_notAfter(cert));
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned len = 0;
    X509_digest(cert, EVP_sha256(), md, &len);
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned i = 0; i < len; ++i) {
        if (i)
            out.sha256 += ':';
        out.sha256 += kHex[md[i] >> 4];
        out.sha256 += kHex[md[i] & 15];
    }
    return out;
}

bool IsAddress(const std::string& name) {
    unsigned char raw[16];
    return inet_pton(AF_INET, name.c_str(), raw) == 1 ||
           inet_pton(AF_INET6, name.c_str(), raw) == 1;
}

Failure FromVerifyResult(long v) {
    switch (v) {
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
        case X509_V_ERR_EMAIL_MISMATCH:
            return Failure::kNameMismatch;
        case X509_V_ERR_CERT_HAS_EXPIRED:
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return Failure::kExpired;
        case X509_V_OK:
            return Failure::kNone;
        default:
            return Failure::kUnknownCa;
    }
}

Failure FromReason(int reason) {
    switch (reason) {
        case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
        case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
        case SSL_R_TLSV1_ALERT_DECRYPT_ERROR:
        case SSL_R_PEER_DID_NOT_RETURN_A_CERTIFICATE:
        case SSL_R_TLSV13_ALERT_CERTIFICATE_REQUIRED:
            return Failure::kUnknownCa;
        case SSL_R_SSLV3_ALERT_CERTIFICATE_EXPIRED:
            return Failure::kExpired;
        case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
        case SSL_R_UNSUPPORTED_PROTOCOL:
        case SSL_R_NO_PROTOCOLS_AVAILABLE:
        case SSL_R_VERSION_TOO_LOW:
        case SSL_R_VERSION_TOO_HIGH:
            return Failure::kProtocolVersion;
        case SSL_R_WRONG_VERSION_NUMBER:
        case SSL_R_HTTP_REQUEST:
        case SSL_R_HTTPS_PROXY_REQUEST:
        case SSL_R_PACKET_LENGTH_TOO_LONG:
        case SSL_R_RECORD_LENGTH_MISMATCH:
            return Failure::kNotTls;
        default:
            return Failure::kOther;
    }
}

// A TLS stream starts with a handshake or alert record of version 3.x.
bool LooksLikeTls(const std::string& first) {
    if (first.empty())
        return true;
    const auto type = static_cast<unsigned char>(first[0]);
    if (type != 0x16 && type != 0x15)
        return false;
    return first.size() < 2 || first[1] == 3;
}

// Waits until `fd` is ready for `events`; false on the deadline, a stop or an error.
bool WaitFor(int fd, short events, Clock::time_point deadline, const std::function<bool()>& stop,
             bool* timedOut) {
    for (;;) {
        if (stop && stop())
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            *timedOut = true;
            return false;
        }
        pollfd p{fd, events, 0};
        const int r = poll(&p, 1, static_cast<int>(std::min<long long>(left, kWaitSliceMs)));
        if (r < 0 && errno != EINTR)
            return false;
        if (r > 0)
            return (p.revents & events) != 0 || (p.revents & (POLLHUP | POLLERR)) != 0;
    }
}

}  // namespace

Session::Session(std::shared_ptr<const Context> ctx, const std::string& serverName)
    : m_ctx(std::move(ctx)) {
    m_ssl = SSL_new(m_ctx->Get());
    m_in = BIO_new(BIO_s_mem());
    m_out = BIO_new(BIO_s_mem());
    SSL_set_bio(m_ssl, m_in, m_out);
    const Config& c = m_ctx->Settings();
    if (c.role == Role::kServer) {
        SSL_set_accept_state(m_ssl);
        return;
    }
    SSL_set_connect_state(m_ssl);
    m_state.verifyOff = !c.verify;
    const std::string name = c.serverName.empty() ? serverName : c.serverName;
    if (name.empty())
        return;
    if (IsAddress(name)) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), name.c_str());
    } else {
        SSL_set_tlsext_host_name(m_ssl, name.c_str());
        SSL_set1_host(m_ssl, name.c_str());
    }
}

Session::~Session() {
    SSL_free(m_ssl);
}

void Session::MoveOutput() {
    // Taken straight from the memory buffer, which is then emptied: no copy on the small stack.
    BUF_MEM* mem = nullptr;
    BIO_get_mem_ptr(m_out, &mem);
    if (!mem || mem->length == 0)
        return;
    m_pending.append(mem->data, mem->length);
    (void)BIO_reset(m_out);
}

void Session::Begin(int fd) {
    {
        std::lock_guard lock(m_mu);
        ERR_clear_error();
        SSL_do_handshake(m_ssl);
        MoveOutput();
    }
    FlushOut(fd, false);
}

Failure Session::Handshake(int fd, const std::function<bool()>& stop, std::string_view already) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(Settings().handshakeMs);
    std::string first(already.substr(0, 5));  // the peer's first bytes: plain text or TLS?
    char buf[16384];
    m_started = true;
    if (!already.empty()) {
        std::lock_guard lock(m_mu);
        if (!LooksLikeTls(first))
            return m_state.failure = Failure::kNotTls;
        BIO_write(m_in, already.data(), static_cast<int>(already.size()));
    }
    for (;;) {
        int r, err;
        {
            std::lock_guard lock(m_mu);
            ERR_clear_error();
            r = SSL_do_handshake(m_ssl);
            err = SSL_get_error(m_ssl, r);
            MoveOutput();
            if (r != 1 && err != SSL_ERROR_WANT_READ) {
                m_state.failure = Classify(err, first);
            }
        }
        // What the handshake wrote goes out first, an alert too.
        bool timedOut = false;
        for (Flush f; (f = FlushOut(fd, false)) == Flush::kAgain;) {
            if (!WaitFor(fd, POLLOUT, deadline, stop, &timedOut))
                break;
        }
        {
            std::lock_guard lock(m_mu);
            if (m_state.failure != Failure::kNone)
                return m_state.failure;
            if (r == 1) {
                RecordEstablished();
                return Failure::kNone;
            }
            if (timedOut)
                return m_state.failure = Failure::kTimeout;
        }
        // The wait for the peer holds no lock: the page may read the state meanwhile.
        const bool ready = WaitFor(fd, POLLIN, deadline, stop, &timedOut);
        const ssize_t n = ready ? recv(fd, buf, sizeof buf, MSG_DONTWAIT) : -1;
        if (n < 0 && ready && (errno == EAGAIN || errno == EINTR))
            continue;
        std::lock_guard lock(m_mu);
        if (n <= 0) {
            m_state.failure = timedOut               ? Failure::kTimeout
                              : !LooksLikeTls(first) ? Failure::kNotTls
                                                     : Failure::kClosed;
            return m_state.failure;
        }
        if (first.size() < 5)
            first.append(buf, std::min<size_t>(static_cast<size_t>(n), 5 - first.size()));
        if (!LooksLikeTls(first))
            return m_state.failure = Failure::kNotTls;
        BIO_write(m_in, buf, static_cast<int>(n));
    }
}

Failure Session::Classify(int sslError, const std::string& firstBytes) {
    if (!LooksLikeTls(firstBytes))
        return Failure::kNotTls;
    const unsigned long e = ERR_peek_last_error();
    char text[256] = "";
    if (e)
        ERR_error_string_n(e, text, sizeof text);
    m_state.failureDetail = text;
    const long v = SSL_get_verify_result(m_ssl);
    if (v != X509_V_OK) {
        m_state.verifyResult = X509_verify_cert_error_string(v);
        if (ERR_GET_REASON(e) == SSL_R_CERTIFICATE_VERIFY_FAILED)
            return FromVerifyResult(v);
    }
    if (sslError == SSL_ERROR_SYSCALL && !e)
        return Failure::kClosed;
    return e ? FromReason(ERR_GET_REASON(e)) : Failure::kOther;
}

void Session::RecordEstablished() {
    m_state.established = true;
    m_state.protocol = SSL_get_version(m_ssl);
    m_state.cipher = SSL_get_cipher_name(m_ssl);
    const unsigned char* alpn = nullptr;
    unsigned alpnLen = 0;
    SSL_get0_alpn_selected(m_ssl, &alpn, &alpnLen);
    m_state.alpn.assign(reinterpret_cast<const char*>(alpn), alpnLen);
    X509* leaf = SSL_get0_peer_certificate(m_ssl);
    if (leaf)
        m_state.chain.push_back(Describe(leaf));
    if (STACK_OF(X509)* chain = SSL_get_peer_cert_chain(m_ssl)) {
        for (int i = 0; i < sk_X509_num(chain); ++i) {
            X509* c = sk_X509_value(chain, i);
            if (!leaf || X509_cmp(c, leaf) != 0)
                m_state.chain.push_back(Describe(c));
        }
    }
    const long v = SSL_get_verify_result(m_ssl);
    m_state.verified = leaf && v == X509_V_OK;
    m_state.verifyResult = leaf ? X509_verify_cert_error_string(v) : "no certificate";
    m_established = true;
}

Session::Read Session::Decrypt(std::string_view cipher, std::string* plain) {
    std::lock_guard lock(m_mu);
    BIO_write(m_in, cipher.data(), static_cast<int>(cipher.size()));
    char buf[16384];
    Read result = Read::kMore;
    for (;;) {
        ERR_clear_error();
        const int r = SSL_read(m_ssl, buf, sizeof buf);
        if (r > 0) {
            plain->append(buf, static_cast<size_t>(r));
            continue;
        }
        const int err = SSL_get_error(m_ssl, r);
        if (err == SSL_ERROR_ZERO_RETURN)
            result = Read::kEnd;
        else if (err != SSL_ERROR_WANT_READ)
            result = Read::kError;
        break;
    }
    MoveOutput();  // a key update's answer or an alert
    return result;
}

bool Session::Encrypt(std::string_view plain) {
    std::lock_guard lock(m_mu);
    size_t done = 0;
    while (done < plain.size()) {
        const int piece = static_cast<int>(std::min<size_t>(plain.size() - done, 1 << 20));
        const int r = SSL_write(m_ssl, plain.data() + done, piece);
        if (r <= 0)
            return false;
        done += static_cast<size_t>(r);
        MoveOutput();
    }
    return true;
}

bool Session::HasOutput() {
    std::lock_guard lock(m_mu);
    return !m_pending.empty();
}

Session::Flush Session::FlushLocked(int fd, bool blocking) {
    for (;;) {
        std::string sending;
        {
            std::lock_guard lock(m_mu);
            sending.swap(m_pending);
        }
        if (sending.empty())
            return Flush::kDone;
        size_t sent = 0;
        Flush result = Flush::kDone;
        while (sent < sending.size()) {
            const ssize_t n = send(fd, sending.data() + sent, sending.size() - sent,
                                   MSG_NOSIGNAL | (blocking ? 0 : MSG_DONTWAIT));
            if (n > 0) {
                sent += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                result = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? Flush::kAgain
                                                                            : Flush::kFailed;
                break;
            }
        }
        if (result != Flush::kDone) {
            std::lock_guard lock(m_mu);
            m_pending.insert(0, sending, sent, std::string::npos);
            return result;
        }
    }
}

Session::Flush Session::FlushOut(int fd, bool blocking) {
    for (;;) {
        Flush r;
        {
            std::unique_lock wire(m_wire, std::defer_lock);
            if (blocking)
                wire.lock();
            else if (!wire.try_lock())
                return Flush::kBusy;  // the holder sends what is there before it lets go
            r = FlushLocked(fd, blocking);
        }
        // Records made while the turn was held may have found it taken: look once more.
        if (r != Flush::kDone || !HasOutput())
            return r;
    }
}

Session::Flush Session::SendNow(int fd, std::string_view plain) {
    Flush r;
    {
        std::unique_lock wire(m_wire, std::try_to_lock);
        if (!wire.owns_lock() || HasOutput())
            return Flush::kBusy;
        if (!Encrypt(plain))
            return Flush::kFailed;
        r = FlushLocked(fd, false);
    }
    if (r == Flush::kDone && HasOutput())
        FlushOut(fd, false);
    return r;
}

void Session::ForgetFailure() {
    std::lock_guard lock(m_mu);
    m_state.failure = Failure::kNone;
}

State Session::Snapshot() const {
    std::lock_guard lock(m_mu);
    return m_state;
}

}  // namespace quillet::engine::tls
