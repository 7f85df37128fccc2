#include "platform/http/URLSession.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <thread>

#include "platform/http/HTTPFieldName.h"
#include "platform/http/URLError.h"
#include "platform/http/internal/Curl.h"
#include "platform/security/internal/OpenSSLHandles.h"

namespace platform {

namespace http {

namespace {

using AnchorList = std::vector<std::string>;  // PEM texts

}  // namespace

class SessionEngine;

// One transfer in flight: the curl handle and everything its callbacks write into.
struct Transfer {
  SessionEngine* engine = nullptr;
  std::shared_ptr<URLSessionDataTask> task;
  std::unique_ptr<CurlEasy> easy;
  CurlHeaderList headers;
  Bytes body;
  Bytes received;
  std::vector<std::pair<std::string, std::string>> responseFields;
  std::shared_ptr<const AnchorList> anchors;
  // The idle time-out, measured here: libcurl's low-speed check averages over several seconds.
  std::chrono::steady_clock::duration idleLimit{};
  std::chrono::steady_clock::time_point lastActivity;
  curl_off_t lastDown = -1, lastUp = -1;
  bool timedOut = false;
};

// The session's worker: owns the multi handle and runs every transfer on one thread.
class SessionEngine : public std::enable_shared_from_this<SessionEngine> {
 public:
  explicit SessionEngine(URLSession::Configuration configuration)
      : timeout_(configuration.timeoutIntervalForRequest), anchors_(std::make_shared<AnchorList>()) {}

  void startThread() {
    thread_ = std::thread([self = shared_from_this()] { self->run(); });
  }

  // Stops the loop; unfinished tasks end as cancelled. Joins unless called on the session thread.
  void stop() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake();
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      thread_.join();
    }
  }

  void enqueue(std::shared_ptr<URLSessionDataTask> task) {
    {
      std::lock_guard lock(mutex_);
      if (!stopping_) {
        incoming_.push_back(std::move(task));
        task = nullptr;
      }
    }
    if (task) {
      task->finish(std::nullopt, std::nullopt, urlError(kURLErrorCancelled));
      return;
    }
    wake();
  }

  void cancel(uint64_t identifier) {
    {
      std::lock_guard lock(mutex_);
      cancels_.push_back(identifier);
    }
    wake();
  }

  bool addAnchors(const std::string& pem) {
    if (detail::x509sFromPEM(pem).empty()) return false;
    std::lock_guard lock(mutex_);
    auto grown = std::make_shared<AnchorList>(*anchors_);
    grown->push_back(pem);
    anchors_ = std::move(grown);
    return true;
  }

  void setTimeout(double seconds) {
    std::lock_guard lock(mutex_);
    timeout_ = seconds;
  }
  void injectMultiFailure(CURLMcode code) {
    multi_.injectFailure(code);
    wake();
  }
  double timeout() const {
    std::lock_guard lock(mutex_);
    return timeout_;
  }

 private:
  // Ends the loop's wait: the poll's, or the pause after a failed multi call.
  void wake() {
    multi_.wakeup();
    wakeCv_.notify_all();
  }
  // Ends every transfer in flight with the multi call's failure.
  void failInFlight(CURLMcode result);
  // After a failed multi call, a wait that does not call libcurl: new work or `wake` ends it early.
  void pause(std::chrono::milliseconds limit);

  void run();
  // How long the loop may wait for its sockets: until the nearest idle deadline of a transfer, so
  // its idle check runs on time, and at most a second (libcurl shortens it for its own timers).
  // Past a deadline that has not ended its transfer yet, a short wait, never a spin.
  int pollWait() const;
  void begin(std::shared_ptr<URLSessionDataTask> task, double sessionTimeout, std::shared_ptr<const AnchorList> anchors);
  std::unique_ptr<CurlEasy> takeHandle();
  void recycle(std::unique_ptr<CurlEasy> easy);
  std::optional<Error> configure(Transfer& transfer, double sessionTimeout);
  void complete(CURL* handle, CURLcode result);
  void cancelTransfer(uint64_t identifier);
  std::unique_ptr<Transfer> detach(std::map<CURL*, std::unique_ptr<Transfer>>::iterator it);

