#include <gtest/gtest.h>

#include <string_view>
#include <utility>

#include "base/buffer_pool.h"

namespace {

ByteBuffer Holding(std::string_view bytes) {
  ByteBuffer buffer;
  buffer.Append(bytes);
  return buffer;
}

TEST(BufferPoolTest, ABufferGivenBackComesBackEmptyWithItsMemory) {
  BufferPool pool(2);
  EXPECT_EQ(pool.Take().Capacity(), 0u) << "nothing to reuse yet";
  ByteBuffer first = Holding("a part of some length");
  const char* memory = first.Data();
  pool.Give(std::move(first));
  const ByteBuffer again = pool.Take();
  EXPECT_TRUE(again.Empty());
  EXPECT_EQ(again.Data(), memory);
  EXPECT_EQ(pool.Take().Capacity(), 0u) << "each buffer is handed out once";
}

TEST(BufferPoolTest, KeepsNoMoreThanItsCapacity) {
  BufferPool pool(2);
  for (const char* bytes : {"one", "two", "three"}) pool.Give(Holding(bytes));
  EXPECT_GT(pool.Take().Capacity(), 0u);
  EXPECT_GT(pool.Take().Capacity(), 0u);
  EXPECT_EQ(pool.Take().Capacity(), 0u) << "the third was freed";

  BufferPool keepsNothing(0);
  keepsNothing.Give(Holding("x"));
  EXPECT_EQ(keepsNothing.Take().Capacity(), 0u);
}

}  // namespace
