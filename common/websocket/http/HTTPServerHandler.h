// The server's side of the opening handshake: reads the client's upgrade request from the byte
// stream and writes the answer. Calls run on the caller's thread (the connection's transport queue);
// the delegate, held weakly, hears the outcome of each complete request head from inside `parse`.
#pragma once

#include <cstdint>
#include <memory>

#include "common/websocket/HeaderFields.h"
#include "common/websocket/http/HTTPEvent.h"
#include "platform/Bytes.h"

namespace qor {

class HTTPServerDelegate {
 public:
  virtual ~HTTPServerDelegate() = default;
  // Success: the request's header fields. Failure: HTTPUpgradeError::invalidData.
  virtual void didReceiveHTTP(const HTTPEvent& event) = 0;
};

class HTTPServerHandler {
 public:
  virtual ~HTTPServerHandler() = default;
  virtual void registerDelegate(std::weak_ptr<HTTPServerDelegate> delegate) = 0;
  // Adds received bytes to the request head read so far. Once a head is complete (or can never
  // become a request) the delegate hears about it and the offset within this chunk of the first
  // byte after it comes back: those bytes belong to whatever follows the head. -1 otherwise.
  virtual int64_t parse(const platform::Bytes& data) = 0;
  // A 101 answer with these header fields; empty when it cannot be written.
  virtual platform::Bytes createResponse(const HeaderFields& headers) = 0;
};

}  // namespace qor
