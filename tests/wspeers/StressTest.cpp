// Thousands of messages both ways through the front class, written from two threads at once, while
// the server (python3-websockets' protocol code) writes its bytes in chunks of random size and
// fragments its messages at random.
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "platform/Digest.h"
#include "tests/engine/support/EngineTestSupport.h"
#include "tests/engine/support/PeerServer.h"

namespace peertest {
namespace {

using enginetest::PeerServer;
using platform::Bytes;

// The server's own messages carry the SHA-256 of their rest: "S<i>:<hex>:<rest>", or 32 digest
// bytes before the rest.
bool isServerMessage(const qor::WebSocketEvent& event) {
  if (const auto* text = event.as<qor::WebSocketEvent::Text>()) return !text->string.empty() && text->string[0] == 'S';
  const auto& data = event.as<qor::WebSocketEvent::Binary>()->data;
  return data.size() >= 32 && platform::sha256(Bytes(data.begin() + 32, data.end())) == Bytes(data.begin(), data.begin() + 32);
}

bool checksItself(const std::string& text) {
  const auto first = text.find(':');
  const auto second = text.find(':', first + 1);
  if (second == std::string::npos) return false;
  return platform::hexString(platform::sha256(platform::bytesFromString(text.substr(second + 1)))) ==
         text.substr(first + 1, second - first - 1);
}

size_t randomSize(std::mt19937& rng) {
  const unsigned roll = rng() % 100;
  if (roll < 70) return rng() % 200;
  if (roll < 95) return rng() % 5000;
  return rng() % 150000;
}

TEST(Stress, ThousandsOfMessagesBothWaysWithRandomChunking) {
  constexpr int kPerThread = 1000;
  constexpr int kServerMessages = 400;
  PeerServer peer(PeerServer::Kind::chunky);
  ASSERT_TRUE(peer.running());
  auto s = enginetest::makeSocket(peer.url("/stress?messages=" + std::to_string(kServerMessages)));
  s.socket->connect();
  ASSERT_TRUE(s.recorder->log.waitForLine("connected", std::chrono::seconds(240)));

  // One thread sends texts, the other binaries; each keeps its own order.
  std::vector<std::string> texts(kPerThread);
  std::vector<Bytes> binaries(kPerThread);
  std::thread textWriter([&] {
    std::mt19937 rng(1);
    for (int i = 0; i < kPerThread; ++i) {
      texts[i] = "C" + std::to_string(i) + ":" + std::string(randomSize(rng), static_cast<char>('a' + i % 26));
      s.socket->writeString(texts[i]);
    }
  });
  std::thread binaryWriter([&] {
    std::mt19937 rng(2);
    for (int i = 0; i < kPerThread; ++i) {
      binaries[i] = Bytes(randomSize(rng));
      for (auto& b : binaries[i]) b = static_cast<uint8_t>(rng());
      s.socket->writeData(binaries[i]);
    }
  });
  textWriter.join();
  binaryWriter.join();

  const size_t expected = 2 * kPerThread + kServerMessages;
  ASSERT_TRUE(s.recorder->log.waitFor(
      [&](const std::vector<std::string>& lines) {
        return std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
                 return l.rfind("text:", 0) == 0 || l.rfind("binary:", 0) == 0 || l.rfind("error:", 0) == 0;
               }) >= static_cast<long>(expected);
      },
      std::chrono::seconds(240)))
      << s.recorder->log.lines().size() << " events";

  size_t textEchoes = 0, binaryEchoes = 0, serverTexts = 0, serverBinaries = 0;
  int lastServerText = -1;
  for (const auto& event : s.recorder->events()) {
    ASSERT_FALSE(event.as<qor::WebSocketEvent::Error>()) << enginetest::describeEvent(event);
    if (!event.as<qor::WebSocketEvent::Text>() && !event.as<qor::WebSocketEvent::Binary>()) continue;
    if (isServerMessage(event)) {
      if (const auto* text = event.as<qor::WebSocketEvent::Text>()) {
        ASSERT_TRUE(checksItself(text->string)) << text->string.substr(0, 80);
        const int index = std::stoi(text->string.substr(1));
        EXPECT_GT(index, lastServerText);
        lastServerText = index;
        ++serverTexts;
      } else {
        ++serverBinaries;
      }
    } else if (const auto* text = event.as<qor::WebSocketEvent::Text>()) {
      ASSERT_LT(textEchoes, texts.size());
      ASSERT_TRUE(text->string == texts[textEchoes]) << "text echo " << textEchoes;
      ++textEchoes;
    } else {
      ASSERT_LT(binaryEchoes, binaries.size());
      ASSERT_TRUE(event.as<qor::WebSocketEvent::Binary>()->data == binaries[binaryEchoes]) << "binary echo " << binaryEchoes;
      ++binaryEchoes;
    }
  }
  EXPECT_EQ(textEchoes, static_cast<size_t>(kPerThread));
  EXPECT_EQ(binaryEchoes, static_cast<size_t>(kPerThread));
  EXPECT_EQ(serverTexts + serverBinaries, static_cast<size_t>(kServerMessages));

  s.socket->disconnect();
  auto closed = peer.waitForEvent({{"event", "closed"}}, std::chrono::seconds(30));
  EXPECT_EQ(closed.value("code", 0), 1000);
  EXPECT_EQ(closed.value("echoed", 0), 2 * kPerThread);
  EXPECT_TRUE(s.recorder->log.waitForLine("cancelled", std::chrono::seconds(240)));
}

}  // namespace
}  // namespace peertest
