#include "plugins/PluginOutputBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PluginOutputBufferTest, KeepsTheFirstBytesUpToTheLimit) {
  PluginOutputBuffer buffer;
  EXPECT_EQ(buffer.Text(), "");
  std::string chunk(20000, 'x');
  buffer.Append(chunk.data(), chunk.size());
  buffer.Append("yy", 2);
  buffer.Append(chunk.data(), chunk.size());
  std::string expected = chunk + "yy" + chunk;
  expected.resize(PluginOutputBuffer::kMaxText);
  EXPECT_EQ(buffer.Text(), expected);
  EXPECT_EQ(PluginOutputBuffer::kMaxText, 32767u);
}

TEST(PluginOutputBufferTest, TextEndsAtTheFirstZeroByte) {
  PluginOutputBuffer buffer;
  buffer.Append("a=1\0b=2", 7);
  EXPECT_EQ(buffer.Text(), "a=1");
}

}  // namespace
