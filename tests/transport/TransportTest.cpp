// Both transports against an independent TCP/TLS peer (Debian's python3 ssl) on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <future>
#include <numeric>
#include <string_view>
#include <thread>

#include "common/websocket/security/FoundationSecurity.h"
#include "common/websocket/transport/FoundationTransport.h"
#include "common/websocket/transport/FoundationTransportError.h"
#include "common/websocket/transport/TCPTransport.h"
#include "common/websocket/transport/TCPTransportError.h"
#include "platform/Digest.h"
#include "platform/Random.h"
#include "platform/URL.h"
#include "platform/socket/NWListener.h"
#include "platform/socket/NetworkErrors.h"
#include "tests/transport/PeerProcess.h"
#include "tests/transport/TransportTestUtil.h"

namespace {

using namespace std::chrono_literals;
using qor::ConnectionState;
using transporttest::CertFiles;
using transporttest::PeerProcess;
using transporttest::Pki;
using transporttest::Recorder;

constexpr size_t kConnected = 0, kCancelled = 2, kFailed = 3;

platform::URL url(const std::string& text) {
  auto parsed = platform::URL::parse(text);
  if (!parsed) throw std::invalid_argument("bad test URL " + text);
  return *parsed;
}

std::string wss(int port, const char* host = "localhost") {
  return "wss://" + std::string(host) + ":" + std::to_string(port) + "/";
}
std::string ws(int port) { return "ws://127.0.0.1:" + std::to_string(port) + "/"; }

struct Kind {
  const char* name;
  std::function<std::shared_ptr<qor::Transport>()> make;
  std::function<std::shared_ptr<qor::Transport>(qor::FoundationTransport::StreamConfiguration)> makeStream;
};

void PrintTo(const Kind& kind, std::ostream* os) { *os << kind.name; }

const Kind kKinds[] = {
    {"TCPTransport", [] { return std::shared_ptr<qor::Transport>(qor::TCPTransport::create()); }, nullptr},
    {"FoundationTransport", [] { return std::shared_ptr<qor::Transport>(qor::FoundationTransport::create()); },
     [](qor::FoundationTransport::StreamConfiguration c) {
       return std::shared_ptr<qor::Transport>(qor::FoundationTransport::create(std::move(c)));
     }},
};

class TransportTest : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    Pki::shared();
    transport = GetParam().make();
    transport->registerDelegate(recorder);
  }

  void connect(const std::string& text, std::shared_ptr<qor::CertificatePinning> pinner = nullptr,
               double timeout = 10) {
    transport->connect(url(text), timeout, std::move(pinner));
  }
  bool waitConnected() { return recorder->waitFor([&] { return recorder->connected() > 0 || recorder->failed() > 0; }) && recorder->connected() == 1; }
  bool waitFailed(std::chrono::milliseconds limit = 10s) {
    return recorder->waitFor([&] { return recorder->failed() > 0; }, limit);
  }
  qor::ErrorPtr write(const std::string& text) {
    std::promise<qor::ErrorPtr> done;
    transport->write(platform::bytesFromString(text), [&](qor::ErrorPtr e) { done.set_value(std::move(e)); });
    auto f = done.get_future();
    EXPECT_EQ(f.wait_for(20s), std::future_status::ready);
    return f.get();
  }
  platform::Error failureObject() {
    auto e = recorder->firstFailure();
    return e ? e->bridged() : platform::Error{};
  }

  std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
  std::shared_ptr<qor::Transport> transport;
};

TEST_P(TransportTest, PlainConnectionCarriesBytesBothWaysAndDisconnectReportsCancelled) {
  PeerProcess peer("echo");
  connect(ws(peer.port()));
  ASSERT_TRUE(waitConnected());
  EXPECT_FALSE(transport->usingTLS());
  EXPECT_EQ(write("hello over plain TCP"), nullptr);
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->received() == "hello over plain TCP"; }));
  transport->disconnect();
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->cancelled() == 1; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(recorder->sequence().back(), kCancelled) << "nothing follows the cancellation";
  EXPECT_EQ(recorder->failed(), 0);
}

