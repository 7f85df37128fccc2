// One exchange with the authorization server: builds one sealed request, hands it to its server
// task, opens and checks the answer, and reports exactly one status per `start` to its delegate.
// Flows subclass it and override the hooks; the base calls them in a fixed order.
//
// Main queue only (checked in Debug builds); the device-information action is bound to the queue
// that starts it, and its answer hands it over to the main queue. Holds its data source and
// delegate weakly; while a request is in flight the server task holds the action.
// Make it with `create()` (or a subclass's factory): it hands itself out as a shared pointer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/QORCommonExport.h"
#include "common/actions/QORClientActionDataSource.h"
#include "common/actions/QORClientActionDelegate.h"
#include "common/actions/QORStatus.h"
#include "common/artifacts/QORSessionArtifact.h"
#include "common/crypto/QORSecretKey.h"
#include "common/request/QORBaseRequest.h"
#include "common/request/QORBaseResponse.h"
#include "common/transport/QORServerTask.h"
#include "platform/Error.h"
#include "platform/Json.h"
#include "platform/SequenceChecker.h"

namespace qor {

class QOR_COMMON_EXPORT QORBaseClientAction : public std::enable_shared_from_this<QORBaseClientAction> {
 public:
  static std::shared_ptr<QORBaseClientAction> create();
  virtual ~QORBaseClientAction() = default;

  std::weak_ptr<QORClientActionDataSource> dataSource() const;
  void setDataSource(std::weak_ptr<QORClientActionDataSource> dataSource);
  std::weak_ptr<QORClientActionDelegate> delegate() const;
  void setDelegate(std::weak_ptr<QORClientActionDelegate> delegate);
  const std::shared_ptr<QORBaseRequest>& request() const;
  // The last accepted answer; nullptr before one.
  const std::shared_ptr<QORBaseResponse>& response() const;
  const std::shared_ptr<QORServerTask>& serverTask() const;
  void setServerTask(std::shared_ptr<QORServerTask> task);

  // Hooks.
  virtual std::optional<int64_t> actionType() const { return std::nullopt; }
  virtual std::optional<std::string> urlPath() const { return std::nullopt; }
  virtual std::string httpMethod() const { return "POST"; }
  virtual QORRequestClass requestClass() const { return requestClassOf<QORBaseRequest>(); }
  virtual QORResponseClass responseClass() const { return responseClassOf<QORBaseResponse>(); }
  virtual std::shared_ptr<QORBaseRequestHeader> createRequestHeader();
  virtual std::shared_ptr<QORBaseRequestData> createRequestData();
  // The key that opens the answer's body: by default the request header's own AES key.
  virtual std::shared_ptr<QORSecretKey> bodyKeyForResponse(const std::shared_ptr<QORBaseResponse>& response);
  // After the answer is accepted, before the delegate hears 1.
  virtual void responseReceived(const std::shared_ptr<QORBaseResponse>&) {}
  virtual std::vector<std::shared_ptr<QORSessionArtifact>> artifacts() { return {}; }
  virtual bool shouldUseWebSocket() const { return false; }
  virtual bool shouldReconnectWebsocket() const { return false; }

  // Builds a new request and sends it.
  virtual void start();
  // The answer path, once per `start`.
  virtual void parseResponse(const std::shared_ptr<QORBaseResponse>& response, const std::optional<platform::Error>& error);
  // The opened answer body, or nullopt.
  virtual std::optional<platform::Json> parseResponse(const std::shared_ptr<QORBaseResponse>& response);
  // True unless the body is there, the status's "code" reads as 0 and the body's "nonceQOR" is the
  // Base64 of the nonce that was sent.
  virtual bool isErrorResponse(const std::optional<platform::Json>& decryptedBody, const std::optional<platform::Json>& status);

 protected:
  QORBaseClientAction();
  // An action of a flow that runs off the main queue: bound to the sequence that first uses it.
  struct BoundOnFirstUse {};
  explicit QORBaseClientAction(BoundOnFirstUse);

  void reportStatus(QORStatus status);

  QOR_MAIN_QUEUE_CHECKER(sequence_);

 private:
  std::weak_ptr<QORClientActionDataSource> dataSource_;
  std::weak_ptr<QORClientActionDelegate> delegate_;
  std::shared_ptr<QORBaseRequest> request_;
  std::shared_ptr<QORBaseResponse> response_;
  std::shared_ptr<QORServerTask> serverTask_;
};

}  // namespace qor
