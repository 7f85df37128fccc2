// The platform's URL session: HTTP(S) data tasks over libcurl.
//
// A session owns one thread that runs all of its transfers and a pool of open connections that later
// tasks to the same server reuse (keep-alive). A task's completion runs once, on that session thread,
// with the answer's bytes, its head and an error of the URL domain (URLError.h); do not block in it.
// Certificates and host names are verified against the system's trust store plus the anchors added
// to the session. The request's timeout is an idle time: the connection must be made, and bytes
// must keep moving, within it; a slow but steady answer is not cut off.
//
// All methods are thread-safe. `shared()` lives until the process ends; a session made by `create`
// cancels its unfinished data tasks (completion with kURLErrorCancelled) when it goes away.
//
// WebSocket tasks (URLSessionWebSocketTask.h) come from the factory that the library speaking
// WebSocket registered; they report to the session's delegate (held weakly) on its delegate queue.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Error.h"
#include "platform/QORPlatformExport.h"
#include "platform/URLRequest.h"
#include "platform/http/HTTPURLResponse.h"
#include "platform/http/OperationQueue.h"
#include "platform/http/URLSessionWebSocketTask.h"

namespace platform {

using DataTaskCompletion =
    std::function<void(OptBytes data, std::optional<HTTPURLResponse> response, std::optional<Error> error)>;

class URLSession;
namespace http {
class SessionEngine;
class DelegateDelivery;
QOR_PLATFORM_EXPORT std::shared_ptr<DelegateDelivery> makeDelegateDelivery();
}

class QOR_PLATFORM_EXPORT URLSessionDataTask : public std::enable_shared_from_this<URLSessionDataTask> {
 public:
  // Hands the task to its session; later calls do nothing.
  void resume();
  // Ends the task with kURLErrorCancelled unless it already finished.
  void cancel();
  uint64_t taskIdentifier() const { return identifier_; }
  const URLRequest& originalRequest() const { return request_; }

 private:
  friend class URLSession;
  friend class http::SessionEngine;
  URLSessionDataTask(std::weak_ptr<http::SessionEngine> engine, URLRequest request,
                     DataTaskCompletion completion, uint64_t identifier);
  // Runs the completion at most once.
  void finish(OptBytes data, std::optional<HTTPURLResponse> response, std::optional<Error> error);

  std::weak_ptr<http::SessionEngine> engine_;
  const URLRequest request_;
  const uint64_t identifier_;
  std::mutex mutex_;
  DataTaskCompletion completion_;
  bool resumed_ = false;
};

class QOR_PLATFORM_EXPORT URLSession : public std::enable_shared_from_this<URLSession> {
 public:
  struct Configuration {
    // Upper bound of every request's idle time-out, in seconds (the platform's default).
    double timeoutIntervalForRequest = 60.0;
  };

  static std::shared_ptr<URLSession> shared();
  static std::shared_ptr<URLSession> create();
  static std::shared_ptr<URLSession> create(Configuration configuration);
  ~URLSession();
  URLSession(const URLSession&) = delete;
  URLSession& operator=(const URLSession&) = delete;

  // A session with a delegate for its WebSocket tasks; without a delegate queue the session makes
  // one of its own.
  static std::shared_ptr<URLSession> create(Configuration configuration,
                                            std::weak_ptr<URLSessionWebSocketDelegate> delegate,
                                            std::shared_ptr<OperationQueue> delegateQueue);

  std::shared_ptr<URLSessionDataTask> dataTask(URLRequest request, DataTaskCompletion completion);

  // Suspended until resumed; nullptr while no WebSocket implementation is registered.
  std::shared_ptr<URLSessionWebSocketTask> webSocketTaskWithRequest(URLRequest request);
  // Replaces the maker of every session's WebSocket tasks (nullptr: none); returns the one before.
  static URLSessionWebSocketTaskFactory registerWebSocketTaskFactory(URLSessionWebSocketTaskFactory factory);
  std::shared_ptr<URLSessionWebSocketDelegate> delegate() const { return delegate_.lock(); }
  const std::shared_ptr<OperationQueue>& delegateQueue() const { return delegateQueue_; }
  // Runs `block` on the delegate queue once every block handed over before it has run, whatever
  // the queue's own concurrency: the delegate hears about its tasks one message at a time.
  void addDelegateOperation(Task block);

  // Trusts the certificates of a PEM file, besides the system's store, for connections made from
  // now on. False when the file holds no certificate.
  bool addTrustAnchorCertificates(const std::string& pemPath);
  // Tests shorten the time-out of requests that keep the platform's default.
  void setTimeoutIntervalForRequest(double seconds);
  double timeoutIntervalForRequest() const;
  // Tests: every later call of the session's loop into libcurl's multi interface fails with this
  // CURLMcode (0 lets them through again). The tasks in flight then end with kURLErrorUnknown.
  void failMultiCallsForTesting(int curlMultiCode);

 private:
  explicit URLSession(Configuration configuration);
  std::shared_ptr<http::SessionEngine> engine_;
  std::atomic<uint64_t> nextIdentifier_{1};
  // Set before the session is handed out, constant afterwards.
  std::weak_ptr<URLSessionWebSocketDelegate> delegate_;
  std::shared_ptr<OperationQueue> delegateQueue_ = OperationQueue::create();
  std::shared_ptr<http::DelegateDelivery> delivery_ = http::makeDelegateDelivery();
};

}  // namespace platform
