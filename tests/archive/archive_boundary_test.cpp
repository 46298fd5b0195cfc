#include <gtest/gtest.h>

#include "archive/archive_boundary.h"

namespace {

TEST(ArchiveBoundary, ComesFromTheClockOrFromTheEpochAndTheMainPart) {
  EXPECT_EQ(ClockBoundary(47), "----=KORVATH_SCRIVANEBUILDER_47");
  const std::string boundary = ReproducibleBoundary(1700000000, "file:///a.html", "<p>1</p>");
  EXPECT_EQ(boundary, ReproducibleBoundary(1700000000, "file:///a.html", "<p>1</p>"));
  EXPECT_EQ(boundary.rfind("----=KORVATH_SCRIVANEBUILDER_1700000000000_", 0), 0u) << boundary;
  EXPECT_EQ(boundary.size(), ClockBoundary(1700000000000).size() + 17);
  EXPECT_NE(boundary, ReproducibleBoundary(1700000001, "file:///a.html", "<p>1</p>"));
  EXPECT_NE(boundary, ReproducibleBoundary(1700000000, "file:///b.html", "<p>1</p>"));
  EXPECT_NE(boundary, ReproducibleBoundary(1700000000, "file:///a.html", "<p>2</p>"));
  EXPECT_NE(ReproducibleBoundary(1, "ab", "c"), ReproducibleBoundary(1, "a", "bc"));
}

}  // namespace
