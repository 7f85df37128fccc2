// Turns the upgrade request into bytes and reads the server's answer from the byte stream. Calls
// run on the caller's thread (the transport's queue); the delegate, held weakly, hears the answer
// from inside `parse`, before it returns.
#pragma once

#include <cstdint>
#include <memory>

#include "common/websocket/http/HTTPEvent.h"
#include "platform/Bytes.h"
#include "platform/URLRequest.h"

namespace qor {

class HTTPHandlerDelegate {
 public:
  virtual ~HTTPHandlerDelegate() = default;
  virtual void didReceiveHTTP(const HTTPEvent& event) = 0;
};

class HTTPHandler {
 public:
  virtual ~HTTPHandler() = default;
  virtual void registerDelegate(std::weak_ptr<HTTPHandlerDelegate> delegate) = 0;
  virtual platform::Bytes convert(const platform::URLRequest& request) = 0;
  // The offset within this chunk of the first byte after the answer's header, or -1 while the
  // header is incomplete (or once it failed).
  virtual int64_t parse(const platform::Bytes& data) = 0;
  // Drops what an unfinished answer left behind, so that a new handshake starts clean.
  virtual void reset() = 0;
};

}  // namespace qor