TEST_P(TransportTest, TLSConnectionWithAndWithoutPinnerReachesTheIndependentPeer) {
  const auto& pki = Pki::shared();
  PeerProcess peer("echo", pki.good.cert, pki.good.key);
  for (bool withPinner : {false, true}) {
    SCOPED_TRACE(withPinner ? "with pinner" : "without pinner");
    recorder = std::make_shared<Recorder>();
    transport = GetParam().make();
    transport->registerDelegate(recorder);
    connect(wss(peer.port()), withPinner ? std::make_shared<qor::FoundationSecurity>() : nullptr);
    ASSERT_TRUE(waitConnected()) << failureObject().localizedDescription();
    EXPECT_TRUE(transport->usingTLS());
    EXPECT_EQ(write("sealed hello"), nullptr);
    ASSERT_TRUE(recorder->waitFor([&] { return recorder->received() == "sealed hello"; }));
    transport->disconnect();
    ASSERT_TRUE(recorder->waitFor([&] { return recorder->cancelled() == 1; }));
  }
}

struct Refusal {
  const char* name;
  CertFiles Pki::*files;
  const char* host;
};

TEST_P(TransportTest, CertificatesThatMustBeRefusedAreRefusedWithAndWithoutPinner) {
  const Refusal refusals[] = {
      {"wrong host name", &Pki::wrongHost, "localhost"},
      {"unknown CA", &Pki::unknown, "localhost"},
      {"expired", &Pki::expired, "localhost"},
      {"address not in certificate", &Pki::wrongHost, "127.0.0.1"},
  };
  auto& pki = Pki::shared();
  for (const auto& r : refusals) {
    PeerProcess peer("echo", (pki.*r.files).cert, (pki.*r.files).key);
    for (bool withPinner : {false, true}) {
      SCOPED_TRACE(std::string(r.name) + (withPinner ? ", with pinner" : ", without pinner"));
      recorder = std::make_shared<Recorder>();
      transport = GetParam().make();
      transport->registerDelegate(recorder);
      connect(wss(peer.port(), r.host), withPinner ? std::make_shared<qor::FoundationSecurity>() : nullptr);
      ASSERT_TRUE(waitFailed());
      std::this_thread::sleep_for(50ms);
      EXPECT_EQ(recorder->connected(), 0);
      EXPECT_EQ(recorder->failed(), 1) << "one failure per connection";
      EXPECT_NE(failureObject().code, 0) << failureObject().domain;
    }
  }
}

TEST_P(TransportTest, RefusingPinnerFailsTheHandshakeOfAGoodCertificate) {
  struct Refuse : qor::CertificatePinning {
    void evaluateTrust(const std::shared_ptr<platform::SecTrust>& trust, const std::optional<std::string>& domain,
                       const std::function<void(qor::PinningState)>& completion) override {
      asked = trust != nullptr && domain == "localhost";
      completion(qor::PinningState::failed(platform::Error::make("test", 42)));
    }
    std::atomic<bool> asked{false};
  };
  auto& pki = Pki::shared();
  PeerProcess peer("echo", pki.good.cert, pki.good.key);
  auto pinner = std::make_shared<Refuse>();
  const auto started = std::chrono::steady_clock::now();
  connect(wss(peer.port()), pinner, 4);
  ASSERT_TRUE(waitFailed());
  EXPECT_TRUE(pinner->asked) << failureObject().localizedDescription();
  std::this_thread::sleep_until(started + 4500ms);  // past the connect timeout: still one failure
  EXPECT_EQ(recorder->connected(), 0);
  EXPECT_EQ(recorder->failed(), 1);
}

TEST_P(TransportTest, RefusedPortFailsInsteadOfWaiting) {
  auto listener = platform::NWListener::create("127.0.0.1", 0);
  ASSERT_NE(listener, nullptr);
  const int port = listener->port();
  listener.reset();  // nobody listens there any more
  connect(ws(port));
  ASSERT_TRUE(waitFailed(5s));
  EXPECT_EQ(recorder->connected(), 0);
  EXPECT_EQ(failureObject().code, ECONNREFUSED);
}

