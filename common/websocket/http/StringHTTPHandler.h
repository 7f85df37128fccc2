// An HTTP handler over plain text parsing; field names of the answer are stored in lower case.
// See HTTPHandler for the thread contract.
#pragma once

#include "common/websocket/http/AnswerReader.h"

namespace qor {

class StringHTTPHandler final : public AnswerReader {
 public:
  static std::shared_ptr<StringHTTPHandler> create() { return std::make_shared<StringHTTPHandler>(); }

  platform::Bytes convert(const platform::URLRequest& request) override;

 protected:
  void parseResponse(const platform::Bytes& header) override;
};

}  // namespace qor
