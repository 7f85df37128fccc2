#include "common/websocket/http/AnswerReader.h"

#include <algorithm>

#include "common/websocket/http/HTTPConstants.h"
#include "common/websocket/http/HTTPUpgradeError.h"

namespace qor {

void AnswerReader::registerDelegate(std::weak_ptr<HTTPHandlerDelegate> delegate) {
  std::lock_guard lock(delegateMutex_);
  delegate_ = std::move(delegate);
}

void AnswerReader::report(const HTTPEvent& event) {
  std::shared_ptr<HTTPHandlerDelegate> d;
  {
    std::lock_guard lock(delegateMutex_);
    d = delegate_.lock();
  }
  if (d) d->didReceiveHTTP(event);
}

int64_t AnswerReader::parse(const platform::Bytes& data) {
  // The marker may have begun in an earlier read, so the search starts up to three bytes back.
  const size_t before = buffer_.size();
  buffer_.insert(buffer_.end(), data.begin(), data.end());
  const auto from = buffer_.begin() + static_cast<std::ptrdiff_t>(before >= 3 ? before - 3 : 0);
  const auto found = std::search(from, buffer_.end(), kEndOfHeaderMarker.begin(), kEndOfHeaderMarker.end());
  if (found == buffer_.end()) {
    if (buffer_.size() > kMaximumAnswerSize) {
      buffer_.clear();
      report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::invalidData())});
    }
    return -1;
  }
  const size_t end = static_cast<size_t>(found - buffer_.begin()) + kEndOfHeaderMarker.size();
  platform::Bytes header(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(end));
  buffer_.clear();
  if (header.size() > kMaximumAnswerSize) {
    report(HTTPEvent::Failure{makeError<HTTPUpgradeError>(HTTPUpgradeError::invalidData())});
    return -1;
  }
  parseResponse(header);
  // The marker's last byte is in this read, so the offset lies within it.
  return static_cast<int64_t>(end - before);
}

}  // namespace qor