TEST_P(TransportTest, ListenerThatNeverSpeaksTLSTimesOut) {
  PeerProcess peer("silent");
  const auto started = std::chrono::steady_clock::now();
  connect(wss(peer.port(), "127.0.0.1"), nullptr, 0.5);
  ASSERT_TRUE(waitFailed(5s));
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_GE(took, 450ms);
  EXPECT_LT(took, 3s);
  if (qor::errorAs<qor::FoundationTransportError>(recorder->firstFailure())) {
    EXPECT_EQ(qor::errorAs<qor::FoundationTransportError>(recorder->firstFailure())->kind(),
              qor::FoundationTransportError::Kind::timeout);
  } else {
    EXPECT_EQ(failureObject().code, ETIMEDOUT);
  }
  std::this_thread::sleep_for(1200ms);
  EXPECT_EQ(recorder->failed(), 1);
  EXPECT_EQ(recorder->connected(), 0);
}

TEST_P(TransportTest, DisconnectWhileConnectingEndsTheAttemptWithoutALaterTimeout) {
  PeerProcess peer("silent");
  connect(wss(peer.port(), "127.0.0.1"), nullptr, 0.5);
  std::this_thread::sleep_for(100ms);
  transport->disconnect();
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->cancelled() == 1; }));
  std::this_thread::sleep_for(1500ms);  // past the connect timeout
  EXPECT_EQ(recorder->failed(), 0);
  EXPECT_EQ(recorder->connected(), 0);
  EXPECT_EQ(recorder->cancelled(), 1);
}

TEST_P(TransportTest, PeerEndOfStreamIsAFailureWithANonZeroCode) {
  for (bool tls : {false, true}) {
    SCOPED_TRACE(tls ? "TLS" : "plain");
    auto& pki = Pki::shared();
    PeerProcess peer("greet_close", tls ? pki.good.cert : "", tls ? pki.good.key : "");
    recorder = std::make_shared<Recorder>();
    transport = GetParam().make();
    transport->registerDelegate(recorder);
    connect(tls ? wss(peer.port()) : ws(peer.port()));
    ASSERT_TRUE(waitFailed());
    EXPECT_EQ(recorder->received(), "hello") << "bytes before the end are all reported";
    EXPECT_EQ(recorder->sequence().front(), kConnected);
    EXPECT_EQ(failureObject().code, ENOTCONN);
    transport->disconnect();
    ASSERT_TRUE(recorder->waitFor([&] { return recorder->cancelled() == 1; }));
    EXPECT_EQ(recorder->failed(), 1);
  }
}

TEST_P(TransportTest, LargeWriteArrivesWholeAndInOrder) {
  auto& pki = Pki::shared();
  const platform::Bytes data = *platform::secureRandomBytes(3 * 1024 * 1024 + 17);
  PeerProcess peer("sink", pki.good.cert, pki.good.key, {"--expect", std::to_string(data.size())});
  connect(wss(peer.port()));
  ASSERT_TRUE(waitConnected());
  std::promise<qor::ErrorPtr> done;
  transport->write(data, [&](qor::ErrorPtr e) { done.set_value(std::move(e)); });
  auto f = done.get_future();
  ASSERT_EQ(f.wait_for(30s), std::future_status::ready);
  EXPECT_EQ(f.get(), nullptr);
  const std::string expected = std::to_string(data.size()) + " " + platform::hexString(platform::sha256(data)) + "\n";
  EXPECT_TRUE(recorder->waitFor([&] { return recorder->received() == expected; }, 30s)) << recorder->received();
}

// The two shapes in which a read of at least two bytes would hold the last byte back until the
// peer sends more, which in a request and answer exchange it never does.
struct HeldByteShape {
  const char* name;
  std::vector<size_t> chunks;  // written one after the other, 0.3 s apart
};
const HeldByteShape kHeldByteShapes[] = {
    {"4097 bytes in one write", {4097}},
    {"a 4-byte frame whose last byte comes 0.3 s later", {3, 1}},
};

std::string countingPattern(size_t size) {
  std::string bytes;
  for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(i % 251));
  return bytes;
}

