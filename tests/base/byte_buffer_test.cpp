#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/byte_buffer.h"

namespace {

TEST(ByteBufferTest, GrowingKeepsTheBytesAlreadySet) {
  ByteBuffer buffer;
  EXPECT_TRUE(buffer.Empty());
  buffer.Append("abc");
  buffer.Resize(3 + 4096);  // past the first allocation: the bytes move
  std::fill(buffer.Data() + 3, buffer.Data() + buffer.Size(), 'x');
  for (int i = 0; i < 1000; ++i) buffer.Append("0123456789");
  EXPECT_EQ(buffer.Size(), 3u + 4096u + 10000u);
  EXPECT_EQ(buffer.View().substr(0, 5), "abcxx");
  EXPECT_EQ(buffer.View().substr(4099, 10), "0123456789");
  EXPECT_EQ(buffer.View().back(), '9');
  buffer.Resize(2);
  EXPECT_EQ(buffer.View(), "ab");
}

TEST(ByteBufferTest, ClearKeepsTheMemoryAndReleaseGivesItBack) {
  ByteBuffer buffer;
  buffer.Reserve(1000);
  const char* memory = buffer.Data();
  buffer.Append("part one");
  buffer.Clear();
  EXPECT_TRUE(buffer.Empty());
  buffer.Resize(1000);
  EXPECT_EQ(buffer.Data(), memory) << "what fits reuses the memory";
  EXPECT_GE(buffer.Capacity(), 1000u);
  buffer.Release();
  EXPECT_TRUE(buffer.Empty());
  EXPECT_EQ(buffer.Capacity(), 0u);
  EXPECT_EQ(buffer.Data(), nullptr);
}

TEST(ByteBufferTest, MovingHandsOverTheBytes) {
  ByteBuffer first;
  first.Append("body");
  ByteBuffer second(std::move(first));
  EXPECT_EQ(second.View(), "body");
  EXPECT_TRUE(first.Empty());  // a moved-from buffer is left empty
  EXPECT_EQ(first.Capacity(), 0u);
  first = std::move(second);
  EXPECT_EQ(first.View(), "body");
  EXPECT_TRUE(second.Empty());
}

}  // namespace
