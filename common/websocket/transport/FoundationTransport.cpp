#include "common/websocket/transport/FoundationTransport.h"

#include <cmath>

#include "common/websocket/http/URLParts.h"
#include "common/websocket/security/CertificatePinning.h"
#include "common/websocket/transport/FoundationTransportError.h"
#include "platform/socket/NetworkErrors.h"

namespace qor {

using platform::InputStream;
using platform::OutputStream;
using platform::StreamEvent;

namespace {

constexpr size_t kReadSize = 4096;

ErrorPtr transportError(FoundationTransportError::Kind kind) { return makeError<FoundationTransportError>(kind); }

void detachAndClose(const std::shared_ptr<platform::Stream>& stream) {
  if (!stream) return;
  stream->setDelegate({});
  stream->setDispatchQueue(nullptr);
  stream->close();
}

}  // namespace

FoundationTransport::FoundationTransport(StreamConfiguration streamConfiguration)
    : workQueue_(platform::SerialQueue::create("com.qor.websocket.stream-transport")),
      onConnect_(std::move(streamConfiguration)) {}

std::shared_ptr<FoundationTransport> FoundationTransport::create(StreamConfiguration streamConfiguration) {
  return std::shared_ptr<FoundationTransport>(new FoundationTransport(std::move(streamConfiguration)));
}

FoundationTransport::~FoundationTransport() {
  detachAndClose(inputStream_);
  detachAndClose(outputStream_);
}

void FoundationTransport::registerDelegate(std::weak_ptr<TransportEventClient> delegate) {
  std::lock_guard lock(mutex_);
  delegate_ = std::move(delegate);
}

bool FoundationTransport::usingTLS() const {
  std::lock_guard lock(mutex_);
  return isTLS_;
}

void FoundationTransport::connect(const platform::URL& url, double timeout,
                                  std::shared_ptr<CertificatePinning> certificatePinning) {
  const auto parts = getParts(url);
  if (!parts || parts->port < 0 || parts->port > UINT32_MAX) {
    report(ConnectionState::Failed{transportError(FoundationTransportError::Kind::invalidRequest)});
    return;
  }
  auto pair = platform::createStreamPairWithSocketToHost(parts->host, static_cast<uint32_t>(parts->port));
  std::shared_ptr<InputStream> oldInput;
  std::shared_ptr<OutputStream> oldOutput;
  uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    oldInput = std::exchange(inputStream_, pair.input);
    oldOutput = std::exchange(outputStream_, pair.output);
    certPinner_ = std::move(certificatePinning);
    isTLS_ = parts->isTLS;
    hasConnection_ = true;
    generation = ++generation_;
  }
  // One connection at a time: the previous one ends here and reports nothing more.
  detachAndClose(oldInput);
  detachAndClose(oldOutput);

  std::weak_ptr<FoundationTransport> weak = weak_from_this();
  for (const std::shared_ptr<platform::Stream>& s : {std::shared_ptr<platform::Stream>(pair.input),
                                                     std::shared_ptr<platform::Stream>(pair.output)}) {
    s->setDelegate(weak);
    if (parts->isTLS) s->setSecurityLevel(platform::StreamSocketSecurityLevel::negotiatedSSL);
  }
  if (onConnect_) onConnect_(pair.input, pair.output);
  pair.input->setDispatchQueue(workQueue_);
  pair.output->setDispatchQueue(workQueue_);
  pair.input->open();
  pair.output->open();
  if (std::isfinite(timeout) && timeout >= 0) {
    workQueue_->postAfterFor(platform::seconds(std::min(timeout, 1e9)), weak,
                             [generation](const std::shared_ptr<FoundationTransport>& self) {
                               self->connectTimedOut(generation);
                             });
  }
}

void FoundationTransport::connectTimedOut(uint64_t generation) {
  QOR_DCHECK_ON_QUEUE(workQueue_);
  // Void once connected or failed; fail() voids it once disconnected or replaced.
  if (openGeneration_ == generation || failedGeneration_ == generation) return;
  fail(generation, transportError(FoundationTransportError::Kind::timeout), true);
}

void FoundationTransport::stream(const std::shared_ptr<platform::Stream>& stream, StreamEvent event) {
  QOR_DCHECK_ON_QUEUE(workQueue_);
  bool fromInput, fromOutput;
  uint64_t generation;
  {
    std::lock_guard lock(mutex_);
    fromInput = stream && stream == inputStream_;
    fromOutput = stream && stream == outputStream_;
    generation = generation_;
  }
  if (!fromInput && !fromOutput) return;
  switch (event) {
    case StreamEvent::openCompleted:
      if (fromInput) decideTrust(generation);
      break;
    case StreamEvent::hasBytesAvailable:
      if (fromInput) readOnce();
      break;
    case StreamEvent::errorOccurred: {
      auto error = stream->streamError();
      fail(generation, error ? makeError<PlatformError>(std::move(*error)) : nullptr, true);
      break;
    }
    case StreamEvent::endEncountered:
      // The write side stays, so an answer to the peer's close can still go out.
      if (fromInput) {
        fail(generation, makeError<PlatformError>(platform::peerClosedError(platform::kStreamErrorDomainPOSIX)), false);
      }
      break;
    case StreamEvent::hasSpaceAvailable:
    case StreamEvent::none:
      break;
  }
}

