// An arbitrary file through File > Open: the tests that tell a recording from
// a FIAD file, the FIAD reading rules and the loading into the list; a FIAD
// that is loaded is then listed and measured for tape as the windows would.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/program_facts.h"
#include "app/main_view.h"
#include "app/silent_views.h"
#include "engine/input_file.h"
#include "app/open_input.h"
#include "engine/tape_synthesis.h"

namespace {

class ChosenFilePrompts final : public sonatap::NamingPrompts {
 public:
  explicit ChosenFilePrompts(std::string path) : NamingPrompts("FUZZ"), path_(std::move(path)) {}
  std::string ChooseOpenFile(const sonatap::FileDialog&) override { return path_; }

 private:
  std::string path_;
};

class NoMainView final : public sonatap::MainView {
 public:
  void SetWavName(const std::string&) override {}
  void ShowMonitor(const std::string&) override {}
  void SetProgress(int) override {}
  void RefreshFiadList() override {}
  void FocusFiadList() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  static const std::string path = "/tmp/sonatap-fuzz-open-" + std::to_string(::getpid()) + ".bin";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  auto session = Session::Create();
  ChosenFilePrompts prompts(path);
  NoMainView view;
  OpenInputFile(*session, prompts, view);

  FiadImage probeImage{};
  const InputFile input = ReadInputFile(path, probeImage);
  std::remove(path.c_str());
  const auto& entries = session->fiads.Entries();
  // A FIAD is listed (the first one always finds a free slot); nothing else is.
  if ((input.kind == InputKind::Fiad) != (entries.size() == 1)) __builtin_trap();
  if ((input.kind == InputKind::Wav) != (session->conversion.wavPath == path)) __builtin_trap();
  if (input.kind != InputKind::Fiad) return 0;

  const int slot = session->fiads.FindSlot(entries[0]);
  if (slot == 0) __builtin_trap();
  const FiadSlot& loaded = session->fiads.Slot(slot);
  if (loaded.recordCount != input.recordCount) __builtin_trap();
  auto stream = std::make_unique<TapeByteStream>();
  const auto listing = ShowBasicListing(session->fiads, entries[0], *stream, true);
  if (!listing) __builtin_trap();
  const HeaderKind kind = HeaderKindOf(input.probe);
  (void)TapeRecordCountProblem(TapeRecordCount(loaded.image, kind));
  (void)UsedLength(loaded.image, kind);
  return 0;
}
