// Per-message compression as the engine uses it (RFC 7692). Decompression runs on the codec's queue,
// compression on the engine's write queue, `load` before any message flows.
#pragma once

#include "common/websocket/HeaderFields.h"
#include "common/websocket/compression/DecompressResult.h"
#include "platform/Bytes.h"

namespace qor {

class CompressionHandler {
 public:
  virtual ~CompressionHandler() = default;
  // Reads the parameters the server accepted from its upgrade answer.
  virtual void load(const HeaderFields& headers) = 0;
  // One frame's payload of a compressed message; `isFinal` on its last frame.
  virtual DecompressResult decompress(const platform::Bytes& data, bool isFinal) = 0;
  // One whole outgoing message; nullopt sends it uncompressed.
  virtual platform::OptBytes compress(const platform::Bytes& data) = 0;
  // The server accepted the extension and compressed frames can be read; only then may the codec
  // let RSV1 through.
  virtual bool isNegotiated() const = 0;
};

}  // namespace qor