void FoundationTransport::decideTrust(uint64_t generation) {
  std::shared_ptr<CertificatePinning> pinner;
  std::shared_ptr<platform::SecTrust> trust;
  std::optional<std::string> domain;
  {
    std::lock_guard lock(mutex_);
    pinner = certPinner_;
    if (outputStream_) {
      trust = outputStream_->peerTrust();
      domain = outputStream_->peerName();
    }
  }
  if (!pinner || !trust) {
    markConnected(generation);  // the streams' own TLS validation was all there was to do
    return;
  }
  std::weak_ptr<FoundationTransport> weak = weak_from_this();
  auto queue = workQueue_;
  pinner->evaluateTrust(trust, domain, [weak, queue, generation](PinningState state) {
    // A pinner may answer from another thread; the decision belongs on the work queue.
    if (queue->isCurrent()) {
      if (auto self = weak.lock()) self->trustDecided(generation, state);
      return;
    }
    queue->postFor(weak, [generation, state](const std::shared_ptr<FoundationTransport>& self) {
      self->trustDecided(generation, state);
    });
  });
}

void FoundationTransport::trustDecided(uint64_t generation, const PinningState& state) {
  QOR_DCHECK_ON_QUEUE(workQueue_);
  if (state.isSuccess()) {
    markConnected(generation);
    return;
  }
  fail(generation, state.error ? makeError<PlatformError>(*state.error) : nullptr, true);
}

void FoundationTransport::markConnected(uint64_t generation) {
  QOR_DCHECK_ON_QUEUE(workQueue_);
  if (failedGeneration_ == generation) return;
  {
    std::lock_guard lock(mutex_);
    if (generation != generation_) return;
  }
  openGeneration_ = generation;
  report(ConnectionState::Connected{});
}

void FoundationTransport::readOnce() {
  std::shared_ptr<InputStream> input;
  {
    std::lock_guard lock(mutex_);
    input = inputStream_;
  }
  if (!input) return;
  platform::Bytes buffer(kReadSize);
  const ptrdiff_t n = input->read(buffer.data(), buffer.size());
  if (n <= 0) return;
  buffer.resize(static_cast<size_t>(n));
  report(ConnectionState::Receive{std::move(buffer)});
}

void FoundationTransport::fail(uint64_t generation, ErrorPtr error, bool closeStreams) {
  QOR_DCHECK_ON_QUEUE(workQueue_);
  if (failedGeneration_ == generation) return;
  std::shared_ptr<InputStream> input;
  std::shared_ptr<OutputStream> output;
  {
    std::lock_guard lock(mutex_);
    // The check and the taking of the streams go together: a connect may come from any thread.
    if (generation != generation_) return;
    failedGeneration_ = generation;
    if (closeStreams) {
      input = std::exchange(inputStream_, nullptr);
      output = std::exchange(outputStream_, nullptr);
    }
  }
  detachAndClose(input);
  detachAndClose(output);
  report(ConnectionState::Failed{std::move(error)});
}

void FoundationTransport::write(platform::Bytes data, WriteCompletion completion) {
  std::shared_ptr<OutputStream> output;
  {
    std::lock_guard lock(mutex_);
    output = outputStream_;
  }
  const auto finish = [&completion](ErrorPtr error) {
    if (completion) completion(std::move(error));
  };
  if (!output) {
    finish(transportError(FoundationTransportError::Kind::invalidOutputStream));
    return;
  }
  size_t written = 0;
  while (written < data.size()) {
    const ptrdiff_t n = output->write(data.data() + written, data.size() - written);
    // A stream that takes nothing would keep this loop going for ever.
    if (n <= 0) {
      finish(transportError(FoundationTransportError::Kind::invalidOutputStream));
      return;
    }
    written += static_cast<size_t>(n);
  }
  finish(nullptr);
}

void FoundationTransport::disconnect() {
  std::shared_ptr<InputStream> input;
  std::shared_ptr<OutputStream> output;
  bool hadConnection;
  {
    std::lock_guard lock(mutex_);
    input = std::exchange(inputStream_, nullptr);
    output = std::exchange(outputStream_, nullptr);
    ++generation_;
    hadConnection = std::exchange(hasConnection_, false);
  }
  detachAndClose(input);
  detachAndClose(output);
  // A reconnect waits for this event, as it does with the other transport.
  if (hadConnection) {
    workQueue_->postFor(weak_from_this(), [](const std::shared_ptr<FoundationTransport>& self) {
      self->report(ConnectionState::Cancelled{});
    });
  }
}

void FoundationTransport::report(const ConnectionState& state) {
  std::shared_ptr<TransportEventClient> delegate;
  {
    std::lock_guard lock(mutex_);
    delegate = delegate_.lock();
  }
  if (delegate) delegate->connectionChanged(state);
}

}  // namespace qor