  static size_t onBody(char* data, size_t size, size_t count, void* user);
  static size_t onHeader(char* data, size_t size, size_t count, void* user);
  static CURLcode onSSLContext(CURL* handle, void* context, void* user);
  // The trust of the session's connections: the CA bundle and folder libcurl would use and the
  // session's anchors, in one store made on the first connection and handed to every later one,
  // so the bundle is parsed once per session rather than once per TLS handshake (it costs more
  // than the handshake). Anchors added since the last connection join it first. Null when the
  // bundle does not load. Session thread only.
  X509_STORE* trustStore(const AnchorList& anchors);
  static int onProgress(void* user, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal, curl_off_t upNow);

  mutable std::mutex mutex_;
  std::condition_variable wakeCv_;
  double timeout_;
  std::shared_ptr<const AnchorList> anchors_;
  std::deque<std::shared_ptr<URLSessionDataTask>> incoming_;
  std::vector<uint64_t> cancels_;
  bool stopping_ = false;

  CurlMulti multi_;
  std::thread thread_;
  // Only the session thread touches the transfers and the idle handles.
  std::map<CURL*, std::unique_ptr<Transfer>> active_;
  std::vector<std::unique_ptr<CurlEasy>> idleHandles_;
  detail::X509StorePtr trustStore_;
  size_t anchorsInStore_ = 0;  // the anchor list only grows, so its first ones are in the store
};

void SessionEngine::run() {
  for (;;) {
    std::deque<std::shared_ptr<URLSessionDataTask>> incoming;
    std::vector<uint64_t> cancels;
    bool stopping;
    double sessionTimeout;
    std::shared_ptr<const AnchorList> anchors;
    {
      std::lock_guard lock(mutex_);
      incoming.swap(incoming_);
      cancels.swap(cancels_);
      stopping = stopping_;
      sessionTimeout = timeout_;
      anchors = anchors_;
    }
    for (auto& task : incoming) {
      if (stopping) {
        task->finish(std::nullopt, std::nullopt, urlError(kURLErrorCancelled));
      } else {
        begin(std::move(task), sessionTimeout, anchors);
      }
    }
    for (uint64_t identifier : cancels) cancelTransfer(identifier);
    if (stopping) {
      while (!active_.empty()) {
        auto transfer = detach(active_.begin());
        transfer->task->finish(std::nullopt, std::nullopt, urlError(kURLErrorCancelled));
      }
      return;
    }

    // A failing multi call fails what is in flight and pauses: retrying at once would spin the
    // session thread, and the tasks would never complete.
    int running = 0;
    CURLMcode result = multi_.perform(running);
    if (result == CURLM_OK) {
      while (CURLMsg* message = multi_.infoRead()) {
        if (message->msg == CURLMSG_DONE) complete(message->easy_handle, message->data.result);
      }
      result = multi_.poll(pollWait());
    }
    if (result != CURLM_OK) {
      failInFlight(result);
      pause(std::chrono::milliseconds(1000));
    }
  }
}

int SessionEngine::pollWait() const {
  using std::chrono::milliseconds;
  constexpr milliseconds kLongest(1000), kPastDeadline(50);
  const auto now = std::chrono::steady_clock::now();
  milliseconds wait = kLongest;
  for (const auto& [handle, transfer] : active_) {
    if (transfer->idleLimit <= std::chrono::steady_clock::duration::zero()) continue;
    const auto left = transfer->lastActivity + transfer->idleLimit - now;
    wait = std::min(wait, left > left.zero() ? std::chrono::ceil<milliseconds>(left) : kPastDeadline);
  }
  return static_cast<int>(wait.count());
}

