// Conditioning a 10-minute side as a sound card records it (16-bit stereo
// 48000 Hz, the tape on the right channel, 2 % fast), against a plain pass
// that reads the same file through the same library.
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/audio_source.h"
#include "engine/conditioner.h"
#include "engine/tape_synthesis.h"
#include "quiet_decode.h"

namespace {

using namespace sonatap;

constexpr int kRate = 48000;
constexpr int kSeconds = 600;

struct Samples final : ByteSink {
  void Write(const uint8_t* bytes, size_t count) override { data.insert(data.end(), bytes, bytes + count); }
  std::vector<uint8_t> data;
};

std::string SidePath() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / "sonatap-bench-side.wav").string();
    auto data = std::make_unique<RecordData>();
    for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 31);
    auto image = std::make_unique<FiadImage>();
    BuildPlain128Image(*image, "BENCH", *data, 200);
    Shapes shapes;
    LoadShapeSet(shapes, 3, 1);
    Samples tape;
    WriteTapeImage(*image, HeaderKind::Plain128, shapes.set, tape, nullptr);
    SF_INFO info{0, kRate, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
    SNDFILE* file = sf_open(p.c_str(), SFM_WRITE, &info);
    std::vector<short> block;
    const double step = 1.02 * 44100 / kRate;
    double t = 0;
    for (int64_t frame = 0; frame < int64_t{kRate} * kSeconds; ++frame, t += step) {
      const auto k = static_cast<size_t>(t) % tape.data.size();
      block.push_back(0);
      block.push_back(static_cast<short>((tape.data[k] - 128) * 100));
      if (block.size() == 1 << 16) sf_writef_short(file, block.data(), 1 << 15), block.clear();
    }
    sf_writef_short(file, block.data(), static_cast<sf_count_t>(block.size() / 2));
    sf_close(file);
    return p;
  }();
  return path;
}

void BM_ReadSide10Minutes(benchmark::State& state) {
  const std::string path = SidePath();
  double sum = 0;
  for (auto _ : state) {
    AudioSource source;
    std::string error;
    source.Open(path, error);
    std::vector<float> block;
    while (const int64_t got = source.Read(block, 1 << 15))
      for (int64_t i = 0; i < got * 2; ++i) sum += block[i];
  }
  benchmark::DoNotOptimize(sum);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadSide10Minutes)->Unit(benchmark::kMillisecond);

void BM_ConditionSide10Minutes(benchmark::State& state) {
  const std::string path = SidePath();
  const std::string out = path + ".conditioned.wav";
  NoProgress progress;
  for (auto _ : state) {
    if (!ConditionRecording(path, out, {}, progress).ok) state.SkipWithError("conditioning failed");
  }
  std::filesystem::remove(out);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ConditionSide10Minutes)->Unit(benchmark::kMillisecond);

// All of `decode side.wav` as a user runs it on a sound card's recording,
// conditioning included: the Adaptive method (the default; it reads the
// recording while it is conditioned) and the template method "Natural"
// (whose Auto Volume reads the whole conditioned recording first).
void BM_DecodeSide10Minutes(benchmark::State& state, const char* recognition) {
  const std::string path = SidePath();
  const std::filesystem::path out =
      std::filesystem::temp_directory_path() / ("sonatap-bench-side-out-" + std::to_string(::getpid()));
  std::filesystem::create_directories(out);
  const int failures = DecodeQuietly(state, path, out, "SIDE", recognition);
  std::filesystem::remove_all(out);
  if (failures != 0) state.SkipWithError("the side did not decode with every record O.K.");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK_CAPTURE(BM_DecodeSide10Minutes, Adaptive, "")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_DecodeSide10Minutes, Natural, "natural")->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
