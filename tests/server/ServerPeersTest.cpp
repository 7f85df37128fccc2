// Our WebSocket server (echoing) against clients: the independent ones (python3-websockets, the npm
// package ws), then our own front class on each of its two engines.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "common/websocket/client/WebSocket.h"
#include "tests/engine/support/PeerServer.h"
#include "tests/server/support/ServerHarness.h"
#include "tests/support/TestSupport.h"

namespace servertest {
namespace {

using enginetest::EventLog;
using Lines = std::vector<std::string>;

enum class Client { python, node };

class IndependentClients : public ::testing::TestWithParam<Client> {};

TEST_P(IndependentClients, UpgradeEchoFragmentsPingAndClose) {
  if (GetParam() == Client::node && !enginetest::PeerServer::nodePeerInstalled()) {
    GTEST_SKIP() << "the npm package ws is not installed (./run installs it in tools/wspeers)";
  }
  ServerHarness harness;
  const auto result =
      GetParam() == Client::python
          ? qortest::runProcess({qortest::kPython, qortest::sourcePath("tools/wspeers/ws_client.py"), harness.url("/chat")})
          : qortest::runProcess({"/usr/bin/env", "node", qortest::sourcePath("tools/wspeers/ws_client.js"), harness.url("/chat")});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  const auto seen = nlohmann::json::parse(result.out, nullptr, false);
  ASSERT_TRUE(seen.is_object()) << result.out << result.err;
  EXPECT_FALSE(seen.contains("error")) << seen.dump();
  EXPECT_EQ(seen.value("text", ""), "hello");
  EXPECT_EQ(seen.value("binaryEcho", false), true);
  EXPECT_EQ(seen.value("fragmented", ""), "alpha-beta-gamma");
  EXPECT_EQ(seen.value("pong", false), true);
  EXPECT_EQ(seen.value("closeCode", 0), 1000);
  EXPECT_EQ(seen.value("closeReason", ""), "done");

  EXPECT_EQ(harness.log().lines(), (Lines{"connected", "text:hello", "binary:70000", "text:alpha-beta-gamma",
                                          "ping:are you there", "disconnected:1000:done"}));
  EXPECT_TRUE(harness.waitForEmptyTable());
}

INSTANTIATE_TEST_SUITE_P(Clients, IndependentClients, ::testing::Values(Client::python, Client::node),
                         [](const ::testing::TestParamInfo<Client>& testInfo) {
                           return testInfo.param == Client::python ? "python" : "node";
                         });

// Our front class on our engine (true) and on the URL-session engine (false).
class OurClient : public ::testing::TestWithParam<bool> {
 protected:
  enginetest::RecordedSocket open(ServerHarness& harness) {
    auto made = enginetest::makeSocket(harness.url("/ours"), {}, nullptr, GetParam());
    made.socket->connect();
    EXPECT_TRUE(made.recorder->log.waitForLine("connected"));
    EXPECT_TRUE(harness.log().waitForLine("connected"));
    return made;
  }
};

TEST_P(OurClient, EchoesAndCloses) {
  ServerHarness harness;
  auto client = open(harness);
  const platform::Bytes binary(100000, 0xA5);
  bool written = false;
  client.socket->writeString("ours", [&] { written = true; });
  client.socket->writeData(binary);
  ASSERT_TRUE(client.recorder->log.waitForLine("binary:100000"));
  EXPECT_TRUE(written);
  client.socket->disconnect();
  ASSERT_TRUE(harness.log().waitForLine("disconnected:1000:"));
  EXPECT_TRUE(harness.waitForEmptyTable());
  EXPECT_EQ(harness.log().lines(), (Lines{"connected", "text:ours", "binary:100000", "disconnected:1000:"}));
  const auto lines = client.recorder->log.lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(Lines(lines.begin(), lines.begin() + 3), (Lines{"connected", "text:ours", "binary:100000"}));
}

// A forced stop ends the connection without a close frame: the server sees its transport end, never
// a close frame (1006 only names such an end; it is never sent).
TEST_P(OurClient, AForcedStopSendsNoCloseFrame) {
  ServerHarness harness;
  auto client = open(harness);
  client.socket->forceDisconnect();
  EXPECT_TRUE(harness.waitForEmptyTable());
  EXPECT_EQ(harness.log().count("disconnected"), 0u);
  EXPECT_EQ(harness.log().count("own error"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Engines, OurClient, ::testing::Bool(), [](const ::testing::TestParamInfo<bool>& testInfo) {
  return testInfo.param ? "ourEngine" : "urlSessionEngine";
});

}  // namespace
}  // namespace servertest
