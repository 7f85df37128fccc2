#include "common/websocket/compression/WSCompression.h"

#include <charconv>
#include <string_view>
#include <vector>

#include "common/websocket/compression/internal/Compressor.h"
#include "common/websocket/compression/internal/Decompressor.h"
#include "common/websocket/http/HTTPConstants.h"
#include "platform/http/HTTPFieldName.h"

namespace qor {

namespace {

constexpr int kDefaultWindowBits = 15;

// Splits at `sep` outside quoted strings.
std::vector<std::string_view> splitOutsideQuotes(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') quoted = !quoted;
    if (s[i] == sep && !quoted) {
      parts.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(s.substr(start));
  return parts;
}

std::optional<int> windowBitsValue(std::string_view value) {
  value = platform::trimOWS(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  int bits = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), bits);
  if (value.empty() || ec != std::errc() || end != value.data() + value.size()) return std::nullopt;
  return bits;
}

// The value of a "name=value" parameter; the name must stand right before the '='.
std::optional<int> parameter(std::string_view param, std::string_view name) {
  if (param.size() <= name.size() || param.substr(0, name.size()) != name || param[name.size()] != '=') {
    return std::nullopt;
  }
  return windowBitsValue(param.substr(name.size() + 1));
}

}  // namespace

WSCompression::WSCompression() = default;
WSCompression::~WSCompression() = default;

void WSCompression::load(const HeaderFields& headers) {
  // An answer without the field declined the extension: nothing of an earlier connection stays.
  decompressor_.reset();
  compressor_.reset();
  decompressorTakeOver_ = false;
  compressorTakeOver_ = false;
  auto field = findHeaderField(headers, kHeaderWSExtensions);
  if (!field) return;
  // The server answers with the one offer it accepted; anything after a comma is not ours.
  auto params = splitOutsideQuotes(splitOutsideQuotes(*field, ',').front(), ';');
  if (!platform::fieldNamesEqual(platform::trimOWS(params.front()), "permessage-deflate")) return;

  int serverBits = kDefaultWindowBits;
  std::optional<int> clientBits;
  for (size_t i = 1; i < params.size(); ++i) {
    const std::string_view param = platform::trimOWS(params[i]);
    if (auto server = parameter(param, "server_max_window_bits")) serverBits = *server;
    else if (auto client = parameter(param, "client_max_window_bits")) clientBits = *client;
    else if (param == "client_no_context_takeover") compressorTakeOver_ = true;
    else if (param == "server_no_context_takeover") decompressorTakeOver_ = true;
  }
  decompressor_ = Decompressor::create(serverBits);
  if (clientBits) compressor_ = Compressor::create(*clientBits);
}

bool WSCompression::isNegotiated() const { return decompressor_ != nullptr; }

std::optional<int> WSCompression::decompressorWindowBits() const {
  return decompressor_ ? std::optional<int>(decompressor_->windowBits()) : std::nullopt;
}

std::optional<int> WSCompression::compressorWindowBits() const {
  return compressor_ ? std::optional<int>(compressor_->windowBits()) : std::nullopt;
}

DecompressResult WSCompression::decompress(const platform::Bytes& data, bool isFinal) {
  if (!decompressor_) return WSError(ErrorType::compressionError, "Error on decompressing", 1007);
  DecompressResult result = decompressor_->decompress(data, isFinal, maximumInflatedSize_);
  if (std::holds_alternative<platform::Bytes>(result) && isFinal && decompressorTakeOver_ && !decompressor_->reset()) {
    return WSError(ErrorType::compressionError, "Error for decompressor on reset", 1007);
  }
  return result;
}

platform::OptBytes WSCompression::compress(const platform::Bytes& data) {
  if (!compressor_) return std::nullopt;
  auto result = compressor_->compress(data);
  // A stream that failed midway no longer matches what the peer has seen: later messages go
  // uncompressed rather than reference data the peer never got.
  if (!result || (compressorTakeOver_ && !compressor_->reset())) {
    compressor_.reset();
    return std::nullopt;
  }
  return result;
}

}  // namespace qor
