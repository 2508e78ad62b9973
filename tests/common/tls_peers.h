#pragma once
// TLS peers for tests and benchmarks: certificates made on the spot and `openssl s_server` /
// `openssl s_client` processes on loopback. A process is killed and reaped when its owner goes,
// whatever path the test takes.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace quillet::test {

// A throw-away folder of PEM files: a CA, a server certificate it signed for 127.0.0.1 and
// "localhost", one that expired yesterday, and a second CA that signed nothing here.
struct TestPki {
    TestPki();
    ~TestPki();
    std::string dir;
    std::string caCert, caKey;
    std::string serverCert, serverKey;
    std::string expiredCert, expiredKey;
    std::string otherCaCert, otherCaKey;
    std::string encryptedKey;  // serverKey under the password "secret"
};

// A child process with its stdin and stdout on pipes.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    bool Write(const std::string& bytes);
    void CloseInput();
    // Reads what the process wrote until `text` appears or `timeout` passes.
    bool WaitOutput(const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    // Reads until `count` bytes of output came or `timeout` passed.
    bool WaitOutputSize(size_t count,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
    const std::string& Output() const { return m_output; }
    // Benchmarks: keeps only the last bytes of the output and counts the rest.
    void KeepOnlyTail() { m_tailOnly = true; }
    size_t OutputBytes() const { return m_outputBytes; }
    void Kill();

private:
    bool ReadSome(int waitMs);
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
    std::string m_output;
    size_t m_outputBytes = 0;
    bool m_tailOnly = false;
};

// `openssl s_server` on 127.0.0.1:`port` with `cert`/`key` and the extra arguments
// ("-tls1_2", "-Verify", ...); ready once it says ACCEPT.
std::vector<std::string> SServerArgs(int port, const std::string& cert, const std::string& key,
                                     const std::vector<std::string>& extra = {});
// `openssl s_client` to 127.0.0.1:`port`, quiet, with the extra arguments.
std::vector<std::string> SClientArgs(int port, const std::vector<std::string>& extra = {});

}  // namespace quillet::test
