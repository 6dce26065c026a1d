#include "live/recording_file.h"

#include <array>
#include <vector>

namespace sonatap::live {
namespace {

void Put16(uint8_t* at, uint32_t value) {
  at[0] = value & 0xFF;
  at[1] = (value >> 8) & 0xFF;
}
void Put32(uint8_t* at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

}  // namespace

RecordingFile::~RecordingFile() { Close(); }

bool RecordingFile::Open(const std::string& path, int rate, int channels) {
  Close();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return false;
  rate_ = rate;
  channels_ = channels;
  frames_ = framesAtLastHeader_ = 0;
  std::array<uint8_t, 44> header{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  Put32(&header[16], 16);
  Put16(&header[20], 1);
  Put16(&header[22], static_cast<uint32_t>(channels));
  Put32(&header[24], static_cast<uint32_t>(rate));
  Put32(&header[28], static_cast<uint32_t>(rate * channels * 2));
  Put16(&header[32], static_cast<uint32_t>(channels * 2));
  Put16(&header[34], 16);
  header[36] = 'd', header[37] = 'a', header[38] = 't', header[39] = 'a';
  Put32(&header[4], 36);
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
    Close();
    return false;
  }
  return true;
}

bool RecordingFile::Append(const int16_t* samples, long frames) {
  if (file_ == nullptr) return false;
  const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(channels_);
  std::vector<uint8_t> bytes(count * 2);
  for (size_t i = 0; i < count; ++i) Put16(&bytes[i * 2], static_cast<uint16_t>(samples[i]));
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return false;
  frames_ += frames;
  if (frames_ - framesAtLastHeader_ >= rate_) return PutLengths();
  return true;
}

bool RecordingFile::PutLengths() {
  std::array<uint8_t, 4> length{};
  const auto data = static_cast<uint32_t>(frames_ * 2 * channels_);
  bool ok = std::fflush(file_) == 0;
  const long end = std::ftell(file_);
  Put32(length.data(), 36 + data);
  ok = ok && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(length.data(), 1, 4, file_) == 4;
  Put32(length.data(), data);
  ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(length.data(), 1, 4, file_) == 4;
  ok = ok && std::fseek(file_, end, SEEK_SET) == 0 && std::fflush(file_) == 0;
  framesAtLastHeader_ = frames_;
  return ok;
}

bool RecordingFile::Close() {
  if (file_ == nullptr) return true;
  bool ok = PutLengths();
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}

}  // namespace sonatap::live
