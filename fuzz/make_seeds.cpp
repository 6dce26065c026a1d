// Writes the fuzz targets' starting inputs from the test data:
//   make_seeds OUT_DIR EXAMPLES_DIR [CORPUS_DIR]
// FIAD files (the examples and the corpus programs), tape sound made from
// them here (one file, and two files in one recording), the corpus
// recordings, and the debug records text of a gathering scan. Each target
// gets OUT_DIR/<target>/ in the form its input takes. A corpus folder that
// is absent is skipped.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "app/debug_records_text.h"
#include "app/silent_views.h"
#include "app/conversion_run.h"
#include "engine/input_file.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr uint8_t kDataId[] = {'d', 'a', 't', 'a'};

fs::path outRoot;

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  fs::create_directories(outRoot / target);
  std::ofstream out(outRoot / target / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The first `count` bytes (a recording cut short still reads).
Bytes Head(const Bytes& bytes, size_t count) { return Bytes(bytes.begin(), bytes.begin() + std::min(count, bytes.size())); }

// Tape sound of a FIAD file, or nothing when the file is no FIAD or cannot go on tape.
Bytes TapeSound(const fs::path& fiad, const fs::path& scratch) {
  auto image = std::make_unique<sonatap::FiadImage>();
  const sonatap::InputFile input = sonatap::ReadInputFile(fiad.string(), *image);
  if (input.kind != sonatap::InputKind::Fiad) return {};
  sonatap::Shapes shapes;
  sonatap::LoadShapeSet(shapes, 1, 1);
  sonatap::NoProgress progress;
  if (sonatap::WriteWavFile(scratch.string(), *image, sonatap::HeaderKindOf(input.probe), shapes.set, progress))
    return {};
  return ReadBytes(scratch);
}

// Two tape files in one recording: the second one's samples after the first.
Bytes TwoFiles(const Bytes& first, const Bytes& second) {
  Bytes both = first;
  both.insert(both.end(), second.begin() + sonatap::kWavHeaderSize, second.end());
  const uint32_t data = static_cast<uint32_t>(both.size() - sonatap::kWavHeaderSize);
  for (int i = 0; i < 4; ++i) {
    both[sonatap::kRiffLengthOffset + i] = static_cast<uint8_t>((data + 36) >> (8 * i));
    both[40 + i] = static_cast<uint8_t>(data >> (8 * i));
  }
  return both;
}

// Samples of a tape file of one record (zeros, its second copy left out)
// with a short leader: fuzz_decode repeats its stretch eight times, so this
// one is a recording of eight files, each stored under the batch prompts'
// one name (which once asked for a new name for ever).
Bytes OneRecordFileSound() {
  struct Sink final : sonatap::ByteSink {
    Bytes bytes;
    void Write(const uint8_t* data, size_t count) override { bytes.insert(bytes.end(), data, data + count); }
  } sink;
  sonatap::Shapes shapes;
  sonatap::LoadShapeSet(shapes, 1, 1);
  sonatap::TapeSignalWriter writer(shapes.set, sink);
  for (int i = 0; i < 4 * 8; ++i) writer.EmitZeroBit();
  // Mark and count, a short gap, the block's mark; then its data, checksum and a gap.
  for (int byte : {0xFF, 0x01, 0x01, 0x00, 0x00, 0xFF}) writer.EmitByte(byte);
  for (int i = 0; i < sonatap::kRecordBytes + 3; ++i) writer.EmitByte(0);
  return sink.bytes;
}

class TextDebugger final : public sonatap::DebuggerWindow {
 public:
  explicit TextDebugger(const sonatap::Session& session) : session_(session) {}
  bool Run() override {
    text = sonatap::DebugRecordsText(session_.debug, session_.decoder.tapeByteStream);
    return false;
  }
  std::string text;

 private:
  const sonatap::Session& session_;
};

// The debug records text a gathering scan of `recording` exports.
std::string DebugText(const fs::path& recording) {
  auto session = sonatap::Session::Create();
  session->conversion.wavPath = recording.string();
  session->debug.gather = true;
  session->tuning.SkipTime = 0;
  sonatap::SilentRunView view;
  sonatap::NamingPrompts prompts("SEED");
  sonatap::NoProgress progress;
  TextDebugger debugger(*session);
  sonatap::RunServices services{view, prompts, progress, debugger, nullptr};
  sonatap::RunConversion(*session, services);
  return debugger.text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: make_seeds OUT_DIR EXAMPLES_DIR [CORPUS_DIR]\n";
    return 2;
  }
  outRoot = argv[1];
  fs::create_directories(outRoot);
  const fs::path examples = argv[2];
  const fs::path corpus = argc > 3 ? fs::path(argv[3]) : fs::path();
  const fs::path scratch = outRoot / "scratch.wav";

  std::vector<fs::path> fiads{examples / "hello.fiad"};
  std::vector<fs::path> others;
  std::vector<fs::path> recordings;
  for (const fs::path& dir : {examples, corpus / "programs", corpus / "recordings"}) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
      const std::string ext = entry.path().extension().string();
      if (ext == ".tfi" || ext == ".v9t9" || ext == ".tifile" || (ext == ".fiad" && dir != examples))
        fiads.push_back(entry.path());
      else if (ext == ".wav")
        recordings.push_back(entry.path());
      else if (ext == ".bas" || ext == ".prg" || ext == ".bin" || ext == ".txt")
        others.push_back(entry.path());
    }
  }

  Bytes hello;
  std::string debugText;
  for (const fs::path& fiad : fiads) {
    const Bytes bytes = ReadBytes(fiad);
    const std::string name = fiad.filename().string();
    Seed("fuzz_fiad_encode", name, bytes);
    Seed("fuzz_open_file", name, bytes);
    for (uint8_t options : {uint8_t{0x00}, uint8_t{0x01}}) {
      Bytes listed{options};
      listed.insert(listed.end(), bytes.begin(), bytes.end());
      Seed("fuzz_listing", name + "." + std::to_string(options), listed);
    }
    const Bytes sound = TapeSound(fiad, scratch);
    if (sound.empty() || sound.size() > 400000) continue;
    Seed("fuzz_decode_file", name + ".wav", sound);
    Seed("fuzz_import", name + ".wav", Head(sound, 20000));
    Seed("fuzz_open_file", name + ".wav", Head(sound, 4096));
    // fuzz_decode takes four tuning bytes and a stretch of samples it repeats.
    Bytes stretch{0x00, 0x80, 0x03, 0x6c};
    const size_t from = sonatap::kWavHeaderSize + 190000;
    stretch.insert(stretch.end(), sound.begin() + static_cast<long>(std::min(from, sound.size())),
                   sound.begin() + static_cast<long>(std::min(from + 16000, sound.size())));
    Seed("fuzz_decode", name, stretch);
    if (hello.empty()) {
      hello = sound;
      std::ofstream(scratch, std::ios::binary).write(reinterpret_cast<const char*>(sound.data()),
                                                    static_cast<std::streamsize>(sound.size()));
      debugText = DebugText(scratch);
    }
  }
  if (!hello.empty()) Seed("fuzz_decode_file", "two-files.wav", TwoFiles(hello, hello));
  {
    // Template method 1, Auto Volume off, threshold 3, DC level 128.
    Bytes eightFiles{0x00, 0x00, 0x03, 0x6c};
    const Bytes sound = OneRecordFileSound();
    eightFiles.insert(eightFiles.end(), sound.begin(), sound.end());
    Seed("fuzz_decode", "eight-files", eightFiles);
  }
  for (const fs::path& recording : recordings) {
    const Bytes bytes = ReadBytes(recording);
    Seed("fuzz_decode_file", recording.filename().string(), bytes);
    Seed("fuzz_import", recording.filename().string(), Head(bytes, 20000));
    // The same as a recorder that never wrote the lengths back leaves it.
    Bytes unfinished = Head(bytes, 20000);
    const auto data = std::search(unfinished.begin(), unfinished.end(), kDataId, kDataId + 4);
    if (unfinished.size() > 8 && data + 8 <= unfinished.end()) {
      std::fill(unfinished.begin() + 4, unfinished.begin() + 8, 0);
      std::fill(data + 4, data + 8, 0);
      Seed("fuzz_import", "unfinished-" + recording.filename().string(), unfinished);
    }
    Seed("fuzz_open_file", recording.filename().string(), Head(bytes, 4096));
  }
  for (const fs::path& other : others) Seed("fuzz_open_file", other.filename().string(), ReadBytes(other));
  if (!debugText.empty()) Seed("fuzz_debug_import", "hello.txt", Bytes(debugText.begin(), debugText.end()));
  fs::remove(scratch);
  std::cout << "make_seeds: seeds in " << outRoot.string() << "\n";
  return debugText.empty() ? 1 : 0;
}
