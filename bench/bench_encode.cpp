// Encoding a 252-record image into a WAV file, against writing the same
// number of bytes through the same writer without synthesis.
#include <benchmark/benchmark.h>

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

void BM_EncodeWav252(benchmark::State& state) {
  auto data = std::make_unique<RecordData>();
  for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 31);
  auto image = std::make_unique<FiadImage>();
  BuildPlain128Image(*image, "BENCH", *data, 252);
  Shapes shapes;
  LoadShapeSet(shapes, 1, 1);
  NoProgress progress;
  for (auto _ : state) WriteWavFile(BenchPath(), *image, HeaderKind::Plain128, shapes.set, progress);
  state.SetBytesProcessed(state.iterations() * (44 + TapeSampleCount(252)));
  std::filesystem::remove(BenchPath());
}
BENCHMARK(BM_EncodeWav252)->Unit(benchmark::kMillisecond);

void BM_PlainWriteSameBytes(benchmark::State& state) {
  const int64_t total = 44 + TapeSampleCount(252);
  const std::vector<uint8_t> cell(32, 128);
  for (auto _ : state) {
    AtomicFileWriter file(BenchPath());
    file.Open();
    for (int64_t done = 0; done < total; done += 32) file.Write(cell.data(), 32);
    file.Commit();
  }
  state.SetBytesProcessed(state.iterations() * total);
  std::filesystem::remove(BenchPath());
}
BENCHMARK(BM_PlainWriteSameBytes)->Unit(benchmark::kMillisecond);

}  // namespace
