// Encoding a 252-record image into a WAV file, against writing the same
// number of bytes through the same writer without synthesis.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "format/fiad_image.h"
#include "engine/file_writer.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"

namespace {

using namespace sonatap;

std::string BenchPath() { return (std::filesystem::temp_directory_path() / "sonatap-bench.wav").string(); }

// Writes as many bytes as the encoding does, 32 at a time; seconds.
double PlainWriteSeconds() {
  const auto start = std::chrono::steady_clock::now();
  const int64_t total = 44 + TapeSampleCount(252);
  const std::vector<uint8_t> cell(32, 128);
  AtomicFileWriter file(BenchPath());
  file.Open();
  for (int64_t done = 0; done < total; done += 32) file.Write(cell.data(), 32);
  file.Commit();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_EncodeWav252(benchmark::State& state) {
  auto data = std::make_unique<RecordData>();
  for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 31);
  auto image = std::make_unique<FiadImage>();
  BuildPlain128Image(*image, "BENCH", *data, 252);
  Shapes shapes;
  LoadShapeSet(shapes, 1, 1);
  NoProgress progress;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) WriteWavFile(BenchPath(), *image, HeaderKind::Plain128, shapes.set, progress);
  const double encode = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                        static_cast<double>(state.iterations());
  double plain = PlainWriteSeconds();
  for (int i = 0; i < 4; ++i) plain = std::min(plain, PlainWriteSeconds());
  // The share of the plain writing speed that the encoding keeps.
  state.counters["vs_plain_write"] = plain / encode;
  state.SetBytesProcessed(state.iterations() * (44 + TapeSampleCount(252)));
  std::filesystem::remove(BenchPath());
}
BENCHMARK(BM_EncodeWav252)->Unit(benchmark::kMillisecond);

void BM_PlainWriteSameBytes(benchmark::State& state) {
  for (auto _ : state) PlainWriteSeconds();
  state.SetBytesProcessed(state.iterations() * (44 + TapeSampleCount(252)));
  std::filesystem::remove(BenchPath());
}
BENCHMARK(BM_PlainWriteSameBytes)->Unit(benchmark::kMillisecond);

}  // namespace
