// Arbitrary bytes as the samples of a recording, with tuning taken from the
// first bytes, through a whole conversion run.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/silent_views.h"
#include "app/conversion_run.h"
#include "engine/wav_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  if (size < 4) return 0;
  static const std::string path = "/tmp/sonatap-fuzz-decode-" + std::to_string(::getpid()) + ".wav";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(WavHeaderTemplate.data()), WavHeaderTemplate.size());
    out.write("\0\0\0\0", 4);
    // Repeat the input so that a short one still makes a recording with
    // whole cells, and loops of the decoder get a chance to show.
    for (int i = 0; i < 8; ++i) out.write(reinterpret_cast<const char*>(data + 4), static_cast<std::streamsize>(size - 4));
  }
  auto session = Session::Create();
  TuningSettings& t = session->tuning;
  t.RecognitionMethod = 1 + data[0] % 7;
  t.DetectionMethod = 1 + data[1] % 4;
  t.Threshold = data[2] % 7;
  t.DcLevel = 20 + data[3] % 211;
  t.SkipTime = 0;
  t.AutoVolume = (data[0] & 0x80) != 0;
  session->debug.gather = (data[1] & 0x80) != 0;
  session->conversion.wavPath = path;
  SilentRunView view;
  NamingPrompts prompts("FUZZ");
  NoProgress progress;
  NoDebuggerWindow debugger;
  // Prompts that always give one name would ask forever for a free name for
  // a recording's second file; as in the CLI, each stored file leaves the
  // list at once.
  auto stored = [&](int slot) {
    if (!session->fiads.Slot(slot).occupied) __builtin_trap();
    session->fiads.Clear();
  };
  RunServices services{view, prompts, progress, debugger, stored};
  RunConversion(*session, services);
  std::remove(path.c_str());
  return 0;
}
