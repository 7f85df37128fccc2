#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/actions/QORClientActionConstants.h"
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
      {17, 44}, {-9, 20}, {-1, 60}, {0, 0}, {1000, 0}, {-1009, 0}, {-1001, 0}, {44, 0}, {1, 0},
  };
  const qor::QORErrorParser parser;
  for (auto [code, status] : cases) EXPECT_EQ(parser.parseErrorCode(code), status) << code;
}

TEST(ActionConstants, MatchTheServersTypesAndPaths) {
  const std::pair<int64_t, int64_t> types[] = {
      {qor::QORClientActionTypePrepareEnrollment, 101}, {qor::QORClientActionTypeCommitEnrollment, 102},
      {qor::QORClientActionTypePrepareAuth, 103},       {qor::QORClientActionTypeCommitAuth, 104},
      {qor::QORClientActionTypeWakeUp, 105},            {qor::QORClientActionTypeHandshakeStep1, 106},
      {qor::QORClientActionTypeHandshakeStep2, 107},    {qor::QORClientActionTypeDeviceInfo, 109},
      {qor::QORClientActionTypeLinkTenant, 201},        {qor::QORClientActionTypeUpdateTenant, 202},
      {qor::QORClientActionTypeUnlinkTenant, 203},
  };
  for (auto [constant, value] : types) EXPECT_EQ(constant, value);
  EXPECT_STREQ(qor::QORClientActionPathEnrollment, "/vtn-service/rest/actions");
  EXPECT_STREQ(qor::QORClientActionPathAuth, "/vtn-service/rest/actions");
  EXPECT_STREQ(qor::QORClientActionPathDeviceInfo, "/vtn-service/rest/actions");
  EXPECT_STREQ(qor::QORClientActionPathLinkTenant, "/gateway/app");
}

}  // namespace
