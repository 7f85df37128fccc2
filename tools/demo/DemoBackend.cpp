#include "tools/demo/DemoBackend.h"

#include <memory>

#include "platform/Queue.h"
#include "platform/URL.h"
#include "platform/URLRequest.h"
#include "platform/http/URLSession.h"

namespace demo {

namespace {

struct Answer {
  bool done = false;
  platform::OptBytes data;
  int statusCode = 0;
  std::optional<platform::Error> error;
};

}  // namespace

std::optional<platform::Json> DemoBackend::post(const std::string& path, const platform::Json& body,
                                                std::string& error) const {
  auto url = platform::URL::parse(host_ + path);
  if (!url) {
    error = "not a URL: " + host_ + path;
    return std::nullopt;
  }
  platform::URLRequest request(url);
  request.setHTTPMethod("POST");
  request.setValue(std::string("application/json"), "Content-Type");
  request.setHTTPBody(platform::bytesFromString(body.dump()));
  request.setTimeoutInterval(30);
  auto answer = std::make_shared<Answer>();
  platform::URLSession::shared()
      ->dataTask(request,
                 [answer](platform::OptBytes data, std::optional<platform::HTTPURLResponse> response,
                          std::optional<platform::Error> failure) {
                   platform::MainQueue::shared()->post([=] {
                     answer->data = data;
                     answer->statusCode = response ? response->statusCode : 0;
                     answer->error = failure;
                     answer->done = true;
                   });
                 })
      ->resume();
  platform::MainQueue::shared()->runUntil([&] { return answer->done; }, platform::seconds(60));
  if (!answer->done || answer->error) {
    error = answer->error ? "no answer: " + answer->error->localizedDescription() : "no answer within a minute";
    return std::nullopt;
  }
  auto json = platform::Json::parse(platform::stringFromBytes(answer->data.value_or(platform::Bytes{})), nullptr, false);
  if (answer->statusCode != 200 || !json.is_object()) {
    error = "HTTP " + std::to_string(answer->statusCode) + ": " + (json.is_object() ? json.dump() : "not JSON");
    return std::nullopt;
  }
  return json;
}

std::optional<int64_t> DemoBackend::requestTransaction(const std::string& installationId, const std::string& kind,
                                                       std::string& error) const {
  auto answer = post("/demo/transaction", {{"installationId", installationId}, {"kind", kind}}, error);
  if (!answer) return std::nullopt;
  if (!answer->contains("sessionId") || !(*answer)["sessionId"].is_number_integer()) {
    error = "no session identifier in " + answer->dump();
    return std::nullopt;
  }
  return (*answer)["sessionId"].get<int64_t>();
}

std::optional<std::string> DemoBackend::requestLinkingCode(std::string& error) const {
  auto answer = post("/demo/tenant", {{"tenantName", "Demo Bank"}}, error);
  if (!answer) return std::nullopt;
  if (!answer->contains("linkingCode") || !(*answer)["linkingCode"].is_string()) {
    error = "no linking code in " + answer->dump();
    return std::nullopt;
  }
  return (*answer)["linkingCode"].get<std::string>();
}

}  // namespace demo
