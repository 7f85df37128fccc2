// Error domains and codes of the socket stand-ins, and the few errors that the transports report
// in their own right.
#pragma once

#include <cstdint>

#include "platform/Error.h"
#include "platform/QORPlatformExport.h"

namespace platform {

// Errors of connections (NWConnection, NWListener).
inline constexpr const char* kNWErrorDomainPOSIX = "kNWErrorDomainPOSIX";
inline constexpr const char* kNWErrorDomainDNS = "kNWErrorDomainDNS";
inline constexpr const char* kNWErrorDomainTLS = "kNWErrorDomainTLS";
// Errors of socket streams.
inline constexpr const char* kStreamErrorDomainPOSIX = "NSPOSIXErrorDomain";
inline constexpr const char* kStreamErrorDomainNetDB = "kCFStreamErrorDomainNetDB";
inline constexpr const char* kStreamErrorDomainSSL = "kCFStreamErrorDomainSSL";

// TLS failures (OSStatus values); the code of every TLS-domain error is one of these.
inline constexpr int32_t errSSLProtocol = -9800;
inline constexpr int32_t errSSLClosedAbort = -9806;
inline constexpr int32_t errSSLXCertChainInvalid = -9807;
inline constexpr int32_t errSSLBadCert = -9808;
inline constexpr int32_t errSSLCertExpired = -9814;
inline constexpr int32_t errSSLHostNameMismatch = -9843;

// The peer ended its side of the connection (a POSIX "not connected" in `domain`).
QOR_PLATFORM_EXPORT Error peerClosedError(const char* domain);
// An operation that needs a connection found none.
QOR_PLATFORM_EXPORT Error notConnectedError(const char* domain);

}  // namespace platform
