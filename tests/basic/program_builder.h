#pragma once
// Builds TI BASIC program files for the listing tests, laid out as the
// TI-99/4A saves them: an 8-byte program header, the line number table
// (highest line number at the lowest address), then the lines, each a length
// byte, its tokens and a closing 0.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "format/detokenizer.h"
#include "app/fiad_list.h"

namespace sonatap::testing {

using Bytes = std::vector<uint8_t>;

struct ProgramLine {
  int number;
  Bytes tokens;  // without the closing 0
};

// Token bytes from a mix of values and texts: Tokens(0x9C, "X") is 0x9C 'X'.
inline void AppendTokens(Bytes&) {}
template <typename... Rest>
void AppendTokens(Bytes& out, int value, Rest... rest);
template <typename... Rest>
void AppendTokens(Bytes& out, std::string_view text, Rest... rest) {
  out.insert(out.end(), text.begin(), text.end());
  AppendTokens(out, rest...);
}
template <typename... Rest>
void AppendTokens(Bytes& out, int value, Rest... rest) {
  out.push_back(static_cast<uint8_t>(value));
  AppendTokens(out, rest...);
}
template <typename... Parts>
Bytes Tokens(Parts... parts) {
  Bytes out;
  AppendTokens(out, parts...);
  return out;
}

inline void PutWord(Bytes& bytes, size_t at, int value) {
  if (bytes.size() < at + 2) bytes.resize(at + 2);
  bytes[at] = static_cast<uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<uint8_t>(value);
}

constexpr int kStart = 0x37B6;  // where a small program's table starts in VDP memory

// The program file's data bytes. `gap` bytes of 0 lie between the table and
// the first line.
inline Bytes ProgramData(const std::vector<ProgramLine>& lines, int gap = 0, int start = kStart) {
  const int tableBytes = 4 * static_cast<int>(lines.size());
  Bytes data(8 + tableBytes + gap, 0);
  const int firstLine = start + tableBytes - 1;
  PutWord(data, 2, firstLine);
  PutWord(data, 4, start);
  for (size_t i = 0; i < lines.size(); ++i) {
    // The first line listed owns the top entry.
    const size_t entry = 8 + static_cast<size_t>(tableBytes) - 4 * (i + 1);
    const int pointer = start + static_cast<int>(data.size()) - 8 + 1;
    PutWord(data, entry, lines[i].number);
    PutWord(data, entry + 2, pointer);
    data.push_back(static_cast<uint8_t>(lines[i].tokens.size() + 1));
    data.insert(data.end(), lines[i].tokens.begin(), lines[i].tokens.end());
    data.push_back(0);
  }
  PutWord(data, 6, start + static_cast<int>(data.size()) - 8 - 1);
  PutWord(data, 0, ((data[2] ^ data[4]) << 8) | (data[3] ^ data[5]));
  return data;
}

// A FIAD file with the plain 128-byte header: name space-filled, program
// flag, whole sectors, end-of-file offset of the data.
inline Bytes PlainFiad(std::string_view name, const Bytes& data) {
  const size_t sectors = (data.size() + 255) / 256;
  Bytes file(128 + sectors * 256, 0);
  for (size_t i = 0; i < 10; ++i) file[i] = i < name.size() ? static_cast<uint8_t>(name[i]) : ' ';
  file[12] = 0x01;
  file[15] = static_cast<uint8_t>(sectors);
  file[16] = static_cast<uint8_t>(data.size() % 256);
  std::copy(data.begin(), data.end(), file.begin() + 128);
  return file;
}

// A TIFILES file of the same data: its length is the data's, not whole sectors.
inline Bytes TifilesFiad(const Bytes& data) {
  Bytes file(128 + data.size(), 0);
  const std::string_view magic = "\x07TIFILES";
  std::copy(magic.begin(), magic.end(), file.begin());
  PutWord(file, 8, static_cast<int>((data.size() + 255) / 256));
  file[10] = 0x01;
  file[12] = static_cast<uint8_t>(data.size() % 256);
  std::copy(data.begin(), data.end(), file.begin() + 128);
  return file;
}

// Entry k holds file byte k - 1, as a listing copies a whole FIAD.
inline std::unique_ptr<ProgramImage> ProgramImageOf(const Bytes& file) {
  auto image = std::make_unique<ProgramImage>();
  for (size_t i = 0; i < file.size() && i + 1 < image->size(); ++i) (*image)[i + 1] = file[i];
  return image;
}

inline std::vector<std::string> Listing(const Bytes& file, bool showRecords = false) {
  return ListProgram(*ProgramImageOf(file), LoadKeywordTable(), showRecords);
}

inline std::string AsText(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

// A FIAD list slot holding `file` with `records` 64-byte records.
inline void Occupy(FiadList& list, int slot, const Bytes& file, int records) {
  FiadSlot& s = list.Slot(slot);
  s.occupied = true;
  s.recordCount = records;
  s.image.fill(0);
  std::copy(file.begin(), file.begin() + std::min(file.size(), s.image.size()), s.image.begin());
}

}  // namespace sonatap::testing
