// A process-wide WebSocket connection to the authorization server as the networking utilities use
// it: get ready (connect, or close and connect again), then send one request and hear its answer.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "platform/Bytes.h"
#include "platform/Error.h"

namespace qor {

class QORWebSocketChannel {
 public:
  using PrepareCompletion = std::function<void(bool ready)>;
  // The answer's bytes (or nullopt), an error (nullopt for an answer that may be used) and a status:
  // 101 for an answer that arrived, the error's code otherwise.
  using AnswerCompletion =
      std::function<void(platform::OptBytes data, std::optional<platform::Error> error, int64_t status)>;

  virtual ~QORWebSocketChannel() = default;

  virtual void prepareWithReconnection(bool reconnect, PrepareCompletion completion) = 0;
  // `data` is the request's JSON text.
  virtual void sendMessage(const platform::Bytes& data, AnswerCompletion completion) = 0;
};

}  // namespace qor
