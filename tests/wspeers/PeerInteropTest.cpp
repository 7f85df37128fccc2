// The front class and its engine against independent servers on loopback: python3-websockets and
// the npm package ws, in plain and TLS flavours (a test CA made here).
#include <gtest/gtest.h>

#include <filesystem>

#include <atomic>
#include <random>

#include "common/websocket/compression/WSCompression.h"
#include "platform/http/HTTPFieldName.h"
#include "platform/security/TrustStore.h"
#include "tests/engine/support/EngineTestSupport.h"
#include "tests/engine/support/PeerServer.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestSupport.h"

namespace peertest {
namespace {

using enginetest::PeerServer;
using enginetest::RecordedSocket;
using Lines = std::vector<std::string>;

struct PeerCase {
  PeerServer::Kind kind;
  bool tls;
};

std::string caseName(const testing::TestParamInfo<PeerCase>& info) {
  return std::string(info.param.kind == PeerServer::Kind::python ? "python" : "node") + (info.param.tls ? "Tls" : "Plain");
}

// One test CA for the program; its anchor is added once.
class Certificates {
 public:
  static Certificates& shared() {
    // Never destroyed (a peer may still read the files during exit); only the files go at exit.
    static auto* certificates = new Certificates();
    static const struct RemoveFiles {
      ~RemoveFiles() {
        std::error_code ignored;
        std::filesystem::remove_all(certificates->dir_.path(), ignored);
      }
    } removeFiles;
    return *certificates;
  }
  const std::string& certFile() const { return certFile_; }
  const std::string& keyFile() const { return keyFile_; }

 private:
  Certificates() {
    auto issued = ca_.issue({"127.0.0.1"});
    certFile_ = qortest::writeTextFile(dir_.path() / "server.pem", issued.certificatePem);
    keyFile_ = qortest::writeTextFile(dir_.path() / "server-key.pem", issued.privateKeyPem);
    platform::TrustStore::addTestAnchorsFromPEM(ca_.certificatePem());
  }
  qortest::TempDir dir_;
  qortest::TestCertificateAuthority ca_;
  std::string certFile_;
  std::string keyFile_;
};

class PeerInterop : public ::testing::TestWithParam<PeerCase> {
 protected:
  void SetUp() override {
    if (GetParam().kind == PeerServer::Kind::node && !PeerServer::nodePeerInstalled()) {
      GTEST_SKIP() << "the npm package ws is not installed (./run installs it in tools/wspeers)";
    }
  }
  std::unique_ptr<PeerServer> startPeer(bool deflate = false) {
    std::vector<std::string> args;
    if (GetParam().tls) args = {"--cert", Certificates::shared().certFile(), "--key", Certificates::shared().keyFile()};
    if (deflate) args.push_back("--deflate");
    auto peer = std::make_unique<PeerServer>(GetParam().kind, args);
    EXPECT_TRUE(peer->running());
    return peer;
  }
  // On our engine, or (`useCustomEngine` false) on the URL-session engine.
  RecordedSocket open(const PeerServer& peer, const std::string& path, const platform::HTTPHeaderFields& fields = {},
                      std::shared_ptr<qor::CompressionHandler> compression = nullptr, bool useCustomEngine = true) {
    auto made = enginetest::makeSocket(peer.url(path, GetParam().tls), fields, std::move(compression), useCustomEngine);
    made.socket->connect();
    EXPECT_TRUE(made.recorder->log.waitForLine("connected", std::chrono::seconds(20)))
        << testing::PrintToString(made.recorder->log.lines());
    return made;
  }
  static std::vector<qor::WebSocketEvent> messages(const RecordedSocket& s) {
    std::vector<qor::WebSocketEvent> out;
    for (auto& e : s.recorder->events()) {
      if (e.as<qor::WebSocketEvent::Text>() || e.as<qor::WebSocketEvent::Binary>()) out.push_back(e);
    }
    return out;
  }
  static bool waitForMessages(const RecordedSocket& s, size_t count) {
    return s.recorder->log.waitFor(
        [count](const Lines& lines) {
          return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
                   return l.rfind("text:", 0) == 0 || l.rfind("binary:", 0) == 0;
                 })) >= count;
        },
        std::chrono::seconds(30));
  }
  static std::string firstText(const RecordedSocket& s) {
    for (auto& e : messages(s)) {
      if (auto* t = e.as<qor::WebSocketEvent::Text>()) return t->string;
    }
    return {};
  }
  static std::optional<std::string> field(const nlohmann::json& fields, const std::string& name) {
    for (const auto& f : fields) {
      if (platform::fieldNamesEqual(f[0].get<std::string>(), name)) return f[1].get<std::string>();
    }
    return std::nullopt;
  }
};

