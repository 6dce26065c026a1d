// Decoding as `sonatap-cli decode` runs it, on a 10-minute recording of three
// tape files of 230 records each (Auto Volume on, the start settings),
// against a plain pass that reads and sums the same file through the same
// sample reader. The ratio of the two throughputs is what the decode path
// costs beside reading the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "quiet_decode.h"
#include "engine/sample_buffer.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"

namespace {

using namespace sonatap;
namespace fs = std::filesystem;

constexpr int kFiles = 3;
constexpr int kRecords = 230;

// Removed at exit by `cleanup` below, which is built after it and so
// destroyed before it.
const fs::path kFolder = fs::temp_directory_path() / ("sonatap-bench-decode-" + std::to_string(::getpid()));

// Three files, each written by the synthesis, with two seconds of silence
// after each (the skip time after a finished file lands in the next leader).
std::string RecordingPath() {
  static const std::string path = [] {
    fs::create_directories(kFolder);
    auto data = std::make_unique<RecordData>();
    for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 31 + i / 64);
    auto image = std::make_unique<FiadImage>();
    BuildPlain128Image(*image, "BENCH", *data, kRecords);
    Shapes shapes;
    LoadShapeSet(shapes, 1, 1);
    NoProgress progress;
    const std::string one = (kFolder / "one.wav").string();
    WriteWavFile(one, *image, HeaderKind::Plain128, shapes.set, progress);
    std::ifstream in(one, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
    std::vector<char> samples(file.begin() + kWavHeaderSize, file.end());
    samples.insert(samples.end(), 2 * kSampleRate, static_cast<char>(kMiddleLevel));
    const uint32_t length = static_cast<uint32_t>(samples.size() * kFiles);
    std::vector<char> header(file.begin(), file.begin() + kWavHeaderSize);
    for (int i = 0; i < 4; ++i) {
      header[kRiffLengthOffset + i] = static_cast<char>((36 + length) >> (8 * i));
      header[40 + i] = static_cast<char>(length >> (8 * i));
    }
    const std::string p = (kFolder / "ten-minutes.wav").string();
    std::ofstream out(p, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    for (int f = 0; f < kFiles; ++f) out.write(samples.data(), static_cast<std::streamsize>(samples.size()));
    fs::remove(one);
    return p;
  }();
  return path;
}

// One pass that reads and sums the file through the sample reader; seconds.
double PlainPassSeconds(const std::string& path, uint64_t& sum) {
  const auto start = std::chrono::steady_clock::now();
  SampleBuffer samples;
  samples.Open(path);
  for (auto block = samples.Peek(); !block.empty(); block = samples.Peek()) {
    for (const uint8_t byte : block) sum += byte;
    samples.Skip(block.size());
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// `method`: the --recognition option, or none for the start settings.
void BM_CliDecodeTenMinutes(benchmark::State& state, const char* method) {
  const std::string path = RecordingPath();
  const fs::path out = kFolder / "out";
  fs::create_directories(out);
  const auto start = std::chrono::steady_clock::now();
  const int failures = DecodeQuietly(state, path, out, "BENCH", method);
  const double decode = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                        static_cast<double>(state.iterations());
  uint64_t sum = 0;
  double plain = PlainPassSeconds(path, sum);
  for (int i = 0; i < 4; ++i) plain = std::min(plain, PlainPassSeconds(path, sum));
  benchmark::DoNotOptimize(sum);
  // The share of the plain reading speed that the decode keeps.
  state.counters["vs_plain_read"] = plain / decode;
  if (failures != 0 || !fs::exists(out / ("BENCH-" + std::to_string(kFiles) + ".fiad")))
    state.SkipWithError("the recording did not decode into three files");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}
BENCHMARK_CAPTURE(BM_CliDecodeTenMinutes, StartSettings, "")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_CliDecodeTenMinutes, Adaptive, "adaptive")->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlainReadSameFile(benchmark::State& state) {
  const std::string path = RecordingPath();
  uint64_t sum = 0;
  for (auto _ : state) PlainPassSeconds(path, sum);
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}
BENCHMARK(BM_PlainReadSameFile)->Unit(benchmark::kMillisecond)->UseRealTime();

struct Cleanup {
  ~Cleanup() {
    std::error_code error;
    fs::remove_all(kFolder, error);
  }
} cleanup;

}  // namespace
