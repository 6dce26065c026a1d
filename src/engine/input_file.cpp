#include "engine/input_file.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>

#include "format/fiad_file.h"

namespace sonatap {

const char* const kRefusalText =
    "Error with file selected.\r\n"
    "Please ensure file is valid Wav or FIAD file.\r\n\r\n"
    "Wav file must be 8 bit 44100 Hz Mono format.\r\n"
    "FIAD File must have valid 128 byte file header or\r\n"
    "valid TIFILES header.";

namespace {

constexpr int kRateLow = 24;     // low 16 bits of the sample rate: 0x44 0xAC
constexpr int kBlockAlign = 32;  // bytes per sample frame: 1

bool LooksLikeWav(const std::string& probe, std::span<const uint8_t> head) {
  auto at = [&head](size_t i) -> int { return i < head.size() ? head[i] : 0; };
  return probe.compare(0, 4, "RIFF") == 0 && probe.size() >= 4 && at(kRateLow) == 0x44 && at(kRateLow + 1) == 0xAC &&
         at(kBlockAlign) == 1;
}

}  // namespace

InputFile ReadInputFile(const std::string& path, FiadImage& image) {
  InputFile result;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return result;  // a folder is no file to read
  std::ifstream in(path, std::ios::binary);
  if (!in) return result;
  std::vector<uint8_t> head(kFiadImageSize);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  if (in.bad()) return result;
  head.resize(static_cast<size_t>(in.gcount()));
  in.clear();
  in.seekg(0, std::ios::end);
  const auto end = in.tellg();
  if (end < 0) return result;
  const auto length = static_cast<uint64_t>(end);

  result.probe = ProbeString(head);
  if (LooksLikeWav(result.probe, head)) {
    result.kind = InputKind::Wav;
    return result;
  }
  if (auto count = FiadRecordCount(result.probe, head, length)) {
    result.kind = InputKind::Fiad;
    result.recordCount = std::max(0, *count);
    std::fill(image.begin(), image.end(), 0);
    std::copy(head.begin(), head.end(), image.begin());
    return result;
  }
  result.kind = InputKind::Refused;
  return result;
}

}  // namespace sonatap