TEST_P(PeerInterop, TheUpgradeCarriesExtraHeadersAndTheServersCookies) {
  auto peer = startPeer();
  auto first = open(*peer, "/cookie", {{"X-Tenant", "tenant-7"}});
  ASSERT_TRUE(waitForMessages(first, 1));
  auto seen = nlohmann::json::parse(firstText(first));
  EXPECT_EQ(field(seen, "X-Tenant"), "tenant-7");
  EXPECT_EQ(field(seen, "Sec-WebSocket-Version"), "13");
  // The cookie the first answer set goes out with the next upgrade.
  std::string setCookie;
  for (auto& e : first.recorder->events()) {
    if (auto* c = e.as<qor::WebSocketEvent::Connected>()) setCookie = qor::findHeaderField(c->headers, "Set-Cookie").value_or("");
  }
  ASSERT_EQ(setCookie.rfind("peer=", 0), 0u) << setCookie;
  first.socket->disconnect();

  auto second = open(*peer, "/cookie");
  ASSERT_TRUE(waitForMessages(second, 1));
  EXPECT_EQ(field(nlohmann::json::parse(firstText(second)), "Cookie"), setCookie.substr(0, setCookie.find(';')));
  second.socket->disconnect();
}

TEST_P(PeerInterop, MessagesOfEverySizeComeBackWhole) {
  auto peer = startPeer();
  auto s = open(*peer, "/echo");
  std::mt19937 rng(6455);
  std::vector<std::pair<bool, platform::Bytes>> sent;
  for (size_t size : {size_t{0}, size_t{125}, size_t{126}, size_t{65535}, size_t{65536}, size_t{1} << 20}) {
    platform::Bytes text(size), binary(size);
    for (size_t i = 0; i < size; ++i) {
      text[i] = static_cast<uint8_t>('a' + rng() % 26);
      binary[i] = static_cast<uint8_t>(rng());
    }
    s.socket->writeString(platform::stringFromBytes(text));
    s.socket->writeData(binary);
    sent.push_back({true, text});
    sent.push_back({false, binary});
  }
  ASSERT_TRUE(waitForMessages(s, sent.size()));
  auto got = messages(s);
  ASSERT_EQ(got.size(), sent.size());
  for (size_t i = 0; i < sent.size(); ++i) {
    SCOPED_TRACE(i);
    if (sent[i].first) {
      ASSERT_TRUE(got[i].as<qor::WebSocketEvent::Text>());
      EXPECT_TRUE(got[i].as<qor::WebSocketEvent::Text>()->string == platform::stringFromBytes(sent[i].second));
    } else {
      ASSERT_TRUE(got[i].as<qor::WebSocketEvent::Binary>());
      EXPECT_TRUE(got[i].as<qor::WebSocketEvent::Binary>()->data == sent[i].second);
    }
  }
  // Our close with 1000 reaches the server, and the connection ends.
  s.socket->disconnect();
  EXPECT_EQ(peer->waitForEvent({{"event", "closed"}, {"path", "/echo"}}).value("code", 0), 1000);
  EXPECT_TRUE(s.recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(s.recorder->log.count("error"), 0u) << testing::PrintToString(s.recorder->log.lines());
}

TEST_P(PeerInterop, AFragmentedMessageArrivesWhole) {
  auto peer = startPeer();
  auto s = open(*peer, "/fragmented");
  ASSERT_TRUE(waitForMessages(s, 1));
  EXPECT_EQ(firstText(s), "alpha-beta-gamma");
  s.socket->disconnect();
}

TEST_P(PeerInterop, TheServersPingGetsOurPong) {
  auto peer = startPeer();
  auto s = open(*peer, "/ping");
  ASSERT_TRUE(waitForMessages(s, 1));
  EXPECT_EQ(firstText(s), "pong:are you there");
  EXPECT_EQ(s.recorder->log.count("ping:are you there"), 1u);
  s.socket->disconnect();
}

TEST_P(PeerInterop, TheServersCloseIsReportedWithCodeAndReason) {
  auto peer = startPeer();
  auto s = open(*peer, "/close");
  ASSERT_TRUE(s.recorder->log.waitForLine("cancelled"));
  EXPECT_EQ(s.recorder->log.lines(), (Lines{"connected", "disconnected:4001:server says bye", "cancelled"}));
}

TEST_P(PeerInterop, DeflateWorksThroughTheFrontClass) {
  auto peer = startPeer(true);
  auto compression = std::make_shared<qor::WSCompression>();
  auto s = open(*peer, "/echo", {}, compression);
  std::string extensions;
  for (auto& e : s.recorder->events()) {
    if (auto* c = e.as<qor::WebSocketEvent::Connected>()) {
      extensions = qor::findHeaderField(c->headers, "Sec-WebSocket-Extensions").value_or("");
    }
  }
  EXPECT_NE(extensions.find("permessage-deflate"), std::string::npos) << extensions;
  // Both directions compress: our compressor exists and the server's frames inflate.
  EXPECT_TRUE(compression->compressorWindowBits().has_value()) << extensions;
  EXPECT_TRUE(compression->decompressorWindowBits().has_value());

  std::mt19937 rng(7692);
  std::string repetitive;
  for (int i = 0; i < 20000; ++i) repetitive += "approve transaction " + std::to_string(i % 97) + "; ";
  platform::Bytes noise(100000);
  for (auto& b : noise) b = static_cast<uint8_t>(rng());
  const std::vector<std::string> texts = {repetitive, "", "short", repetitive.substr(0, 70000)};
  for (const auto& t : texts) s.socket->writeString(t);
  s.socket->writeData(noise);
  ASSERT_TRUE(waitForMessages(s, texts.size() + 1));
  auto got = messages(s);
  ASSERT_EQ(got.size(), texts.size() + 1);
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_TRUE(got[i].as<qor::WebSocketEvent::Text>()) << i;
    EXPECT_TRUE(got[i].as<qor::WebSocketEvent::Text>()->string == texts[i]) << i;
  }
  ASSERT_TRUE(got.back().as<qor::WebSocketEvent::Binary>());
  EXPECT_TRUE(got.back().as<qor::WebSocketEvent::Binary>()->data == noise);
  s.socket->disconnect();
  EXPECT_EQ(peer->waitForEvent({{"event", "closed"}}).value("code", 0), 1000);
}

