// Feeds arbitrary answers, cut into arbitrary reads, to both upgrade answer handlers, and what a
// successful answer yields to the accept check, the deflate parameters and the cookie parser.
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "common/websocket/compression/WSCompression.h"
#include "common/websocket/http/FoundationHTTPHandler.h"
#include "common/websocket/http/StringHTTPHandler.h"
#include "common/websocket/security/FoundationSecurity.h"
#include "platform/http/HTTPCookie.h"

namespace {

#define QOR_FUZZ_CHECK(cond) \
  do {                       \
    if (!(cond)) abort();    \
  } while (0)

class Recorder : public qor::HTTPHandlerDelegate {
 public:
  void didReceiveHTTP(const qor::HTTPEvent& event) override {
    ++events;
    if (auto* s = event.as<qor::HTTPEvent::Success>()) headers = s->headers;
    if (auto* f = event.as<qor::HTTPEvent::Failure>()) QOR_FUZZ_CHECK(f->error != nullptr);
  }
  int events = 0;
  std::optional<qor::HeaderFields> headers;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool useString = data[0] & 1;
  const size_t step = data[1] == 0 ? size : data[1];
  data += 2;
  size -= 2;

  std::shared_ptr<qor::HTTPHandler> handler;
  if (useString) handler = qor::StringHTTPHandler::create();
  else handler = qor::FoundationHTTPHandler::create();
  auto recorder = std::make_shared<Recorder>();
  handler->registerDelegate(recorder);

  for (size_t pos = 0; pos < size && recorder->events == 0; pos += step) {
    const size_t n = std::min(step, size - pos);
    const platform::Bytes chunk(data + pos, data + pos + n);
    const int64_t offset = handler->parse(chunk);
    QOR_FUZZ_CHECK(offset >= -1 && offset <= static_cast<int64_t>(n));
    QOR_FUZZ_CHECK(offset == -1 || recorder->events == 1);
  }
  QOR_FUZZ_CHECK(recorder->events <= 1);
  if (recorder->headers) {
    qor::FoundationSecurity().validate(*recorder->headers, "dGhlIHNhbXBsZSBub25jZQ==");
    qor::WSCompression().load(*recorder->headers);
    static const auto url = platform::URL::parse("wss://example.com/socket/path");
    platform::HTTPCookie::cookiesWithResponseHeaderFields(*recorder->headers, *url);
  }
  return 0;
}