size_t totalOf(const std::vector<size_t>& chunks) { return std::accumulate(chunks.begin(), chunks.end(), size_t{0}); }

TEST_P(TransportTest, ALoneLastByteIsReportedWithoutWaitingForMore) {
  auto& pki = Pki::shared();
  for (const auto& shape : kHeldByteShapes) {
    for (bool tls : {false, true}) {
      SCOPED_TRACE(std::string(shape.name) + (tls ? " over TLS" : " over plain TCP"));
      std::string chunks;
      for (size_t size : shape.chunks) chunks += (chunks.empty() ? "" : ",") + std::to_string(size);
      PeerProcess peer("chunks", tls ? pki.good.cert : "", tls ? pki.good.key : "", {"--chunks", chunks, "--pause", "0.3"});
      recorder = std::make_shared<Recorder>();
      transport = GetParam().make();
      transport->registerDelegate(recorder);
      connect(tls ? wss(peer.port()) : ws(peer.port()));
      ASSERT_TRUE(waitConnected()) << failureObject().localizedDescription();
      // The peer then holds the socket open and silent: only the bytes themselves end the wait.
      const size_t total = totalOf(shape.chunks);
      EXPECT_TRUE(recorder->waitFor([&] { return recorder->received().size() == total; }, 2s))
          << recorder->received().size() << " of " << total << " bytes";
      EXPECT_EQ(recorder->received(), countingPattern(total));
      transport->disconnect();
      ASSERT_TRUE(recorder->waitFor([&] { return recorder->cancelled() == 1; }));
    }
  }
}

TEST_P(TransportTest, WriteWithoutConnectionCompletesWithAnError) {
  auto error = write("nowhere");
  ASSERT_NE(error, nullptr);
  EXPECT_NE(error->bridged().code, 0);
}

TEST_P(TransportTest, URLWithoutHostIsAnInvalidRequest) {
  connect("tcp:no-host");  // ws and wss URLs cannot be written without a host
  ASSERT_EQ(recorder->failed(), 1) << "reported at once";
  auto error = recorder->firstFailure();
  EXPECT_TRUE(qor::errorAs<qor::TCPTransportError>(error) || qor::errorAs<qor::FoundationTransportError>(error));
  EXPECT_EQ(error->bridged().code, 0);
}

// The server side is our own listener, so the test sees what arrives before the socket closes.
class ServerSide {
 public:
  ServerSide() {
    listener_ = platform::NWListener::create("127.0.0.1", 0);
    listener_->setNewConnectionHandler([this](std::shared_ptr<platform::NWConnection> c) {
      accepted_.push_back(c);  // an earlier one stays open: only its client may end it
      connection_ = c;
      c->start(queue_);
      receive(c);
    });
    listener_->start(queue_);
  }
  ~ServerSide() {
    queue_->sync([this] {
      listener_->cancel();
      for (const auto& c : accepted_) c->cancel();
    });
    queue_->sync([] {});  // the completions the cancels posted run while this object lives
  }
  int port() const { return listener_->port(); }
  bool waitForEnd() { return recorder.waitFor([&] { return ended_.load(); }, 10s); }
  // Sends to the accepted connection (waiting for it to exist) and ends it.
  void sendAndEnd(const std::string& text) {
    for (int i = 0; i < 500; ++i) {
      bool sent = false;
      queue_->sync([&] {
        if (!connection_) return;
        connection_->send(platform::bytesFromString(text), nullptr);
        connection_->cancel();
        sent = true;
      });
      if (sent) return;
      std::this_thread::sleep_for(10ms);
    }
    ADD_FAILURE() << "no connection was accepted";
  }
  std::string received() {
    std::string r;
    queue_->sync([&] { r = received_; });
    return r;
  }
  Recorder recorder;  // only for its waiting

