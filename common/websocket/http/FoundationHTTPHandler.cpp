#include "common/websocket/http/FoundationHTTPHandler.h"

#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/http/HTTPUpgradeError.h"
#include "platform/http/HTTPMessage.h"

namespace qor {

platform::Bytes FoundationHTTPHandler::convert(const platform::URLRequest& request) {
  if (!request.url()) return {};
  auto message = platform::HTTPMessage::request(request.httpMethod(), *request.url());
  for (const auto& [name, value] : request.allHTTPHeaderFields()) {
    if (!message.setHeaderFieldValue(name, value)) return {};
  }
  if (request.httpBody()) message.setBody(*request.httpBody());
  return message.serializedMessage();
}

void FoundationHTTPHandler::parseResponse(const platform::Bytes& header) {
  auto message = platform::HTTPMessage::emptyResponse();
  if (!message.appendBytes(header) || !message.isHeaderComplete()) {
    report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::invalidData())});
    return;
  }
  if (message.statusCode() != kHTTPSwitchingProtocols) {
    report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::notAnUpgrade(message.statusCode()))});
    return;
  }
  HeaderFields fields;
  for (const auto& [name, value] : message.allHeaderFields()) fields[name] = value;
  report(HTTPEvent::Success{std::move(fields)});
}

}  // namespace qor
