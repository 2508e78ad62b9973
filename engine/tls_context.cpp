#include "engine/tls_context.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace quillet::engine::tls {

namespace {

std::string TakeErrors() {
    std::string text;
    while (unsigned long e = ERR_get_error()) {
        char buf[256];
        ERR_error_string_n(e, buf, sizeof buf);
        if (!text.empty())
            text += "; ";
        text += buf;
    }
    return text.empty() ? std::string("TLS error") : text;
}

int PasswordFromConfig(char* buf, int size, int, void* user) {
    const std::string& pw = *static_cast<const std::string*>(user);
    const int n = static_cast<int>(std::min<size_t>(pw.size(), static_cast<size_t>(size)));
    std::memcpy(buf, pw.data(), static_cast<size_t>(n));
    return n;
}

// A requested client certificate is recorded but does not end the handshake.
int AcceptAnyClient(int, X509_STORE_CTX*) {
    return 1;
}

int SelectAlpn(SSL*, const unsigned char** out, unsigned char* outlen, const unsigned char* in,
               unsigned inlen, void* arg) {
    const auto& wire = *static_cast<const std::string*>(arg);
    unsigned char* chosen = nullptr;
    if (SSL_select_next_proto(&chosen, outlen, reinterpret_cast<const unsigned char*>(wire.data()),
                              static_cast<unsigned>(wire.size()), in,
                              inlen) != OPENSSL_NPN_NEGOTIATED)
        return SSL_TLSEXT_ERR_NOACK;
    *out = chosen;
    return SSL_TLSEXT_ERR_OK;
}

std::string AlpnWire(const std::vector<std::string>& list) {
    std::string wire;
    for (const std::string& p : list) {
        if (p.empty() || p.size() > 255)
            continue;
        wire += static_cast<char>(p.size());
        wire += p;
    }
    return wire;
}

bool LoadPair(SSL_CTX* ctx, const Config& c) {
    return SSL_CTX_use_certificate_chain_file(ctx, c.certFile.c_str()) == 1 &&
           SSL_CTX_use_PrivateKey_file(ctx, c.keyFile.c_str(), SSL_FILETYPE_PEM) == 1 &&
           SSL_CTX_check_private_key(ctx) == 1;
}

bool SetUpServer(SSL_CTX* ctx, const Config& c) {
    if (!LoadPair(ctx, c))
        return false;
    if (c.clientCert != ClientCertMode::kNone) {
        if (!c.caFile.empty()) {
            if (SSL_CTX_load_verify_locations(ctx, c.caFile.c_str(), nullptr) != 1)
                return false;
            SSL_CTX_set_client_CA_list(ctx, SSL_load_client_CA_file(c.caFile.c_str()));
        }
        if (c.clientCert == ClientCertMode::kRequire)
            SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
        else
            SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, AcceptAnyClient);
    }
    // No session tickets: nothing is written after the handshake unless the page sends.
    SSL_CTX_set_num_tickets(ctx, 0);
    return true;
}

bool SetUpClient(SSL_CTX* ctx, const Config& c) {
    if (!c.certFile.empty() && !LoadPair(ctx, c))
        return false;
    const int loaded = c.caFile.empty()
                           ? SSL_CTX_set_default_verify_paths(ctx)
                           : SSL_CTX_load_verify_locations(ctx, c.caFile.c_str(), nullptr);
    if (loaded != 1)
        return false;
    // With verification off the result is still worked out and shown; it only does not refuse.
    SSL_CTX_set_verify(ctx, c.verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE, nullptr);
    return true;
}

}  // namespace

