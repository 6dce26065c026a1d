// Arbitrary bytes as an audio file of any kind, conditioned as Import
// Recording and `decode` condition it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "engine/conditioner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  static const std::string base = "/tmp/sonatap-fuzz-import-" + std::to_string(::getpid());
  const std::string in = base + ".in", out = base + ".wav";
  {
    std::ofstream file(in, std::ios::binary);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  NoProgress progress;
  ConditionRecording(in, out, {size > 0 ? data[0] % 3 : 0}, progress);
  std::remove(out.c_str());
  std::remove(in.c_str());
  return 0;
}
