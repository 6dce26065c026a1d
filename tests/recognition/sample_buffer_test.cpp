#include "engine/sample_buffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "engine/growing_file.h"
#include "engine/tuning_settings.h"
#include "engine/write_behind.h"

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

// Another thread writes the file a block at a time: reads past what is
// written wait for it, and the end is known once the writing ends.
TEST(SampleBuffer, FollowsAFileWhileItIsWritten) {
  const auto path = std::filesystem::temp_directory_path() / "sonatap-growing.bin";
  std::ofstream(path, std::ios::binary).flush();
  GrowingFile growing;
  SampleBuffer buffer;
  ASSERT_TRUE(buffer.OpenGrowing(path.string(), growing));
  std::thread writer([&] {
    std::ofstream out(path, std::ios::binary);
    for (int block = 0; block < 10; ++block) {
      for (int i = 0; i < 30000; ++i) out.put(static_cast<char>((block * 30000 + i) % 251));
      out.flush();
      growing.Grew((block + 1) * 30000);
    }
    growing.End();
  });
  EXPECT_FALSE(buffer.AtEnd());
  buffer.Seek(250000);  // past what is written yet
  EXPECT_EQ(buffer.ReadNext(), 250000 % 251);
  buffer.Seek(1000);
  int64_t sum = 0, expected = 0;
  for (int64_t i = 1000; i < 300000; ++i) sum += buffer.ReadNext(), expected += i % 251;
  EXPECT_EQ(sum, expected);
  EXPECT_TRUE(buffer.Peek().empty());
  EXPECT_TRUE(buffer.AtEnd());
  EXPECT_EQ(buffer.Length(), 300000);
  writer.join();
  std::filesystem::remove(path);
}

// The consumer sees every block in order, and once it fails no more are taken.
TEST(WriteBehind, ConsumesInOrderUntilItFails) {
  std::vector<float> seen;
  WriteBehind behind([&](const float* samples, size_t count) {
    seen.insert(seen.end(), samples, samples + count);
    return seen.size() < 300;
  });
  bool taken = true;
  for (int block = 0; block < 50 && taken; ++block) {
    const std::vector<float> samples(100, static_cast<float>(block));
    taken = behind.Put(samples.data(), samples.size());
  }
  EXPECT_FALSE(behind.Finish());
  ASSERT_EQ(seen.size(), 300u);
  EXPECT_EQ(seen[0], 0.0f);
  EXPECT_EQ(seen[299], 2.0f);
}

}  // namespace
}  // namespace sonatap
