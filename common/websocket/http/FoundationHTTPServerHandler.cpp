#include "common/websocket/http/FoundationHTTPServerHandler.h"

#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/http/HTTPUpgradeError.h"

namespace qor {

void FoundationHTTPServerHandler::registerDelegate(std::weak_ptr<HTTPServerDelegate> delegate) {
  std::lock_guard lock(delegateMutex_);
  delegate_ = std::move(delegate);
}

void FoundationHTTPServerHandler::report(const HTTPEvent& event) {
  std::shared_ptr<HTTPServerDelegate> d;
  {
    std::lock_guard lock(delegateMutex_);
    d = delegate_.lock();
  }
  if (d) d->didReceiveHTTP(event);
}

int64_t FoundationHTTPServerHandler::parse(const platform::Bytes& data) {
  if (!request_) request_ = platform::HTTPMessage::emptyRequest();
  const bool readable = request_->appendBytes(data);
  if (readable && !request_->isHeaderComplete()) return -1;
  const platform::HTTPMessage request = std::move(*request_);
  request_.reset();
  if (!readable) {
    // Malformed, or longer than any head we take: more bytes cannot make it a request.
    report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::invalidData())});
    return static_cast<int64_t>(data.size());
  }
  // The head ends in this chunk: what the message kept behind it is the rest of the chunk.
  const auto offset = static_cast<int64_t>(data.size() - request.body().size());
  parseRequest(request);
  return offset;
}

void FoundationHTTPServerHandler::parseRequest(const platform::HTTPMessage& request) {
  const auto key = request.headerFieldValue(kHeaderWSKey);
  // Without a key there is no accept value to answer with.
  if (request.requestMethod() != kGetVerb || request.allHeaderFields().empty() || !key || key->empty()) {
    report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::invalidData())});
    return;
  }
  HeaderFields fields;
  for (const auto& [name, value] : request.allHeaderFields()) fields[name] = value;
  report(HTTPEvent::Success{std::move(fields)});
}

platform::Bytes FoundationHTTPServerHandler::createResponse(const HeaderFields& headers) {
  auto response = platform::HTTPMessage::response(kHTTPSwitchingProtocols);
  for (const auto& [name, value] : headers) {
    if (!response.setHeaderFieldValue(name, value)) return {};
  }
  return response.serializedMessage();
}

}  // namespace qor
