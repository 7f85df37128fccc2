// The server's HTTP handler over the platform's HTTP message (see HTTPServerHandler for the thread
// contract). A request is accepted when it is a GET (exactly) with header fields, among them a
// non-empty "Sec-WebSocket-Key"; nothing else of it is checked. A request that is not, a head that
// the parser refuses and a head longer than platform::HTTPMessage::kMaximumHeaderSize fail with
// invalidData; the bytes buffered so far are dropped, and the next bytes start a new request.
#pragma once

#include <mutex>
#include <optional>

#include "common/websocket/http/HTTPServerHandler.h"
#include "platform/http/HTTPMessage.h"

namespace qor {

class FoundationHTTPServerHandler final : public HTTPServerHandler {
 public:
  static std::shared_ptr<FoundationHTTPServerHandler> create() { return std::make_shared<FoundationHTTPServerHandler>(); }

  void registerDelegate(std::weak_ptr<HTTPServerDelegate> delegate) override;
  int64_t parse(const platform::Bytes& data) override;
  platform::Bytes createResponse(const HeaderFields& headers) override;

  // "GET".
  static constexpr const char* kGetVerb = "GET";

 private:
  // Judges a complete request head.
  void parseRequest(const platform::HTTPMessage& request);
  void report(const HTTPEvent& event);

  // The head read so far, confined to the caller's queue. Bytes are appended as they come, so a
  // head that arrives a byte at a time costs no more than one that arrives whole.
  std::optional<platform::HTTPMessage> request_;
  std::mutex delegateMutex_;
  std::weak_ptr<HTTPServerDelegate> delegate_;
};

}  // namespace qor
