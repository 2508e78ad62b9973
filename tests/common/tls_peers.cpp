#include "tests/common/tls_peers.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quillet::test {

namespace {

struct Issued {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    ~Issued() {
        X509_free(cert);
        EVP_PKEY_free(key);
    }
};

void AddExt(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, issuer, cert, nullptr, nullptr, 0);
    if (X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &v3, nid, value)) {
        X509_add_ext(cert, ext, -1);
        X509_EXTENSION_free(ext);
    }
}

// A certificate for `cn`, valid from `fromSec` to `toSec` around now, signed by `issuer` (or
// by itself).
void Issue(Issued* out, const char* cn, const Issued* issuer, long fromSec, long toSec, bool ca) {
    out->key = EVP_EC_gen("P-256");
    out->cert = X509_new();
    X509* c = out->cert;
    X509_set_version(c, 2);
    static long serial = 1;
    ASN1_INTEGER_set(X509_get_serialNumber(c), serial++);
    X509_gmtime_adj(X509_getm_notBefore(c), fromSec);
    X509_gmtime_adj(X509_getm_notAfter(c), toSec);
    X509_set_pubkey(c, out->key);
    X509_NAME* name = X509_get_subject_name(c);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(cn),
                               -1, -1, 0);
    X509* issuerCert = issuer ? issuer->cert : c;
    X509_set_issuer_name(c, X509_get_subject_name(issuerCert));
    if (ca) {
        AddExt(c, issuerCert, NID_basic_constraints, "critical,CA:TRUE");
        AddExt(c, issuerCert, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExt(c, issuerCert, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    }
    AddExt(c, issuerCert, NID_subject_key_identifier, "hash");
    X509_sign(c, issuer ? issuer->key : out->key, EVP_sha256());
}

void Save(const Issued& i, const std::string& cert, const std::string& key,
          const char* password = nullptr) {
    FILE* f = std::fopen(cert.c_str(), "w");
    PEM_write_X509(f, i.cert);
    std::fclose(f);
    f = std::fopen(key.c_str(), "w");
    if (password)
        PEM_write_PrivateKey(f, i.key, EVP_aes_128_cbc(), nullptr, 0, nullptr,
                             const_cast<char*>(password));
    else
        PEM_write_PrivateKey(f, i.key, nullptr, nullptr, 0, nullptr, nullptr);
    std::fclose(f);
}

}  // namespace

TestPki::TestPki() {
    char tmpl[] = "/tmp/quillet-tls-XXXXXX";
    dir = mkdtemp(tmpl);
    const auto at = [this](const char* name) { return dir + "/" + name; };
    Issued ca, server, expired, other;
    Issue(&ca, "Quillet Test CA", nullptr, -3600, 86400, true);
    Issue(&server, "localhost", &ca, -3600, 86400, false);
    Issue(&expired, "localhost", &ca, -3 * 86400, -86400, false);
    Issue(&other, "Other Test CA", nullptr, -3600, 86400, true);
    caCert = at("ca.crt"), caKey = at("ca.key");
    serverCert = at("server.crt"), serverKey = at("server.key");
    expiredCert = at("expired.crt"), expiredKey = at("expired.key");
    otherCaCert = at("other.crt"), otherCaKey = at("other.key");
    encryptedKey = at("server-enc.key");
    Save(ca, caCert, caKey);
    Save(server, serverCert, serverKey);
    Save(expired, expiredCert, expiredKey);
    Save(other, otherCaCert, otherCaKey);
    Save(server, at("unused.crt"), encryptedKey, "secret");
}

TestPki::~TestPki() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0)
        return;
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_in = in[1];
    m_out = out[0];
    fcntl(m_out, F_SETFL, O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
    Kill();
}

void ChildProcess::Kill() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    CloseInput();
    if (m_out >= 0)
        close(m_out);
    m_out = -1;
}

bool ChildProcess::Write(const std::string& bytes) {
    size_t done = 0;
    while (m_in >= 0 && done < bytes.size()) {
        const ssize_t n = write(m_in, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return done == bytes.size();
}

void ChildProcess::CloseInput() {
    if (m_in >= 0)
        close(m_in);
    m_in = -1;
}

bool ChildProcess::ReadSome(int waitMs) {
    pollfd p{m_out, POLLIN, 0};
    if (m_out < 0 || poll(&p, 1, waitMs) <= 0)
        return false;
    char buf[65536];
    const ssize_t n = read(m_out, buf, sizeof buf);
    if (n > 0) {
        m_output.append(buf, static_cast<size_t>(n));
        m_outputBytes += static_cast<size_t>(n);
        if (m_tailOnly && m_output.size() > (256 << 10))
            m_output.erase(0, m_output.size() - (64 << 10));
    }
    return n > 0;
}

bool ChildProcess::WaitOutput(const std::string& text, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (m_output.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ReadSome(10);
    }
    return true;
}

bool ChildProcess::WaitOutputSize(size_t count, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (m_output.size() < count) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        ReadSome(10);
    }
    return true;
}

std::vector<std::string> SServerArgs(int port, const std::string& cert, const std::string& key,
                                     const std::vector<std::string>& extra) {
    std::vector<std::string> args{
        "openssl", "s_server", "-accept", "127.0.0.1:" + std::to_string(port), "-cert", cert,
        "-key",    key,        "-ign_eof"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

std::vector<std::string> SClientArgs(int port, const std::vector<std::string>& extra) {
    std::vector<std::string> args{"openssl", "s_client", "-connect",
                                  "127.0.0.1:" + std::to_string(port), "-quiet"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

}  // namespace quillet::test