void SessionEngine::failInFlight(CURLMcode result) {
  while (!active_.empty()) {
    auto transfer = detach(active_.begin());
    recycle(std::move(transfer->easy));
    transfer->task->finish(std::nullopt, std::nullopt, urlErrorFor(result));
  }
}

void SessionEngine::pause(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  wakeCv_.wait_for(lock, limit, [&] { return stopping_ || !incoming_.empty() || !cancels_.empty(); });
}

void SessionEngine::begin(std::shared_ptr<URLSessionDataTask> task, double sessionTimeout,
                          std::shared_ptr<const AnchorList> anchors) {
  auto transfer = std::make_unique<Transfer>();
  transfer->engine = this;
  transfer->task = std::move(task);
  transfer->anchors = std::move(anchors);
  transfer->easy = takeHandle();
  if (auto error = configure(*transfer, sessionTimeout)) {
    transfer->task->finish(std::nullopt, std::nullopt, std::move(error));
    return;
  }
  CURL* handle = transfer->easy->get();
  if (CURLMcode result = multi_.add(handle)) {
    recycle(std::move(transfer->easy));
    transfer->task->finish(std::nullopt, std::nullopt, urlErrorFor(result));
    return;
  }
  active_.emplace(handle, std::move(transfer));
}

// Easy handles outlive their transfers: what is the same for every transfer is set once, when the
// handle is made, and a finished transfer's handle serves the next one.
std::unique_ptr<CurlEasy> SessionEngine::takeHandle() {
  if (!idleHandles_.empty()) {
    auto easy = std::move(idleHandles_.back());
    idleHandles_.pop_back();
    easy->clearFailure();
    return easy;
  }
  auto easy = std::make_unique<CurlEasy>();
  if (!*easy) return easy;
  easy->set(CURLOPT_PROTOCOLS_STR, "http,https");
  // A redirect never leaves TLS: a server could otherwise downgrade the sealed requests to plain
  // text on the way.
  easy->set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
  easy->set(CURLOPT_FOLLOWLOCATION, 1L);
  easy->set(CURLOPT_MAXREDIRS, 16L);
  easy->set(CURLOPT_NOSIGNAL, 1L);
  easy->set(CURLOPT_ACCEPT_ENCODING, "");
  easy->set(CURLOPT_SSL_VERIFYPEER, 1L);
  easy->set(CURLOPT_SSL_VERIFYHOST, 2L);
  // The session's own store carries the CA bundle and folder (see trustStore); libcurl loads and
  // caches none, since its cached store would replace the one the callback installs.
  easy->set(CURLOPT_CAINFO, static_cast<const char*>(nullptr));
  easy->set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
  easy->set(CURLOPT_CA_CACHE_TIMEOUT, 0L);
  easy->set(CURLOPT_SSL_CTX_FUNCTION, &SessionEngine::onSSLContext);
  easy->set(CURLOPT_XFERINFOFUNCTION, &SessionEngine::onProgress);
  easy->set(CURLOPT_WRITEFUNCTION, &SessionEngine::onBody);
  easy->set(CURLOPT_HEADERFUNCTION, &SessionEngine::onHeader);
  return easy;
}

void SessionEngine::recycle(std::unique_ptr<CurlEasy> easy) {
  constexpr size_t kMaxIdleHandles = 8;
  if (easy && *easy && idleHandles_.size() < kMaxIdleHandles) idleHandles_.push_back(std::move(easy));
}

