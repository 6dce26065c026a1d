// Decoding a long recording (a 200-record file, about 7.6 MB of samples)
// through recognition and the decoder, as `sonatap-cli decode` runs it, by
// recognition method.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/silent_views.h"
#include "recognition/conversion_run.h"
#include "synthesis/wav_writer.h"

namespace {

using namespace sonatap;

std::string RecordingPath() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / "sonatap-bench-decode.wav").string();
    auto data = std::make_unique<RecordData>();
    for (int i = 1; i < kRecordDataEntries; ++i) (*data)[i] = static_cast<uint8_t>(i * 31);
    auto image = std::make_unique<FiadImage>();
    BuildPlain128Image(*image, "BENCH", *data, 200);
    Shapes shapes;
    LoadShapeSet(shapes, 1, 1);
    NoProgress progress;
    WriteWavFile(p, *image, HeaderKind::Plain128, shapes.set, progress);
    return p;
  }();
  return path;
}

void BM_DecodeRecording200(benchmark::State& state) {
  const std::string path = RecordingPath();
  SilentRunView view;
  NamingPrompts prompts("BENCH");
  NoProgress progress;
  NoDebuggerWindow debugger;
  int stored = 0;
  for (auto _ : state) {
    auto session = Session::Create();
    session->tuning.SkipTime = 0;
    session->tuning.RecognitionMethod = static_cast<int>(state.range(0));
    session->conversion.wavPath = path;
    RunServices services{view, prompts, progress, debugger, [&](int) { ++stored; }};
    RunConversion(*session, services);
  }
  if (stored != static_cast<int>(state.iterations())) state.SkipWithError("the recording did not decode");
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(std::filesystem::file_size(path)));
}
// Natural templates, the crossing method, Adaptive.
BENCHMARK(BM_DecodeRecording200)->Arg(1)->Arg(6)->Arg(7)->Unit(benchmark::kMillisecond);

}  // namespace
