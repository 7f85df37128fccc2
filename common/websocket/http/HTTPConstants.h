// Constants of the opening handshake.
#pragma once

#include <array>
#include <cstdint>

namespace qor {

inline constexpr const char* kHeaderWSProtocol = "Sec-WebSocket-Protocol";
inline constexpr const char* kHeaderWSAccept = "Sec-WebSocket-Accept";
inline constexpr const char* kHeaderWSKey = "Sec-WebSocket-Key";
inline constexpr const char* kHeaderWSVersion = "Sec-WebSocket-Version";
inline constexpr const char* kHeaderWSExtensions = "Sec-WebSocket-Extensions";
inline constexpr int kHTTPSwitchingProtocols = 101;
inline constexpr std::array<uint8_t, 4> kEndOfHeaderMarker = {13, 10, 13, 10};
// The TLS schemes, compared exactly.
inline constexpr std::array<const char*, 2> kTLSSchemes = {"wss", "https"};

}  // namespace qor
