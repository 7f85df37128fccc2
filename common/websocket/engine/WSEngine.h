// The client side of a WebSocket connection: opens the transport, sends the upgrade request, checks
// the answer, then turns received frames into events and outgoing messages into frames. One
// connection at a time; after a completed stop it can be started again.
//
// Owns its transport, HTTP handler, codec, frame collector, compression handler and security
// objects, each of which holds the engine weakly. Queues: transport states and the upgrade answer
// arrive on the transport's queue; frames, collector events and the end of the connection on the
// codec's queue (so a connection's end never overtakes its last frame); frames are built and handed
// to the transport on the engine's serial write queue, in the order of the write calls. The delegate
// (held weakly) hears each event once, synchronously, on the queue where it arose. Public methods
// may be called from any queue. Blocks on the queues hold the engine weakly.
//
// The first failure of a connection (transport, upgrade answer, accept check, codec, collector) ends
// it: before the upgrade the transport is disconnected, after it our close frame goes out with the
// error's close code; one `error` event follows and nothing of that connection is acted on any more.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>

#include "common/websocket/compression/CompressionHandler.h"
#include "common/websocket/engine/Engine.h"
#include "common/websocket/framer/FrameCollector.h"
#include "common/websocket/framer/Framer.h"
#include "common/websocket/http/HTTPHandler.h"
#include "common/websocket/security/CertificatePinning.h"
#include "common/websocket/security/HeaderValidator.h"
#include "common/websocket/transport/Transport.h"
#include "platform/Queue.h"

namespace qor {

class WSEngine : public Engine,
                 public TransportEventClient,
                 public FramerEventClient,
                 public FrameCollectorDelegate,
                 public HTTPHandlerDelegate,
                 public std::enable_shared_from_this<WSEngine> {
 public:
  // Empty arguments take the defaults: a FoundationSecurity that does not allow self-signed
  // certificates as header validator, a FoundationHTTPHandler, a client-side WSFramer. Without a
  // certificate pinner the transport's own default decides; without a compression handler nothing
  // is offered.
  static std::shared_ptr<WSEngine> create(std::shared_ptr<Transport> transport,
                                          std::shared_ptr<CertificatePinning> certPinner = nullptr,
                                          std::shared_ptr<HeaderValidator> headerValidator = nullptr,
                                          std::shared_ptr<HTTPHandler> httpHandler = nullptr,
                                          std::shared_ptr<Framer> framer = nullptr,
                                          std::shared_ptr<CompressionHandler> compressionHandler = nullptr);

  virtual std::shared_ptr<EngineDelegate> delegate() const;
  virtual bool respondToPingWithPong() const { return respondToPingWithPong_; }
  virtual void setRespondToPingWithPong(bool respond) { respondToPingWithPong_ = respond; }

  void registerDelegate(std::weak_ptr<EngineDelegate> delegate) override;
  // Ignored while the engine can send (a started, upgraded connection). Otherwise forgets what an
  // earlier connection left in the codec, the collector and the HTTP handler, and connects the
  // transport; a request without a URL does nothing more.
  void start(const platform::URLRequest& request) override;
  // Our close frame with the code; once it is written the flags drop and the transport is
  // disconnected. Before the upgrade (or after a completed stop) nothing is sent and nothing happens.
  void stop(uint16_t closeCode) override;
  void forceStop() override;
  void writeString(const std::string& string, WriteCompletion completion) override;
  // Dropped without a report while the engine cannot send, after our close frame, and for a control
  // frame whose payload exceeds 125 bytes. Only text and binary messages are compressed.
  void writeData(platform::Bytes data, FrameOpCode opcode, WriteCompletion completion) override;

  void connectionChanged(const ConnectionState& state) override;
  void didReceiveHTTP(const HTTPEvent& event) override;
  void frameProcessed(FrameEvent event) override;
  DecompressResult decompress(const platform::Bytes& data, bool isFinal) override;
  void didForm(FrameCollector::Event event) override;

  const std::shared_ptr<Transport>& transport() const { return transport_; }
  const std::shared_ptr<Framer>& framer() const { return framer_; }

 protected:
  WSEngine(std::shared_ptr<Transport> transport, std::shared_ptr<CertificatePinning> certPinner,
           std::shared_ptr<HeaderValidator> headerValidator, std::shared_ptr<HTTPHandler> httpHandler,
           std::shared_ptr<Framer> framer, std::shared_ptr<CompressionHandler> compressionHandler);

 private:
  void sendUpgradeRequest();
  void receive(const platform::Bytes& data);
  void upgradeAccepted(const HeaderFields& headers);
  // Terminal transport states, on the codec's queue after the frames received before them.
  void connectionEnded(const ConnectionState& state);
  // The error routine: ends the connection and reports one `error` event.
  void fail(ErrorPtr error);
  // Builds and hands over one frame, on the write queue.
  void send(const platform::Bytes& data, FrameOpCode opcode, WriteCompletion completion);
  // Whether a frame of this kind may go now; on the write queue, as the frame is handed over.
  bool admits(FrameOpCode opcode, size_t payloadSize);
  void hand(platform::Bytes frame, WriteCompletion completion);
  void report(WebSocketEvent event);
  bool canSend() const;
  void setOpen(bool open);

  const std::shared_ptr<Transport> transport_;
  const std::shared_ptr<Framer> framer_;
  const std::shared_ptr<HTTPHandler> httpHandler_;
  const std::shared_ptr<CompressionHandler> compressionHandler_;
  const std::shared_ptr<CertificatePinning> certPinner_;
  const std::shared_ptr<HeaderValidator> headerChecker_;
  const std::shared_ptr<platform::SerialQueue> writeQueue_;

  // Confined to the codec's queue (its reset is posted there too).
  FrameCollector frameHandler_;
  // Confined to the transport's queue.
  std::string secKeyValue_;

  // The send state: where the caller's queue (start, write and stop, from the adapter on the main
  // queue), the transport's queue (the upgrade answer opens it, a failure closes it) and the write
  // queue (which reads it before each frame) meet. Never held while anything is called.
  mutable std::mutex mutex_;
  std::optional<platform::URLRequest> request_;  // guarded
  std::weak_ptr<EngineDelegate> delegate_;       // guarded
  bool canSend_ = false;                         // guarded; changes together with didUpgrade_
  std::atomic<bool> didUpgrade_{false};
  std::atomic<bool> respondToPingWithPong_{true};

  // The current connection's course; cleared by start.
  std::atomic<bool> failed_{false};         // the error routine ran: nothing more is acted on
  std::atomic<bool> closeQueued_{false};    // our close frame went to the transport: nothing follows it
  std::atomic<bool> closeReceived_{false};  // the server's close frame arrived: the stream's end is expected

  // Loading the answer's parameters excludes compressing (write queue) and inflating (codec queue),
  // which touch separate state and share the lock.
  std::shared_mutex compressionMutex_;
};

}  // namespace qor
