// A WebSocket connection as its owner sees it: chooses and owns one engine, forwards every call to
// it, and hands each event the engine reports first to the delegate, then to the `onEvent` block,
// both on the callback queue (the main queue unless changed), in the order the engine reported them.
//
// Methods may be called from any queue; the engine does the work on its own queues. The delegate
// is held weakly; event blocks hold the socket weakly, so events of a socket being released are
// dropped. Keeps no connection state of its own.
#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "common/websocket/client/WebSocketClient.h"
#include "common/websocket/client/WebSocketDelegate.h"
#include "common/websocket/compression/CompressionHandler.h"
#include "common/websocket/engine/Engine.h"
#include "common/websocket/security/CertificatePinning.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "platform/Queue.h"
#include "platform/URLRequest.h"

namespace qor {

class WebSocket : public WebSocketClient, public EngineDelegate, public std::enable_shared_from_this<WebSocket> {
 public:
  using EventBlock = std::function<void(const WebSocketEvent& event)>;

  static std::shared_ptr<WebSocket> create(platform::URLRequest request, std::shared_ptr<Engine> engine);
  // Chooses the engine: from system 13 on, without `useCustomEngine`, a NativeEngine (pinner and
  // compression handler unused); otherwise a WSEngine over a TCPTransport from system 12 on (a
  // FoundationTransport before), with the given pinner and compression handler.
  static std::shared_ptr<WebSocket> create(platform::URLRequest request,
                                           std::shared_ptr<CertificatePinning> certPinner =
                                               std::make_shared<FoundationSecurity>(false),
                                           std::shared_ptr<CompressionHandler> compressionHandler = nullptr,
                                           bool useCustomEngine = true);

  virtual std::shared_ptr<WebSocketDelegate> delegate() const;
  virtual void setDelegate(std::weak_ptr<WebSocketDelegate> delegate);
  virtual EventBlock onEvent() const;
  virtual void setOnEvent(EventBlock onEvent);
  virtual platform::URLRequest request() const;
  virtual void setRequest(platform::URLRequest request);
  virtual std::shared_ptr<platform::Queue> callbackQueue() const;
  virtual void setCallbackQueue(std::shared_ptr<platform::Queue> queue);
  // The WSEngine's setting; other engines always answer pings (true) and ignore the setter.
  virtual bool respondToPingWithPong() const;
  virtual void setRespondToPingWithPong(bool respond);

  const std::shared_ptr<Engine>& engine() const { return engine_; }

  // Registers with the engine and starts it with the current request.
  void connect() override;
  void disconnect(uint16_t closeCode) override;
  virtual void forceDisconnect();
  void writeData(platform::Bytes data, Completion completion) override;
  void writeString(const std::string& string, Completion completion) override;
  void writeStringData(platform::Bytes data, Completion completion) override;
  void writePing(platform::Bytes data, Completion completion) override;
  void writePong(platform::Bytes data, Completion completion) override;
  using WebSocketClient::disconnect;
  using WebSocketClient::writeData;
  using WebSocketClient::writePing;
  using WebSocketClient::writePong;
  using WebSocketClient::writeString;

  // From the engine, on its queues: posted to the callback queue.
  void didReceive(WebSocketEvent event) override;

 protected:
  WebSocket(platform::URLRequest request, std::shared_ptr<Engine> engine);

 private:
  void deliver(const WebSocketEvent& event);

  const std::shared_ptr<Engine> engine_;
  mutable std::mutex mutex_;
  std::weak_ptr<WebSocketDelegate> delegate_;  // guarded
  EventBlock onEvent_;                         // guarded
  platform::URLRequest request_;               // guarded
  std::shared_ptr<platform::Queue> callbackQueue_;  // guarded
};

}  // namespace qor
