// An arbitrary file through the whole of `sonatap-cli decode`: the input
// test, the conversion run with the batch prompts, and every stored FIAD
// written out. Like the CLI, each stored file is written at once and the
// list emptied, so a recording may hold any number of tape files (a list
// that filled up would make the prompts that always give one name ask
// forever). Inputs of odd length also gather debug records and export them
// at the end of each scan.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "cli/batch_output.h"
#include "debugger/debug_records_text.h"
#include "recognition/conversion_run.h"
#include "recognition/input_file.h"

namespace {

class ExportingDebugger final : public sonatap::DebuggerWindow {
 public:
  explicit ExportingDebugger(const sonatap::Session& session) : session_(session) {}
  bool Run() override {
    exported += sonatap::DebugRecordsText(session_.debug, session_.decoder.tapeByteStream).size();
    return true;
  }
  size_t exported = 0;

 private:
  const sonatap::Session& session_;
};

std::ostringstream quiet;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cerr.rdbuf(quiet.rdbuf());  // the batch prompts' messages and "wrote" lines
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  static const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("sonatap-fuzz-decode-file-" + std::to_string(::getpid()));
  static const std::string path = (dir / "input.wav").string();
  std::filesystem::create_directories(dir);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  quiet.str("");

  auto session = Session::Create();
  const InputFile input = ReadInputFile(path, session->fiads.Staging().image);
  session->fiads.Staging() = FiadSlot{};
  if (input.kind != InputKind::Wav) return 0;
  session->conversion.wavPath = path;
  session->debug.gather = (size & 1) != 0;

  int files = 0;
  auto stored = [&](int slot) {
    const FiadSlot& fiad = session->fiads.Slot(slot);
    if (!fiad.occupied) __builtin_trap();
    const std::string out = cli::NumberedPath(dir / "TAPE.fiad", ++files).string();
    if (!cli::WriteFiadFile(fiad, out)) __builtin_trap();
    std::filesystem::remove(out);
    session->fiads.Clear();
    session->debug.Reset();
  };
  SilentRunView view;
  cli::BatchPrompts prompts("TAPE");
  NoProgress progress;
  ExportingDebugger debugger(*session);
  RunServices services{view, prompts, progress, debugger, stored};
  RunConversion(*session, services);
  if (session->monitor.text.empty()) __builtin_trap();
  return 0;
}