std::optional<Error> SessionEngine::configure(Transfer& transfer, double sessionTimeout) {
  const URLRequest& request = transfer.task->originalRequest();
  if (!request.url()) return urlError(kURLErrorBadURL);
  const std::string& scheme = request.url()->scheme();
  if (scheme != "http" && scheme != "https") return urlError(kURLErrorUnsupportedURL);
  if (!transfer.easy || !*transfer.easy) return urlError(kURLErrorUnknown, "cannot make a transfer");
  CurlEasy& easy = *transfer.easy;

  // Everything below is set for every transfer: a reused handle still holds the previous one's.
  easy.set(CURLOPT_URL, request.url()->absoluteString().c_str());
  easy.set(CURLOPT_SSL_CTX_DATA, &transfer);

  // An idle time-out: the connection must be up within it and the answer must not stall for it.
  double timeout = request.timeoutInterval();
  if (timeout <= 0 || (sessionTimeout > 0 && sessionTimeout < timeout)) timeout = sessionTimeout;
  if (timeout > 0) {
    easy.set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::ceil(timeout * 1000)));
    transfer.idleLimit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(timeout));
    transfer.lastActivity = std::chrono::steady_clock::now();
    easy.set(CURLOPT_NOPROGRESS, 0L);
    easy.set(CURLOPT_XFERINFODATA, &transfer);
  } else {
    easy.set(CURLOPT_CONNECTTIMEOUT_MS, 0L);  // libcurl's default
    easy.set(CURLOPT_NOPROGRESS, 1L);
  }

  // Back to a plain GET first: setting a body also switches libcurl to POST, so the body goes
  // before the switch back.
  easy.set(CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
  easy.set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t{-1});
  easy.set(CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr));
  easy.set(CURLOPT_HTTPGET, 1L);
  const std::string& method = request.httpMethod();
  const OptBytes& body = request.httpBody();
  if (method == "HEAD") {
    easy.set(CURLOPT_NOBODY, 1L);
  } else if (method != "GET") {
    if (method != "POST") easy.set(CURLOPT_CUSTOMREQUEST, method.c_str());
    if (body || method == "POST") {
      if (body) transfer.body = *body;
      easy.set(CURLOPT_POST, 1L);
      easy.set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(transfer.body.size()));
      easy.set(CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(transfer.body.data()));
    }
  }

  bool hasExpect = false;
  for (const auto& [name, value] : request.allHTTPHeaderFields()) {
    // The request type refuses such fields already; a raw header line must never be split here.
    if (name.empty() || !isSafeFieldValue(name) || !isSafeFieldValue(value) ||
        name.find(':') != std::string::npos) {
      continue;
    }
    // The body's length and framing are the session's own: a stored value would cut the body
    // short and leave its rest on a reused connection as the start of the next request.
    if (fieldNamesEqual(name, "Content-Length") || fieldNamesEqual(name, "Transfer-Encoding")) continue;
    if (fieldNamesEqual(name, "Expect")) hasExpect = true;
    // "Name;" is libcurl's way of sending a field with an empty value.
    transfer.headers.append(value.empty() ? name + ";" : name + ": " + value);
  }
  // No "Expect: 100-continue" round trip before a body, as the platform does not wait either.
  if (!hasExpect) transfer.headers.append("Expect:");
  easy.set(CURLOPT_HTTPHEADER, transfer.headers.get());

  easy.set(CURLOPT_WRITEDATA, &transfer);
  easy.set(CURLOPT_HEADERDATA, &transfer);
  easy.set(CURLOPT_PRIVATE, &transfer);
  if (easy.failure() != CURLE_OK) {
    return urlError(kURLErrorUnsupportedURL, curl_easy_strerror(easy.failure()));
  }
  return std::nullopt;
}

std::unique_ptr<Transfer> SessionEngine::detach(std::map<CURL*, std::unique_ptr<Transfer>>::iterator it) {
  auto transfer = std::move(it->second);
  active_.erase(it);
  multi_.remove(transfer->easy->get());
  return transfer;
}