 private:
  // What the last accepted connection receives, and its end.
  void receive(const std::shared_ptr<platform::NWConnection>& c) {
    std::weak_ptr<platform::NWConnection> weak = c;
    c->receive(1, 65536, [this, weak](platform::OptBytes content, bool complete, std::optional<platform::Error> e) {
      auto from = weak.lock();
      if (!from || from != connection_) return;
      if (content) received_.append(content->begin(), content->end());
      if (complete || e) {
        ended_ = true;
        return;
      }
      receive(from);
    });
  }
  std::shared_ptr<platform::SerialQueue> queue_ = platform::SerialQueue::create("test.server");
  std::shared_ptr<platform::NWListener> listener_;
  std::shared_ptr<platform::NWConnection> connection_;  // the last accepted
  std::vector<std::shared_ptr<platform::NWConnection>> accepted_;
  std::string received_;
  std::atomic<bool> ended_{false};
};

TEST_P(TransportTest, SecondConnectReplacesTheFirstAndDropsItsEvents) {
  ServerSide first;
  PeerProcess second("echo");
  connect(ws(first.port()));
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->connected() == 1; }));
  connect(ws(second.port()));
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->connected() == 2; }));
  first.sendAndEnd("from the first");  // bytes and an end that belong to the replaced connection
  EXPECT_EQ(write("to the second"), nullptr);
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->received().find("to the second") != std::string::npos; }));
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(recorder->received(), "to the second") << "nothing of the first connection";
  EXPECT_EQ(recorder->failed(), 0);
  EXPECT_EQ(recorder->cancelled(), 0);
}

// Connections replaced at once are freed at once, so a later one may be made at the address of an
// earlier one whose last events are still queued: they must not pass for the current one's.
TEST_P(TransportTest, EventsOfReplacedConnectionsNeverPassForTheCurrentOnes) {
  ServerSide server;
  for (int i = 0; i < 30; ++i) connect(ws(server.port()));
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->connected() > 0 || recorder->failed() > 0; }));
  std::this_thread::sleep_for(300ms);
  // Each connection that was current when it opened says so; none was cancelled or failed.
  EXPECT_GE(recorder->connected(), 1);
  EXPECT_EQ(recorder->cancelled(), 0);
  EXPECT_EQ(recorder->failed(), 0);
  EXPECT_EQ(recorder->sequence().back(), kConnected);
}

TEST_P(TransportTest, BytesWrittenJustBeforeDisconnectReachThePeerBeforeItsEnd) {
  ServerSide server;
  connect(ws(server.port()));
  ASSERT_TRUE(waitConnected());
  const std::string last(200000, 'x');
  EXPECT_EQ(write(last + "close frame"), nullptr);
  transport->disconnect();
  ASSERT_TRUE(server.waitForEnd());
  EXPECT_EQ(server.received(), last + "close frame");
}

TEST_P(TransportTest, DestroyingTheTransportClosesItsSocket) {
  ServerSide server;
  connect(ws(server.port()));
  ASSERT_TRUE(waitConnected());
  transport.reset();
  EXPECT_TRUE(server.waitForEnd());
}

