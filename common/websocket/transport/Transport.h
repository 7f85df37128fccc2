// The byte pipe of one WebSocket connection: opens TCP (with TLS when the URL asks for it), reports
// every state change and received chunk to one client, and writes the bytes it is given.
//
// The client is held weakly. Events reach it on the transport's own serial queue.
#pragma once

#include <functional>
#include <memory>

#include "common/websocket/AnyError.h"
#include "common/websocket/transport/TransportEventClient.h"
#include "platform/Bytes.h"

namespace platform {
class URL;
}

namespace qor {

class CertificatePinning;

class Transport {
 public:
  using WriteCompletion = std::function<void(ErrorPtr error)>;

  virtual ~Transport() = default;

  virtual void registerDelegate(std::weak_ptr<TransportEventClient> delegate) = 0;
  // `timeout` in seconds. The outcome arrives as ConnectionState events.
  virtual void connect(const platform::URL& url, double timeout,
                       std::shared_ptr<CertificatePinning> certificatePinning) = 0;
  // Ends the connection; the end arrives as an event.
  virtual void disconnect() = 0;
  // The completion runs once the bytes were handed to the network (empty error) or failed.
  virtual void write(platform::Bytes data, WriteCompletion completion) = 0;
  virtual bool usingTLS() const = 0;
};

}  // namespace qor