// The URL-session engine: its tasks run on our engine, so the peer sees the same protocol.
TEST_P(PeerInterop, TheURLSessionEngineSpeaksToThePeer) {
  auto peer = startPeer();
  auto s = open(*peer, "/echo", {}, nullptr, false);
  platform::Bytes binary(70000);
  std::mt19937 rng(4627);
  for (auto& b : binary) b = static_cast<uint8_t>(rng());
  std::atomic<bool> ponged{false};
  s.socket->writeString("hello");
  s.socket->writeData(binary);
  s.socket->writePing({}, [&] { ponged = true; });  // its completion waits for the pong
  ASSERT_TRUE(waitForMessages(s, 2));
  auto got = messages(s);
  EXPECT_EQ(firstText(s), "hello");
  ASSERT_TRUE(got[1].as<qor::WebSocketEvent::Binary>());
  EXPECT_TRUE(got[1].as<qor::WebSocketEvent::Binary>()->data == binary);
  EXPECT_TRUE(enginetest::waitUntil([&] { return ponged.load(); }));
  s.socket->disconnect();
  EXPECT_EQ(peer->waitForEvent({{"event", "closed"}, {"path", "/echo"}}).value("code", 0), 1000);
  EXPECT_TRUE(s.recorder->log.waitForLine("disconnected:1000:"));

  struct Case {
    std::string path;
    std::string line;
  };
  const Case cases[] = {{"/fragmented", "text:alpha-beta-gamma"},
                        {"/ping", "text:pong:are you there"},
                        {"/close", "disconnected:4001:server says bye"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    auto t = open(*peer, c.path, {}, nullptr, false);
    EXPECT_TRUE(t.recorder->log.waitForLine(c.line)) << testing::PrintToString(t.recorder->log.lines());
    t.socket->disconnect();
  }

  // A forced stop puts no close frame on the wire: python3-websockets calls that end 1006, ws
  // reports nothing for it.
  auto forced = open(*peer, "/echo?forced", {}, nullptr, false);
  forced.socket->forceDisconnect();
  if (GetParam().kind == PeerServer::Kind::python) {
    EXPECT_EQ(peer->waitForEvent({{"event", "closed"}, {"path", "/echo?forced"}}).value("code", 0), 1006);
  } else {
    EXPECT_TRUE(peer->waitForEvent({{"event", "closed"}, {"path", "/echo?forced"}}, std::chrono::seconds(1)).is_null());
  }
}

INSTANTIATE_TEST_SUITE_P(Peers, PeerInterop,
                         testing::Values(PeerCase{PeerServer::Kind::python, false}, PeerCase{PeerServer::Kind::python, true},
                                         PeerCase{PeerServer::Kind::node, false}, PeerCase{PeerServer::Kind::node, true}),
                         caseName);

}  // namespace
}  // namespace peertest