INSTANTIATE_TEST_SUITE_P(Both, TransportTest, ::testing::ValuesIn(kKinds),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(FoundationTransport, StreamThatTakesNothingFailsTheWriteInsteadOfLooping) {
  auto& pki = Pki::shared();
  PeerProcess peer("stall", pki.good.cert, pki.good.key);
  auto recorder = std::make_shared<Recorder>();
  auto transport = qor::FoundationTransport::create(
      [](const std::shared_ptr<platform::InputStream>&, const std::shared_ptr<platform::OutputStream>& output) {
        output->setWriteTimeout(platform::seconds(0.3));
      });
  transport->registerDelegate(recorder);
  transport->connect(url(wss(peer.port())), 10, nullptr);
  ASSERT_TRUE(recorder->waitFor([&] { return recorder->connected() == 1; }));
  std::promise<qor::ErrorPtr> done;
  transport->write(platform::Bytes(64 * 1024 * 1024, 7), [&](qor::ErrorPtr e) { done.set_value(std::move(e)); });
  auto f = done.get_future();
  ASSERT_EQ(f.wait_for(20s), std::future_status::ready);
  auto error = f.get();
  ASSERT_NE(qor::errorAs<qor::FoundationTransportError>(error), nullptr);
  EXPECT_EQ(qor::errorAs<qor::FoundationTransportError>(error)->kind(),
            qor::FoundationTransportError::Kind::invalidOutputStream);
  transport->disconnect();
}

TEST(FoundationTransport, SecureURLSetsNegotiatedSSLOnBothStreamsBeforeTheyOpen) {
  for (bool tls : {false, true}) {
    std::promise<std::pair<platform::StreamSocketSecurityLevel, platform::StreamSocketSecurityLevel>> seen;
    auto transport = qor::FoundationTransport::create(
        [&](const std::shared_ptr<platform::InputStream>& in, const std::shared_ptr<platform::OutputStream>& out) {
          EXPECT_EQ(in->streamStatus(), platform::StreamStatus::notOpen);
          seen.set_value({in->securityLevel(), out->securityLevel()});
        });
    transport->connect(url(tls ? "wss://127.0.0.1:9/" : "ws://127.0.0.1:9/"), 1, nullptr);
    const auto levels = seen.get_future().get();
    const auto expected = tls ? platform::StreamSocketSecurityLevel::negotiatedSSL : platform::StreamSocketSecurityLevel::none;
    EXPECT_EQ(levels.first, expected);
    EXPECT_EQ(levels.second, expected);
    transport->disconnect();
  }
}

// The server side reads its accepted connections through this transport, so a lone last byte must
// not wait there either.
TEST(TCPTransport, WrapsAnAcceptedConnection) {
  auto queue = platform::SerialQueue::create("test.accept");
  auto listener = platform::NWListener::create("127.0.0.1", 0);
  auto serverRecorder = std::make_shared<Recorder>();
  std::shared_ptr<qor::TCPTransport> server;
  std::mutex mutex;
  listener->setNewConnectionHandler([&](std::shared_ptr<platform::NWConnection> c) {
    auto t = qor::TCPTransport::create(c);
    t->registerDelegate(serverRecorder);
    std::lock_guard lock(mutex);
    server = t;
  });
  listener->start(queue);
  auto client = qor::TCPTransport::create();
  auto clientRecorder = std::make_shared<Recorder>();
  client->registerDelegate(clientRecorder);
  client->connect(url(ws(listener->port())), 5, nullptr);
  ASSERT_TRUE(clientRecorder->waitFor([&] { return clientRecorder->connected() == 1; }));
  ASSERT_TRUE(serverRecorder->waitFor([&] {
    std::lock_guard lock(mutex);
    return server != nullptr;
  }));
  client->write(platform::bytesFromString("ping from client"), nullptr);
  ASSERT_TRUE(serverRecorder->waitFor([&] { return serverRecorder->received() == "ping from client"; }));
  std::string expected = serverRecorder->received();
  for (const auto& shape : kHeldByteShapes) {
    SCOPED_TRACE(shape.name);
    const std::string pattern = countingPattern(totalOf(shape.chunks));
    size_t offset = 0;
    for (size_t size : shape.chunks) {
      if (offset > 0) std::this_thread::sleep_for(300ms);
      client->write(platform::bytesFromString(pattern.substr(offset, size)), nullptr);
      offset += size;
    }
    expected += pattern;
    EXPECT_TRUE(serverRecorder->waitFor([&] { return serverRecorder->received().size() == expected.size(); }, 2s))
        << serverRecorder->received().size() << " of " << expected.size() << " bytes";
    EXPECT_EQ(serverRecorder->received(), expected);
  }
  client->disconnect();
  EXPECT_TRUE(serverRecorder->waitFor([&] { return serverRecorder->failed() == 1; })) << "the client's end reaches the server";
  std::lock_guard lock(mutex);
  server.reset();
}

}  // namespace

