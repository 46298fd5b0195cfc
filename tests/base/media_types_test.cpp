#include "base/media_types.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_folder.h"

namespace {

TEST(MediaTypesTest, ParsesTypesAndTheirExtensions) {
  const MediaTypeTable table = ParseMediaTypes(
      "# comment svg\n"
      "\n"
      "application/vnd.no-extension\n"
      "image/svg+xml\t\t\t\t\tsvg svgz\n"
      "text/plain  txt   text # trailing comment css\r\n"
      "application/x-other svg\n"
      "image/x-last last");
  EXPECT_EQ(table, MediaTypeTable({{"last", "image/x-last"},
                                   {"svg", "image/svg+xml"},
                                   {"svgz", "image/svg+xml"},
                                   {"text", "text/plain"},
                                   {"txt", "text/plain"}}));
}

TEST(MediaTypesTest, UnreadableFileGivesAnEmptyTable) {
  TempFolder folder;
  EXPECT_TRUE(ReadMediaTypes(folder / "missing.types").empty());
  EXPECT_TRUE(ReadMediaTypes(folder.Path().string()).empty());
}

TEST(MediaTypesTest, SystemTableKnowsSvg) {
  if (!std::filesystem::exists(kSystemMediaTypesPath)) GTEST_SKIP() << "no " << kSystemMediaTypesPath;
  EXPECT_EQ(ReadMediaTypes().at("svg"), "image/svg+xml");
}

}  // namespace
