#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/actions/QORErrorParser.h"
#include "common/actions/QORStatus.h"

namespace {

TEST(Status, StatusToStringNamesExactlyTheKnownStatuses) {
  const std::map<qor::QORStatus, std::string> names = {
      {0, "UNDEFINED"},
      {1, "SUCCESS"},
      {20, "NO_INTERNET_CONNECTION"},
      {30, "SERVER_TIMEOUT"},
      {40, "EXPIRED_TRANSACTION"},
      {44, "INTERNAL_COMMON_ERROR"},
      {48, "INTERNAL_LOGIC_ERROR"},
      {52, "NOT_ENROLLED"},
      {56, "NO_APNS_TOKEN"},
      {60, "HAS_ACTIVE_SESSION"},
      {64, "SENSITIVE_DATA_DECRYPTION_ERROR"},
  };
  ASSERT_EQ(qor::StatusToString.size(), 65u);
  for (qor::QORStatus status = 0; status <= 64; ++status) {
    const char* name = qor::StatusToString[status];
    if (auto it = names.find(status); it != names.end()) {
      ASSERT_NE(name, nullptr) << status;
      EXPECT_EQ(name, it->second) << status;
    } else {
      EXPECT_EQ(name, nullptr) << status;
    }
  }
  EXPECT_STREQ(qor::StatusToString[qor::QORStatusNoApnsToken], "NO_APNS_TOKEN");
}

TEST(ErrorParser, MapsTransportCodesToStatuses) {
  const std::pair<int64_t, qor::QORStatus> cases[] = {
      {17, qor::QORStatusInternalCommonError},
      {-9, qor::QORStatusNoInternetConnection},
      {-1, qor::QORStatusHasActiveSession},
      {0, qor::QORStatusUndefined},
      {1000, qor::QORStatusUndefined},
      {-1009, qor::QORStatusUndefined},
      {-1001, qor::QORStatusUndefined},
      {44, qor::QORStatusUndefined},
      {1, qor::QORStatusUndefined},
  };
  const qor::QORErrorParser parser;
  for (auto [code, status] : cases) EXPECT_EQ(parser.parseErrorCode(code), status) << code;
}

}  // namespace
