#include <gtest/gtest.h>

#include <set>
#include <string>

#include "archive/content_id.h"

namespace {

TEST(ContentIdTest, ContentIdIsFnv1aOfTheLocation) {
  EXPECT_EQ(ContentIdFromLocation(""), "cbf29ce484222325@scrivane");
  EXPECT_EQ(ContentIdFromLocation("a"), "af63dc4c8601ec8c@scrivane");
  EXPECT_EQ(ContentIdFromLocation("/home/u/a.gif"), ContentIdFromLocation("/home/u/a.gif"));
  std::set<std::string> ids;
  for (const char* location : {"/a.gif", "/A.gif", "/b.gif", "/a.gi", "C:/a.gif"}) {
    ids.insert(ContentIdFromLocation(location));
  }
  EXPECT_EQ(ids.size(), 5u);
}

}  // namespace