void SessionEngine::complete(CURL* handle, CURLcode result) {
  auto it = active_.find(handle);
  if (it == active_.end()) return;
  auto transfer = detach(it);
  const CurlEasy& easy = *transfer->easy;
  std::optional<HTTPURLResponse> response;
  std::optional<Error> error;
  if (result != CURLE_OK) {
    int64_t code = transfer->timedOut ? kURLErrorTimedOut
                                      : urlErrorCodeFor(result, easy.osErrno(), easy.sslVerifyResult());
    error = urlError(code, curl_easy_strerror(result));
  } else {
    response.emplace();
    response->url = easy.effectiveURL();
    response->statusCode = static_cast<int>(easy.responseCode());
    response->headerFields = std::move(transfer->responseFields);
  }
  // Back to the idle handles before the completion runs, so a task it starts can take it.
  recycle(std::move(transfer->easy));
  if (error) {
    transfer->task->finish(std::nullopt, std::nullopt, std::move(error));
  } else {
    transfer->task->finish(std::move(transfer->received), std::move(response), std::nullopt);
  }
}

void SessionEngine::cancelTransfer(uint64_t identifier) {
  for (auto it = active_.begin(); it != active_.end(); ++it) {
    if (it->second->task->taskIdentifier() == identifier) {
      auto transfer = detach(it);
      recycle(std::move(transfer->easy));
      transfer->task->finish(std::nullopt, std::nullopt, urlError(kURLErrorCancelled));
      return;
    }
  }
}

size_t SessionEngine::onBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  transfer->received.insert(transfer->received.end(), data, data + size * count);
  return size * count;
}

size_t SessionEngine::onHeader(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  std::string_view line(data, size * count);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.starts_with("HTTP/")) {
    // A new answer head (after a redirect or an interim answer) replaces the earlier fields.
    transfer->responseFields.clear();
  } else if (auto colon = line.find(':'); colon != std::string_view::npos) {
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    transfer->responseFields.emplace_back(std::string(line.substr(0, colon)), std::string(value));
  }
  return size * count;
}

int SessionEngine::onProgress(void* user, curl_off_t, curl_off_t downNow, curl_off_t, curl_off_t upNow) {
  auto* transfer = static_cast<Transfer*>(user);
  auto now = std::chrono::steady_clock::now();
  if (downNow != transfer->lastDown || upNow != transfer->lastUp) {
    transfer->lastDown = downNow;
    transfer->lastUp = upNow;
    transfer->lastActivity = now;
    return 0;
  }
  if (now - transfer->lastActivity < transfer->idleLimit) return 0;
  transfer->timedOut = true;
  return 1;  // aborts the transfer
}

CURLcode SessionEngine::onSSLContext(CURL*, void* context, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  X509_STORE* store = transfer->engine->trustStore(*transfer->anchors);
  if (!store) return CURLE_SSL_CACERT_BADFILE;
  if (!X509_STORE_up_ref(store)) return CURLE_SSL_CERTPROBLEM;
  SSL_CTX_set_cert_store(static_cast<SSL_CTX*>(context), store);  // the context takes that reference
  return CURLE_OK;
}

X509_STORE* SessionEngine::trustStore(const AnchorList& anchors) {
  if (!trustStore_) {
    // Where libcurl itself would look: its built-in bundle file and folder.
    CurlEasy defaults;
    const char* bundle = nullptr;
    const char* folder = nullptr;
    curl_easy_getinfo(defaults.get(), CURLINFO_CAINFO, &bundle);
    curl_easy_getinfo(defaults.get(), CURLINFO_CAPATH, &folder);
    detail::X509StorePtr store(X509_STORE_new());
    if (!store) return nullptr;
    if (bundle && !X509_STORE_load_file(store.get(), bundle)) {
      ERR_clear_error();
      return nullptr;
    }
    // The folder is looked up certificate by certificate when a chain needs it, as libcurl does.
    if (folder && !X509_STORE_load_path(store.get(), folder)) ERR_clear_error();
    // As libcurl sets them on a store it fills: the store's issuers tried first, and an
    // intermediate in the store trusted as an anchor.
    X509_STORE_set_flags(store.get(), X509_V_FLAG_TRUSTED_FIRST | X509_V_FLAG_PARTIAL_CHAIN);
    trustStore_ = std::move(store);
  }
  for (; anchorsInStore_ < anchors.size(); ++anchorsInStore_) {
    for (const auto& certificate : detail::x509sFromPEM(anchors[anchorsInStore_])) {
      X509_STORE_add_cert(trustStore_.get(), certificate.get());  // a certificate already there is fine
    }
  }
  return trustStore_.get();
}

}  // namespace http

