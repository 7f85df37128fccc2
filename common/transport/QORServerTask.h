// Turns a client action's request into one HTTP request (stored host + the action's path, its
// method, the stored headers, the envelope's JSON) and the answer bytes into the action's response.
// Owned by its action; holds no state. While a request is in flight the pending block holds the
// action strongly.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "common/request/QORBaseResponse.h"
#include "platform/Error.h"

namespace qor {

class QORBaseClientAction;

using QORServerTaskCompletion =
    std::function<void(std::shared_ptr<QORBaseResponse> response, std::optional<platform::Error> error)>;

class QORServerTask {
 public:
  static std::shared_ptr<QORServerTask> create();
  virtual ~QORServerTask() = default;

  // Calls the completion once: at once (on the caller's queue) with error 1000 when the request has
  // no dictionary or no URL can be formed, else on the main queue with the response or the error.
  virtual void runClientAction(const std::shared_ptr<QORBaseClientAction>& action, QORServerTaskCompletion completion);

 protected:
  QORServerTask() = default;
};

}  // namespace qor
