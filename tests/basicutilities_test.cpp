// SPDX-License-Identifier: MIT
// The alert seam and the start-up helpers of basicutilities.
#include <gtest/gtest.h>

#include <string>

#include "utilities/basicutilities.h"

namespace bu = basicutilities;

namespace {

TEST(AlertUser, WithoutAHandlerWritesToStandardErrorAndAnswersNo) {
  const auto previous = bu::setalerthandler({});
  testing::internal::CaptureStderr();
  EXPECT_FALSE(bu::alertuser("Title", "Message"));
  const std::string written = testing::internal::GetCapturedStderr();
  bu::setalerthandler(previous);
  EXPECT_NE(written.find("Title"), std::string::npos);
  EXPECT_NE(written.find("Message"), std::string::npos);
}

TEST(Version, MinorAndRevisionKeepTheirLastTwoDigits) {
  EXPECT_EQ(basicutilities::versiontext(1, 0, 3), "1.00.03");
  EXPECT_EQ(basicutilities::versiontext(2, 5, 123), "2.05.23");
  EXPECT_EQ(basicutilities::versiontext(10, 12, 7), "10.12.07");
}

}  // namespace
