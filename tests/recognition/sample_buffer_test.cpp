#include "engine/sample_buffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/tuning_settings.h"

namespace sonatap {
namespace {

TEST(RoundHalfUp, AsymmetricForNegatives) {
  const struct { float x; int expected; } cases[] = {
      {127.5f, 128}, {-0.5f, 0}, {-1.5f, -1}, {-90.0f, -89}, {-2.7f, -2}, {-0.7f, 0}, {2.5f, 3}, {2.4f, 2}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfUp(c.x), c.expected) << c.x;
}

TEST(SampleBuffer, ReadsSeeksAndEnds) {
  const auto path = std::filesystem::temp_directory_path() / "sonatap-samples.bin";
  std::string bytes(200000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  std::ofstream(path, std::ios::binary) << bytes;
  SampleBuffer buffer;
  ASSERT_TRUE(buffer.Open(path.string()));
  EXPECT_EQ(buffer.Length(), 200000);
  EXPECT_EQ(buffer.ReadNext(), 0);
  buffer.Seek(70000);
  EXPECT_EQ(buffer.ReadNext(), 70000 % 251);
  EXPECT_EQ(buffer.Position(), 70001);
  buffer.Seek(199999);
  EXPECT_EQ(buffer.ReadNext(), 199999 % 251);
  EXPECT_TRUE(buffer.AtEnd());
  EXPECT_EQ(buffer.ReadNext(), 0);
  std::filesystem::remove(path);
  EXPECT_FALSE(buffer.Open(path.string()));
  EXPECT_FALSE(buffer.Open(std::filesystem::temp_directory_path().string()));
}

}  // namespace
}  // namespace sonatap
