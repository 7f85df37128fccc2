// The part that both HTTP handlers share: collecting the answer's bytes until the end of its header,
// wherever the end-of-header marker falls between reads, and capping what it keeps.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "common/websocket/http/HTTPHandler.h"

namespace qor {

class AnswerReader : public HTTPHandler {
 public:
  // An answer whose header is not complete after this many bytes fails with invalidData.
  static constexpr size_t kMaximumAnswerSize = 64 * 1024;

  void registerDelegate(std::weak_ptr<HTTPHandlerDelegate> delegate) override;
  int64_t parse(const platform::Bytes& data) override;
  void reset() override { buffer_.clear(); }

 protected:
  // The answer's header through its empty line; reports the outcome.
  virtual void parseResponse(const platform::Bytes& header) = 0;
  void report(const HTTPEvent& event);

 private:
  // Guarded: the engine registers from the thread that starts it, answers arrive on the transport's queue.
  std::mutex delegateMutex_;
  std::weak_ptr<HTTPHandlerDelegate> delegate_;
  platform::Bytes buffer_;
};

}  // namespace qor
