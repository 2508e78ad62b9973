// TLS connections of the TCP engine against independent peers: openssl s_server and s_client
// processes on loopback, plain sockets that do not speak TLS, and the engine's own server.
#include <gtest/gtest.h>

#include <string>

#include "engine/record_log.h"
#include "engine/tcp_engine.h"
#include "engine/tls_session.h"
#include "tests/common/loopback_peer.h"
#include "tests/common/tls_peers.h"
#include "tests/common/wait_until.h"
#include "tests/engine/connect_loopback.h"
#include "tests/engine/engine_fixture.h"
#include "tests/engine/test_sinks.h"

using namespace quillet::engine;

namespace {

using quillet::test::ChildProcess;
using quillet::test::TestPki;
using quillet::test::WaitUntil;
namespace tls = quillet::engine::tls;

quillet::engine::IpEndpoint LoopbackAt(int port) {
    return quillet::engine::IpEndpoint::V4(htonl(INADDR_LOOPBACK), port);
}

std::shared_ptr<const tls::Context> MakeContext(tls::Config config) {
    std::string error;
    auto ctx = tls::Context::Make(std::move(config), &error);
    EXPECT_TRUE(ctx) << error;
    return ctx;
}

class TlsEngineTest : public ::testing::Test {
protected:
    ~TlsEngineTest() override { TearDownEngine(engine); }

    tls::Config ClientConfig(const std::string& ca = {}) {
        tls::Config c;
        c.role = tls::Role::kClient;
        c.caFile = ca.empty() ? pki.caCert : ca;
        return c;
    }
    tls::Config ServerConfig() {
        tls::Config c;
        c.certFile = pki.serverCert;
        c.keyFile = pki.serverKey;
        c.failureTexts[static_cast<size_t>(tls::Failure::kNotTls)] = "not TLS";
        c.failureTexts[static_cast<size_t>(tls::Failure::kTimeout)] = "timed out";
        c.failureTexts[static_cast<size_t>(tls::Failure::kUnknownCa)] = "unknown CA";
        return c;
    }

    // A client record of the engine connected to `port`, its receive thread started.
    ConnectInfo* Connect(int port, std::shared_ptr<const tls::Context> ctx) {
        auto made = std::make_unique<ConnectInfo>();
        made->addrServer = LoopbackAt(port);
        made->tlsContext = std::move(ctx);
        ConnectInfo* rec = engine.AddClient(std::move(made));
        int error = 0;
        quillet::engine::sock::Socket s = quillet::test::ConnectLoopback(port, &error);
        EXPECT_EQ(error, 0);
        {
            CCritSecLock lock(g_csConnect);
            rec->sock = s.release();
        }
        EXPECT_TRUE(engine.StartReceive(rec).ok());
        return rec;
    }
    tls::State StateOf(ConnectInfo* rec) {
        std::shared_ptr<tls::Session> s;
        {
            CCritSecLock lock(g_csConnect);
            s = rec->tls;
        }
        return s ? s->Snapshot() : tls::State{};
    }
    bool Closed(ConnectInfo* rec) {
        CCritSecLock lock(g_csConnect);
        return rec->sock == -1;
    }
    std::u16string Received(uint64_t key) { return Text(Snapshot(engine, key).strRecv); }