std::shared_ptr<Context> Context::Make(Config config, std::string* error) {
    ERR_clear_error();
    std::shared_ptr<Context> made(new Context);
    made->m_config = std::move(config);
    Config& c = made->m_config;
    SSL_CTX* ctx = SSL_CTX_new(c.role == Role::kServer ? TLS_server_method() : TLS_client_method());
    made->m_ctx = ctx;
    if (!ctx) {
        *error = TakeErrors();
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(
        ctx, c.minVersion == MinVersion::kTls13 ? TLS1_3_VERSION : TLS1_2_VERSION);
    SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_default_passwd_cb(ctx, PasswordFromConfig);
    SSL_CTX_set_default_passwd_cb_userdata(ctx, &c.keyPassword);
    const bool ok = c.role == Role::kServer ? SetUpServer(ctx, c) : SetUpClient(ctx, c);
    // The password is not kept once the key is read.
    std::fill(c.keyPassword.begin(), c.keyPassword.end(), '\0');
    c.keyPassword.clear();
    SSL_CTX_set_default_passwd_cb_userdata(ctx, nullptr);
    if (!ok) {
        *error = TakeErrors();
        return nullptr;
    }
    made->m_alpnWire = AlpnWire(c.alpn);
    if (!made->m_alpnWire.empty() && c.role == Role::kClient) {
        SSL_CTX_set_alpn_protos(ctx,
                                reinterpret_cast<const unsigned char*>(made->m_alpnWire.data()),
                                static_cast<unsigned>(made->m_alpnWire.size()));
    } else if (!made->m_alpnWire.empty()) {
        // A server picks the first of its own list that the client offers.
        SSL_CTX_set_alpn_select_cb(ctx, SelectAlpn, &made->m_alpnWire);
    }
    return made;
}

Context::~Context() {
    SSL_CTX_free(m_ctx);
}

bool KeyNeedsPassword(const std::string& keyFile) {
    std::ifstream in(keyFile);
    std::string line;
    for (int i = 0; i < 8 && std::getline(in, line); ++i) {
        if (line.find("ENCRYPTED") != std::string::npos)
            return true;
    }
    return false;
}

namespace {

bool WritePem(const std::string& path, bool key, EVP_PKEY* pkey, X509* cert) {
    const std::string tmp = path + ".tmp";
    ::unlink(tmp.c_str());
    FILE* f = std::fopen(tmp.c_str(), "wx");
    if (!f)
        return false;
    if (key)
        ::fchmod(fileno(f), 0600);
    const bool ok = key ? PEM_write_PrivateKey(f, pkey, nullptr, nullptr, 0, nullptr, nullptr) == 1
                        : PEM_write_X509(f, cert) == 1;
    const bool closed = std::fclose(f) == 0;
    return ok && closed && std::rename(tmp.c_str(), path.c_str()) == 0;
}

bool AddAltNames(X509* cert, const std::vector<std::string>& names,
                 const std::vector<std::string>& addresses) {
    std::string alt;
    for (const std::string& n : names)
        alt += (alt.empty() ? "DNS:" : ",DNS:") + n;
    for (const std::string& a : addresses)
        alt += (alt.empty() ? "IP:" : ",IP:") + a;
    if (alt.empty())
        return true;
    X509V3_CTX v3;
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name, alt.c_str());
    if (!ext)
        return false;
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
    return true;
}

bool MakeSelfSigned(const std::string& certFile, const std::string& keyFile,
                    const std::vector<std::string>& names,
                    const std::vector<std::string>& addresses) {
    EVP_PKEY* pkey = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    bool ok = pkey && cert;
    if (ok) {
        X509_set_version(cert, 2);
        unsigned char serial[16];
        RAND_bytes(serial, sizeof serial);
        serial[0] &= 0x7f;
        BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
        BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
        BN_free(bn);
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert), 60L * 60 * 24 * 3650);
        X509_set_pubkey(cert, pkey);
        X509_NAME* name = X509_get_subject_name(cert);
        const std::string cn = names.empty() ? std::string("Quillet") : names.front();
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        ok = AddAltNames(cert, names, addresses) && X509_sign(cert, pkey, EVP_sha256()) > 0 &&
             WritePem(keyFile, true, pkey, nullptr) && WritePem(certFile, false, nullptr, cert);
    }
    X509_free(cert);
    EVP_PKEY_free(pkey);
    return ok;
}

}  // namespace

bool EnsureSelfSigned(const std::string& dir, const std::vector<std::string>& names,
                      const std::vector<std::string>& addresses, std::string* certFile,
                      std::string* keyFile, std::string* error) {
    *certFile = dir + "/tls-self.crt";
    *keyFile = dir + "/tls-self.key";
    if (::access(certFile->c_str(), R_OK) == 0 && ::access(keyFile->c_str(), R_OK) == 0) {
        ::chmod(keyFile->c_str(), 0600);
        return true;
    }
    ::mkdir(dir.c_str(), 0700);
    ERR_clear_error();
    if (MakeSelfSigned(*certFile, *keyFile, names, addresses))
        return true;
    *error = TakeErrors() + " (" + dir + ")";
    return false;
}

}  // namespace quillet::engine::tls
