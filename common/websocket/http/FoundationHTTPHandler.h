// The engine's HTTP handler, over the platform's HTTP message. See HTTPHandler for the thread
// contract.
#pragma once

#include "common/websocket/http/AnswerReader.h"

namespace qor {

class FoundationHTTPHandler final : public AnswerReader {
 public:
  static std::shared_ptr<FoundationHTTPHandler> create() { return std::make_shared<FoundationHTTPHandler>(); }

  // Request line, every field in the request's order, the body; empty without a URL or method.
  platform::Bytes convert(const platform::URLRequest& request) override;

 protected:
  void parseResponse(const platform::Bytes& header) override;
};

}  // namespace qor
