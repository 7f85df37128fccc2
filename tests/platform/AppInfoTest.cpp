#include <gtest/gtest.h>

#include "platform/AppInfo.h"

using platform::AppInfo;

namespace {

TEST(AppInfo, HoldsWhatTheHostAppSetsUntilItIsRemoved) {
  constexpr const char* kKey = "NSFaceIDUsageDescription";
  EXPECT_FALSE(AppInfo::value(kKey));
  AppInfo::setValue(kKey, "Unlock with your face");
  AppInfo::setValue("CFBundleShortVersionString", "");
  EXPECT_EQ(AppInfo::value(kKey), "Unlock with your face");
  EXPECT_EQ(AppInfo::value("CFBundleShortVersionString"), "");  // empty is not absent
  EXPECT_FALSE(AppInfo::value("nsfaceidusagedescription"));     // keys are exact
  AppInfo::setValue(kKey, "Again");
  EXPECT_EQ(AppInfo::value(kKey), "Again");
  AppInfo::setValue(kKey, std::nullopt);
  AppInfo::setValue("CFBundleShortVersionString", std::nullopt);
  EXPECT_FALSE(AppInfo::value(kKey));
  EXPECT_FALSE(AppInfo::value("CFBundleShortVersionString"));
}

}  // namespace
