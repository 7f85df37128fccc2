#include "platform/socket/SocketStream.h"

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/socket/NetworkErrors.h"
#include "platform/socket/internal/Channel.h"

namespace platform {
namespace detail {

namespace {
constexpr int kInput = 0;
constexpr int kOutput = 1;
constexpr auto kDefaultWriteTimeout = std::chrono::seconds(60);
}  // namespace

struct StreamPairCore : std::enable_shared_from_this<StreamPairCore> {
  struct Side {
    std::weak_ptr<Stream> stream;
    std::weak_ptr<StreamDelegate> delegate;
    std::shared_ptr<Queue> queue;
    StreamStatus status = StreamStatus::notOpen;
    bool bytesEventPending = false;
    bool endReported = false;
    size_t readsInEvent = 0;
  };

  std::string host;
  uint32_t port = 0;

  mutable std::mutex mutex;
  StreamSocketSecurityLevel level = StreamSocketSecurityLevel::none;
  std::shared_ptr<Channel> channel;
  bool established = false;
  std::optional<Error> error;
  Duration writeTimeout = kDefaultWriteTimeout;
  Side sides[2];

  ~StreamPairCore() {
    if (channel) channel->close();
  }

  bool opened(const Side& s) const { return s.status != StreamStatus::notOpen && s.status != StreamStatus::closed; }

  void postLocked(int side, StreamEvent event) {
    Side& s = sides[side];
    if (!s.queue) return;
    std::weak_ptr<StreamPairCore> weak = weak_from_this();
    s.queue->post([weak, side, event] {
      if (auto core = weak.lock()) core->deliver(side, event);
    });
  }

  void deliver(int side, StreamEvent event) {
    std::shared_ptr<StreamDelegate> delegate;
    std::shared_ptr<Stream> stream;
    {
      std::lock_guard lock(mutex);
      Side& s = sides[side];
      if (s.status == StreamStatus::closed || !s.queue) return;
      if (event == StreamEvent::hasBytesAvailable) {
        s.bytesEventPending = false;
        s.readsInEvent = 0;
      }
      delegate = s.delegate.lock();
      stream = s.stream.lock();
    }
    if (delegate && stream) delegate->stream(stream, event);
    if (event == StreamEvent::hasBytesAvailable) {
      std::lock_guard lock(mutex);
      // Another event only when the delegate read: one that leaves the bytes alone is not pestered.
      if (sides[side].readsInEvent > 0) signalInputLocked();
    }
  }

  // Tells the input side what its buffer holds: bytes, or the end once every byte was read.
  void signalInputLocked() {
    Side& s = sides[kInput];
    if (!channel || !established || !opened(s) || s.status == StreamStatus::error) return;
    if (channel->available() > 0) {
      if (!s.bytesEventPending) {
        s.bytesEventPending = true;
        postLocked(kInput, StreamEvent::hasBytesAvailable);
      }
    } else if (channel->peerEnded() && !s.endReported) {
      s.endReported = true;
      s.status = StreamStatus::atEnd;
      postLocked(kInput, StreamEvent::endEncountered);
    }
  }

  void reportOpenLocked(int side) {
    Side& s = sides[side];
    if (s.status != StreamStatus::opening) return;
    s.status = StreamStatus::open;
    postLocked(side, StreamEvent::openCompleted);
    if (side == kOutput) postLocked(side, StreamEvent::hasSpaceAvailable);
    if (side == kInput) signalInputLocked();
  }

  void failLocked(Error e) {
    if (!error) error = std::move(e);
    for (int side : {kInput, kOutput}) {
      Side& s = sides[side];
      if (!opened(s) || s.status == StreamStatus::error) continue;
      s.status = StreamStatus::error;
      postLocked(side, StreamEvent::errorOccurred);
    }
  }

  void onChannelEvent(ChannelEvent event) {
    std::lock_guard lock(mutex);
    switch (event) {
      case ChannelEvent::established:
        established = true;
        reportOpenLocked(kInput);
        reportOpenLocked(kOutput);
        break;
      case ChannelEvent::unreachable:
      case ChannelEvent::failed: {
        auto f = channel->failure();
        failLocked(f ? f->toError(kStreamErrorDomainPOSIX, kStreamErrorDomainNetDB, kStreamErrorDomainSSL)
                     : notConnectedError(kStreamErrorDomainPOSIX));
        break;
      }
      case ChannelEvent::readable:
      case ChannelEvent::ended:
        signalInputLocked();
        break;
      case ChannelEvent::spaceAvailable:
        if (sides[kOutput].status == StreamStatus::open) postLocked(kOutput, StreamEvent::hasSpaceAvailable);
        break;
    }
  }