URLSessionDataTask::URLSessionDataTask(std::weak_ptr<http::SessionEngine> engine, URLRequest request,
                                       DataTaskCompletion completion, uint64_t identifier)
    : engine_(std::move(engine)),
      request_(std::move(request)),
      identifier_(identifier),
      completion_(std::move(completion)) {}

void URLSessionDataTask::resume() {
  {
    std::lock_guard lock(mutex_);
    if (resumed_) return;
    resumed_ = true;
  }
  if (auto engine = engine_.lock()) {
    engine->enqueue(shared_from_this());
  } else {
    finish(std::nullopt, std::nullopt, urlError(kURLErrorCancelled));
  }
}

void URLSessionDataTask::cancel() {
  bool resumed;
  {
    std::lock_guard lock(mutex_);
    resumed = resumed_;
  }
  auto engine = engine_.lock();
  if (resumed && engine) {
    engine->cancel(identifier_);
  } else {
    finish(std::nullopt, std::nullopt, urlError(kURLErrorCancelled));
  }
}

void URLSessionDataTask::finish(OptBytes data, std::optional<HTTPURLResponse> response, std::optional<Error> error) {
  DataTaskCompletion completion;
  {
    std::lock_guard lock(mutex_);
    completion = std::exchange(completion_, {});
  }
  if (completion) completion(std::move(data), std::move(response), std::move(error));
}

namespace {
std::shared_ptr<http::SessionEngine> makeEngine(const URLSession::Configuration& configuration) {
  // libcurl must be set up before the engine's multi handle is made.
  http::ensureCurlGlobalInit();
  return std::make_shared<http::SessionEngine>(configuration);
}
}  // namespace

URLSession::URLSession(Configuration configuration) : engine_(makeEngine(configuration)) {
  engine_->startThread();
}

URLSession::~URLSession() { engine_->stop(); }

std::shared_ptr<URLSession> URLSession::shared() {
  // Made on first use and never destroyed, like the queues: a late task during exit is harmless.
  static auto* session = new std::shared_ptr<URLSession>(new URLSession(Configuration{}));
  return *session;
}

std::shared_ptr<URLSession> URLSession::create() { return create(Configuration{}); }

std::shared_ptr<URLSession> URLSession::create(Configuration configuration) {
  return std::shared_ptr<URLSession>(new URLSession(configuration));
}

std::shared_ptr<URLSessionDataTask> URLSession::dataTask(URLRequest request, DataTaskCompletion completion) {
  return std::shared_ptr<URLSessionDataTask>(
      new URLSessionDataTask(engine_, std::move(request), std::move(completion), nextIdentifier_++));
}

bool URLSession::addTrustAnchorCertificates(const std::string& pemPath) {
  std::FILE* file = std::fopen(pemPath.c_str(), "rb");
  if (!file) return false;
  std::string pem;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) pem.append(buffer, n);
  std::fclose(file);
  return engine_->addAnchors(pem);
}

void URLSession::setTimeoutIntervalForRequest(double seconds) { engine_->setTimeout(seconds); }

void URLSession::failMultiCallsForTesting(int curlMultiCode) {
  engine_->injectMultiFailure(static_cast<CURLMcode>(curlMultiCode));
}

double URLSession::timeoutIntervalForRequest() const { return engine_->timeout(); }

}  // namespace platform