// Plain TCP sends go to the socket from the senders' own threads while nothing is queued. A peer
// that reads only once every send was made fills the socket, so sends are cut short and their rest
// queued behind while other threads keep sending: every send must still arrive whole, each thread's
// in its order, and complete once, in order.
TEST(NWConnection, ConcurrentPlainSendsArriveWholeAndInOrderAndCompleteOnce) {
  constexpr int kThreads = 4, kSendsPerThread = 40;
  constexpr size_t kSendSize = 64 * 1024 + 3;  // cut at no boundary the kernel favours

  auto serverQueue = platform::SerialQueue::create("test.sink");
  auto listener = platform::NWListener::create("127.0.0.1", 0);
  std::mutex mutex;
  std::condition_variable cv;
  std::shared_ptr<platform::NWConnection> accepted;
  std::string received;
  bool ended = false;
  listener->setNewConnectionHandler([&](std::shared_ptr<platform::NWConnection> c) {
    c->start(serverQueue);
    std::lock_guard lock(mutex);
    accepted = std::move(c);
    cv.notify_all();
  });
  listener->start(serverQueue);

  auto clientQueue = platform::SerialQueue::create("test.sender");
  auto client = platform::NWConnection::create({"127.0.0.1", listener->port()}, {});
  bool ready = false;
  client->setStateUpdateHandler([&](platform::NWConnection::State state, std::optional<platform::Error>) {
    std::lock_guard lock(mutex);
    if (state == platform::NWConnection::State::ready) ready = true;
    cv.notify_all();
  });
  client->start(clientQueue);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return ready && accepted; }));
  }

  // Each send is one tag repeated: its thread and its place in that thread's order.
  const auto tagOf = [](int thread, int seq) { return static_cast<uint8_t>(thread * kSendsPerThread + seq); };
  static_assert(kThreads * kSendsPerThread <= 256);
  std::vector<uint8_t> completionOrder;  // on the client's queue
  std::atomic<int> failedCompletions{0};
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([&, t] {
      for (int seq = 0; seq < kSendsPerThread; ++seq) {
        const uint8_t tag = tagOf(t, seq);
        client->send(platform::Bytes(kSendSize, tag), [&, tag](std::optional<platform::Error> error) {
          if (error) ++failedCompletions;
          std::lock_guard lock(mutex);
          completionOrder.push_back(tag);
          cv.notify_all();
        });
      }
    });
  }
  for (auto& s : senders) s.join();

  std::function<void()> readMore = [&] {
    accepted->receive(1, 1 << 20, [&](platform::OptBytes content, bool complete, std::optional<platform::Error> e) {
      std::lock_guard lock(mutex);
      if (content) received.append(content->begin(), content->end());
      if (complete || e || received.size() == kSendSize * kThreads * kSendsPerThread) {
        ended = true;
        cv.notify_all();
        return;
      }
      readMore();
    });
  };
  serverQueue->post(readMore);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, 30s, [&] {
      return ended && completionOrder.size() == size_t{kThreads} * kSendsPerThread;
    }));
  }
  EXPECT_EQ(failedCompletions, 0);
  ASSERT_EQ(received.size(), kSendSize * kThreads * kSendsPerThread);

  // The stream is the sends one after another, none torn; the completions come in the same order.
  std::vector<uint8_t> arrivalOrder;
  std::vector<int> nextSeq(kThreads, 0);
  for (size_t at = 0; at < received.size(); at += kSendSize) {
    const auto tag = static_cast<uint8_t>(received[at]);
    const std::string_view send(received.data() + at, kSendSize);
    ASSERT_EQ(send.find_first_not_of(static_cast<char>(tag)), std::string_view::npos) << "send torn at " << at;
    const int thread = tag / kSendsPerThread;
    ASSERT_EQ(tag % kSendsPerThread, nextSeq[thread]++) << "thread " << thread << " out of order";
    arrivalOrder.push_back(tag);
  }
  EXPECT_EQ(completionOrder, arrivalOrder);

  // Once cancelled, a send fails instead of going out or vanishing.
  client->cancel();
  std::promise<std::optional<platform::Error>> late;
  client->send(platform::Bytes(10, 1), [&](std::optional<platform::Error> error) { late.set_value(error); });
  auto lateResult = late.get_future();
  ASSERT_EQ(lateResult.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(lateResult.get().has_value());

  serverQueue->sync([&] {
    listener->cancel();
    accepted->cancel();
  });
  // What the cancels posted holds references into this frame.
  serverQueue->sync([] {});
  clientQueue->sync([] {});
}