  void open(int side) {
    std::lock_guard lock(mutex);
    Side& s = sides[side];
    if (s.status != StreamStatus::notOpen) return;
    s.status = StreamStatus::opening;
    if (error) {
      failLocked(*error);
      return;
    }
    if (established) {
      reportOpenLocked(side);
      return;
    }
    if (channel) return;
    if (port > 65535) {
      failLocked(Error::make(kStreamErrorDomainPOSIX, EINVAL, {{kLocalizedDescriptionKey, std::strerror(EINVAL)}}));
      return;
    }
    ChannelConfig config;
    config.host = host;
    config.port = static_cast<uint16_t>(port);
    config.tls = level == StreamSocketSecurityLevel::negotiatedSSL;
    std::weak_ptr<StreamPairCore> weak = weak_from_this();
    channel = Channel::connect(std::move(config), [weak](ChannelEvent e) {
      if (auto core = weak.lock()) core->onChannelEvent(e);
    });
  }

  void close(int side) {
    std::lock_guard lock(mutex);
    Side& s = sides[side];
    if (s.status == StreamStatus::closed) return;
    s.status = StreamStatus::closed;
    s.delegate.reset();
    s.queue.reset();
    const int other = side == kInput ? kOutput : kInput;
    if (channel && sides[other].status == StreamStatus::closed) channel->close();
  }
};

}  // namespace detail

using detail::kInput;
using detail::kOutput;

Stream::~Stream() {
  // Dropping a stream closes it; the socket goes once both streams are closed.
  core_->close(side_);
}

void Stream::setDelegate(std::weak_ptr<StreamDelegate> delegate) {
  std::lock_guard lock(core_->mutex);
  core_->sides[side_].delegate = std::move(delegate);
}

void Stream::setDispatchQueue(std::shared_ptr<Queue> queue) {
  std::lock_guard lock(core_->mutex);
  core_->sides[side_].queue = std::move(queue);
}

void Stream::open() { core_->open(side_); }
void Stream::close() { core_->close(side_); }

StreamStatus Stream::streamStatus() const {
  std::lock_guard lock(core_->mutex);
  return core_->sides[side_].status;
}

std::optional<Error> Stream::streamError() const {
  std::lock_guard lock(core_->mutex);
  return core_->sides[side_].status == StreamStatus::error ? core_->error : std::nullopt;
}

bool Stream::setSecurityLevel(StreamSocketSecurityLevel level) {
  std::lock_guard lock(core_->mutex);
  if (core_->sides[kInput].status != StreamStatus::notOpen || core_->sides[kOutput].status != StreamStatus::notOpen) {
    return false;
  }
  core_->level = level;
  return true;
}

StreamSocketSecurityLevel Stream::securityLevel() const {
  std::lock_guard lock(core_->mutex);
  return core_->level;
}

std::shared_ptr<SecTrust> Stream::peerTrust() const {
  std::lock_guard lock(core_->mutex);
  return core_->channel ? core_->channel->peerTrust() : nullptr;
}

std::optional<std::string> Stream::peerName() const {
  std::lock_guard lock(core_->mutex);
  if (core_->level != StreamSocketSecurityLevel::negotiatedSSL || !core_->established) return std::nullopt;
  return core_->host;
}

ptrdiff_t InputStream::read(uint8_t* buffer, size_t maxLength) {
  std::lock_guard lock(core_->mutex);
  auto& s = core_->sides[kInput];
  if (s.status == StreamStatus::atEnd) return 0;
  if (s.status != StreamStatus::open || !core_->channel) return -1;
  const Bytes bytes = core_->channel->take(maxLength);
  std::memcpy(buffer, bytes.data(), bytes.size());
  ++s.readsInEvent;
  if (!s.bytesEventPending) core_->signalInputLocked();
  return static_cast<ptrdiff_t>(bytes.size());
}

bool InputStream::hasBytesAvailable() const {
  std::lock_guard lock(core_->mutex);
  return core_->channel && core_->channel->available() > 0;
}

ptrdiff_t OutputStream::write(const uint8_t* buffer, size_t length) {
  std::shared_ptr<detail::Channel> channel;
  Duration timeout;
  {
    std::lock_guard lock(core_->mutex);
    if (core_->sides[kOutput].status != StreamStatus::open) return -1;
    channel = core_->channel;
    timeout = core_->writeTimeout;
  }
  if (length == 0) return 0;
  // The wait for room happens without the pair's lock, so events keep flowing meanwhile.
  return channel->writeSome(buffer, length, timeout);
}

bool OutputStream::hasSpaceAvailable() const {
  std::lock_guard lock(core_->mutex);
  return core_->sides[kOutput].status == StreamStatus::open && core_->channel->hasSpace();
}

void OutputStream::setWriteTimeout(Duration timeout) {
  std::lock_guard lock(core_->mutex);
  core_->writeTimeout = timeout;
}

StreamPair createStreamPairWithSocketToHost(const std::string& host, uint32_t port) {
  auto core = std::make_shared<detail::StreamPairCore>();
  core->host = host;
  core->port = port;
  StreamPair pair{std::shared_ptr<InputStream>(new InputStream(core, kInput)),
                  std::shared_ptr<OutputStream>(new OutputStream(core, kOutput))};
  core->sides[kInput].stream = pair.input;
  core->sides[kOutput].stream = pair.output;
  return pair;
}

}  // namespace platform
