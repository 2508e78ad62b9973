#pragma once
// A TLS configuration of a server or client endpoint and the OpenSSL context made from it,
// shared by every connection that uses it. A context is made once (it reads the certificate,
// key and CA files) and is then read-only: any thread may use it.
#include <array>
#include <memory>
#include <string>
#include <vector>

struct ssl_ctx_st;

namespace quillet::engine::tls {

enum class Role { kServer, kClient };
enum class ClientCertMode { kNone, kRequest, kRequire };
enum class MinVersion { kTls12, kTls13 };

// Why a handshake failed.
enum class Failure {
    kNone,
    kUnknownCa,        // the peer's chain does not end at a trusted authority (or ours at its)
    kNameMismatch,     // the certificate is not for the name or address asked for
    kExpired,          // a certificate is expired or not yet valid
    kProtocolVersion,  // no protocol version both sides accept
    kNotTls,           // the peer does not speak TLS
    kTimeout,          // the handshake did not finish in time
    kClosed,           // the peer closed the connection during the handshake
    kOther,
};
inline constexpr size_t kFailureKinds = 9;

struct Config {
    Role role = Role::kServer;
    // PEM files; a server with `selfSigned` uses the generated pair instead.
    std::string certFile;
    std::string keyFile;
    bool selfSigned = false;
    std::string keyPassword;  // for an encrypted key; held only while the context is made
    // Server: ask for a client certificate, checked against `caFile`.
    ClientCertMode clientCert = ClientCertMode::kNone;
    // Server: the CA file for client certificates. Client: the CA file to verify the server
    // against (empty: the system's CAs).
    std::string caFile;
    bool verify = true;      // client: a server that fails verification is refused
    std::string serverName;  // client: SNI and the name checked (empty: none)
    std::vector<std::string> alpn;
    MinVersion minVersion = MinVersion::kTls12;
    int handshakeMs = 10000;
    // The text of each Failure in the window's language (UTF-8), for the server's note line.
    std::array<std::string, kFailureKinds> failureTexts;
};

class Context {
public:
    // Reads the files of `config`. Null and `*error` (OpenSSL's text) when that fails.
    static std::shared_ptr<Context> Make(Config config, std::string* error);
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    ssl_ctx_st* Get() const { return m_ctx; }
    const Config& Settings() const { return m_config; }

private:
    Context() = default;
    ssl_ctx_st* m_ctx = nullptr;
    Config m_config;
    std::string m_alpnWire;  // the ALPN list as length-prefixed names
};

// True when the PEM key in `keyFile` is encrypted (a password is needed). Reads the file.
bool KeyNeedsPassword(const std::string& keyFile);

// The self-signed certificate and key kept in `dir` ("tls-self.crt", "tls-self.key", the key
// mode 0600): made for `names` (host names) and `addresses` (IP address texts) the first time,
// reused after. False and `*error` when they cannot be read or made.
bool EnsureSelfSigned(const std::string& dir, const std::vector<std::string>& names,
                      const std::vector<std::string>& addresses, std::string* certFile,
                      std::string* keyFile, std::string* error);

}  // namespace quillet::engine::tls