    TestPki pki;
    RecordingSink sink;
    TcpEngine engine{&sink};
};

class TlsVersionTest : public TlsEngineTest, public ::testing::WithParamInterface<const char*> {};

// The engine as a client of s_server: handshake, state, data both ways, an automatic reply.
TEST_P(TlsVersionTest, ClientTalksToSServer) {
    const int port = quillet::test::FreeTcpPort();
    ChildProcess server(quillet::test::SServerArgs(port, pki.serverCert, pki.serverKey,
                                                   {GetParam(), "-alpn", "quillet"}));
    ASSERT_TRUE(server.WaitOutput("ACCEPT"));
    tls::Config config = ClientConfig();
    config.alpn = {"quillet"};
    ConnectInfo* rec = Connect(port, MakeContext(config));
    ASSERT_TRUE(WaitUntil([&] { return StateOf(rec).established; }));
    const tls::State st = StateOf(rec);
    EXPECT_EQ(st.protocol, GetParam() == std::string("-tls1_3") ? "TLSv1.3" : "TLSv1.2");
    EXPECT_TRUE(st.verified) << st.verifyResult;
    EXPECT_EQ(st.alpn, "quillet");
    ASSERT_EQ(st.chain.size(), 1u);
    EXPECT_NE(st.chain[0].subject.find("localhost"), std::string::npos);
    EXPECT_EQ(st.chain[0].sha256.size(), 32u * 3 - 1);

    EXPECT_NE(engine.Send(rec, "hello over tls\n", u""), TcpEngine::SendResult::kFailed);
    EXPECT_TRUE(server.WaitOutput("hello over tls"));
    engine.AutoReplies().Set({AutoReplyRule::Mode::kFixed, "auto-reply\n"});
    ASSERT_TRUE(server.Write("from s_server\n"));
    EXPECT_TRUE(WaitUntil(
        [&] { return Received(rec->nId).find(u"from s_server") != std::u16string::npos; }));
    EXPECT_TRUE(server.WaitOutput("auto-reply"));
}

// s_client against the engine's server: data both ways and a reply to all sizes of text.
TEST_P(TlsVersionTest, ServerTalksToSClient) {
    const int port = quillet::test::FreeTcpPort();
    engine.SetServerTls(MakeContext(ServerConfig()));
    ASSERT_TRUE(engine.Listen(LoopbackAt(port)).ok());
    ChildProcess client(quillet::test::SClientArgs(
        port, {GetParam(), "-CAfile", pki.caCert, "-verify_return_error"}));
    // The record is listed before its news reaches the sink.
    ASSERT_TRUE(WaitUntil([&] { return MapSize(engine) == 1 && sink.CountNew() == 1; }));
    ConnectInfo* rec = sink.Events().front().record;
    ASSERT_TRUE(WaitUntil([&] { return StateOf(rec).established; }));
    EXPECT_FALSE(StateOf(rec).verified);  // no client certificate asked for
    ASSERT_TRUE(client.Write("ping\n"));
    EXPECT_TRUE(
        WaitUntil([&] { return Received(rec->nId).find(u"ping") != std::u16string::npos; }));
    const std::string big(300000, 'x');
    EXPECT_NE(engine.Send(rec, big + "\nend-of-big\n", u""), TcpEngine::SendResult::kFailed);
    EXPECT_TRUE(client.WaitOutput("end-of-big"));
    EXPECT_NE(client.Output().find(big), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Versions, TlsVersionTest, ::testing::Values("-tls1_2", "-tls1_3"));

struct FailureCase {
    const char* name;
    bool expired;
    bool otherCa;
    const char* serverName;
    bool minTls13;
    tls::Failure expected;
};

class TlsClientFailureTest : public TlsEngineTest,
                             public ::testing::WithParamInterface<FailureCase> {};

// Each refused handshake says why, and the connection ends.
TEST_P(TlsClientFailureTest, SaysWhy) {
    const FailureCase& c = GetParam();
    const int port = quillet::test::FreeTcpPort();
    std::vector<std::string> extra{"-tls1_2"};
    if (!c.minTls13)
        extra.clear();
    ChildProcess server(
        quillet::test::SServerArgs(port, c.expired ? pki.expiredCert : pki.serverCert,
                                   c.expired ? pki.expiredKey : pki.serverKey, extra));
    ASSERT_TRUE(server.WaitOutput("ACCEPT"));
    tls::Config config = ClientConfig(c.otherCa ? pki.otherCaCert : std::string());
    config.serverName = c.serverName;
    if (c.minTls13)
        config.minVersion = tls::MinVersion::kTls13;
    ConnectInfo* rec = Connect(port, MakeContext(config));
    ASSERT_TRUE(WaitUntil([&] { return Closed(rec); }));
    const tls::State st = StateOf(rec);
    EXPECT_FALSE(st.established);
    EXPECT_EQ(st.failure, c.expected) << st.failureDetail << " / " << st.verifyResult;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, TlsClientFailureTest,
    ::testing::Values(FailureCase{"UnknownCa", false, true, "", false, tls::Failure::kUnknownCa},
                      FailureCase{"NameMismatch", false, false, "wrong.example", false,
                                  tls::Failure::kNameMismatch},
                      FailureCase{"Expired", true, false, "", false, tls::Failure::kExpired},
                      FailureCase{"ProtocolVersion", false, false, "", true,
                                  tls::Failure::kProtocolVersion}),
    [](const auto& info) { return std::string(info.param.name); });

// A server that answers in plain text is not taken for TLS.
TEST_F(TlsEngineTest, ClientSeesPlainTextServer) {
    int port = 0;
    quillet::test::PeerSocket listener(quillet::test::TcpListen(&port));
    ConnectInfo* rec = Connect(port, MakeContext(ClientConfig()));
    quillet::test::PeerSocket peer(quillet::test::TcpAccept(listener));
    ASSERT_TRUE(quillet::test::SendAll(peer, "220 mail.example ESMTP ready\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return Closed(rec); }));
    EXPECT_EQ(StateOf(rec).failure, tls::Failure::kNotTls);
}

// On a server a failed handshake leaves a note in the connection's received log, then closes.
TEST_F(TlsEngineTest, ServerNotesPlainTextAndStalledPeers) {
    const int port = quillet::test::FreeTcpPort();
    tls::Config config = ServerConfig();
    config.handshakeMs = 300;  // the stalled peer below waits this long, not 10 s
    engine.SetServerTls(MakeContext(config));
    ASSERT_TRUE(engine.Listen(LoopbackAt(port)).ok());
    quillet::test::PeerSocket plain(quillet::test::TcpConnect(port));
    ASSERT_TRUE(quillet::test::SendAll(plain, "GET / HTTP/1.0\r\n\r\n"));
    quillet::test::PeerSocket stalled(quillet::test::TcpConnect(port));
    ASSERT_TRUE(WaitUntil([&] { return sink.Count(UPDATE_CLOSED) == 2; }));
    std::u16string notes;
    for (const SinkEvent& e : sink.Events())
        if (!e.kind)
            notes += Received(e.key);
    EXPECT_NE(notes.find(u"not TLS"), std::u16string::npos);
    EXPECT_NE(notes.find(u"timed out"), std::u16string::npos);
    EXPECT_TRUE(quillet::test::WaitPeerClosed(plain));
    EXPECT_TRUE(quillet::test::WaitPeerClosed(stalled));
}

// The engine's client and server together: several megabytes queued behind a slow reader
// arrive whole and in order, and what the writer booked is what went out.
TEST_F(TlsEngineTest, QueuedSendsArriveInOrder) {
    const int port = quillet::test::FreeTcpPort();
    engine.SetServerTls(MakeContext(ServerConfig()));
    ASSERT_TRUE(engine.Listen(LoopbackAt(port)).ok());
    ConnectInfo* client = Connect(port, MakeContext(ClientConfig()));
    ASSERT_TRUE(WaitUntil([&] { return StateOf(client).established; }));
    std::string all;
    for (int i = 0; i < 40; ++i) {
        std::string piece(100000, static_cast<char>('a' + i % 26));
        all += piece;
        ASSERT_NE(engine.Send(client, piece, u""), TcpEngine::SendResult::kFailed);
    }
    ConnectInfo* server = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            CCritSecLock lock(g_csConnect);
            for (auto& [k, r] : engine.m_map)
                if (r != client)
                    server = r;
            return server && server->nRecvBytesAll == all.size();
        },
        std::chrono::milliseconds(20000)));
    std::string got;
    {
        CCritSecLock lock(g_csConnect);
        for (const LogChunk& c : server->strRecv.Copy(0, server->strRecv.End()))
            got += c.bytes;
    }
    EXPECT_EQ(got, all);
}

// STARTTLS on a server: s_client speaks SMTP in plain text, asks for STARTTLS, and the
// connection goes on in TLS; the "go ahead" reply sent after the switch still goes in plain.
TEST_F(TlsEngineTest, ServerStartsTlsAfterPlainSmtp) {
    const int port = quillet::test::FreeTcpPort();
    ASSERT_TRUE(engine.Listen(LoopbackAt(port)).ok());
    ChildProcess client(quillet::test::SClientArgs(
        port, {"-starttls", "smtp", "-CAfile", pki.caCert, "-verify_return_error"}));
    // The record is listed before its news reaches the sink.
    ASSERT_TRUE(WaitUntil([&] { return MapSize(engine) == 1 && sink.CountNew() == 1; }));
    ConnectInfo* rec = sink.Events().front().record;
    const auto got = [&](const char16_t* text) {
        return WaitUntil([&] { return Received(rec->nId).find(text) != std::u16string::npos; });
    };
    engine.Send(rec, "220 quillet ESMTP\r\n", u"");
    ASSERT_TRUE(got(u"EHLO"));
    engine.Send(rec, "250-quillet\r\n250 STARTTLS\r\n", u"");
    ASSERT_TRUE(got(u"STARTTLS"));
    ASSERT_TRUE(engine.StartTls(rec, MakeContext(ServerConfig())));
    EXPECT_EQ(engine.Send(rec, "220 go ahead\r\n", u""), TcpEngine::SendResult::kAll);
    ASSERT_TRUE(WaitUntil([&] { return StateOf(rec).established; }));
    ASSERT_TRUE(client.Write("inside tls\n"));
    EXPECT_TRUE(got(u"inside tls"));
    engine.Send(rec, "secure reply\n", u"");
    EXPECT_TRUE(client.WaitOutput("secure reply"));
}

// STARTTLS on a client: after a plain exchange both ends of a loopback connection switch, and
// what follows is encrypted and arrives whole.
TEST_F(TlsEngineTest, ClientStartsTlsAfterPlainExchange) {
    const int port = quillet::test::FreeTcpPort();
    ASSERT_TRUE(engine.Listen(LoopbackAt(port)).ok());
    ConnectInfo* client = Connect(port, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return MapSize(engine) == 2; }));
    ConnectInfo* server = nullptr;
    {
        CCritSecLock lock(g_csConnect);
        for (auto& [k, r] : engine.m_map)
            if (r != client)
                server = r;
    }
    engine.Send(client, "STARTTLS\r\n", u"");
    ASSERT_TRUE(
        WaitUntil([&] { return Received(server->nId).find(u"STARTTLS") != std::u16string::npos; }));
    ASSERT_TRUE(engine.StartTls(server, MakeContext(ServerConfig())));
    engine.Send(server, "220 go ahead\r\n", u"");
    ASSERT_TRUE(WaitUntil(
        [&] { return Received(client->nId).find(u"220 go ahead") != std::u16string::npos; }));
    tls::Config config = ClientConfig();
    config.serverName = "localhost";
    ASSERT_TRUE(engine.StartTls(client, MakeContext(config)));
    EXPECT_FALSE(engine.StartTls(client, MakeContext(config)));  // once
    engine.Send(client, "encrypted hello", u"");
    ASSERT_TRUE(WaitUntil(
        [&] { return Received(server->nId).find(u"encrypted hello") != std::u16string::npos; }));
    EXPECT_TRUE(StateOf(client).established);
    EXPECT_TRUE(StateOf(client).verified) << StateOf(client).verifyResult;
}

}  // namespace
