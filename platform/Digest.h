// Message digests of the platform (MD5, SHA-1, SHA-256), over Crypto++. Inputs of any length; no
// 32-bit truncation of the length.
#pragma once

#include <string_view>

#include "platform/Bytes.h"
#include "platform/QORPlatformExport.h"

namespace platform {

QOR_PLATFORM_EXPORT Bytes md5(const uint8_t* data, size_t size);
QOR_PLATFORM_EXPORT Bytes sha1(const uint8_t* data, size_t size);
QOR_PLATFORM_EXPORT Bytes sha256(const uint8_t* data, size_t size);

inline Bytes md5(const Bytes& data) { return md5(data.data(), data.size()); }
inline Bytes sha1(const Bytes& data) { return sha1(data.data(), data.size()); }
inline Bytes sha256(const Bytes& data) { return sha256(data.data(), data.size()); }
inline Bytes md5(std::string_view s) { return md5(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
inline Bytes sha1(std::string_view s) { return sha1(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
inline Bytes sha256(std::string_view s) { return sha256(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }

}  // namespace platform
