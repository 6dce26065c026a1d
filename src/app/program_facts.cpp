#include "app/program_facts.h"

#include <algorithm>

namespace sonatap {
namespace {

using namespace program_image;

// Header byte `index` (from 0) of the copied FIAD file.
int HeaderByte(const ProgramImage& image, int index) { return image[static_cast<size_t>(index) + 1]; }

std::string FourHexDigits(int value) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text(4, '0');
  for (int i = 3; i >= 0; --i, value >>= 4) text[static_cast<size_t>(i)] = kDigits[value & 0xF];
  return text;
}

}  // namespace

std::vector<std::string> ProgramFactsLines(const ProgramImage& image) {
  std::string label;
  for (int i = 0; i < plain128::kNameLength; ++i) {
    if (const int byte = HeaderByte(image, i); byte != 0) label.push_back(static_cast<char>(byte));
  }
  const HeaderKind kind = HeaderKindOf(label);
  if (kind == HeaderKind::Tifiles) label = "TIFILES";
  const int sectors = HeaderByte(image, kind == HeaderKind::Tifiles ? tifiles::kSectorsLow : plain128::kSectorsLow);
  return {
      "FIAD Label: " + label,
      "First Line Address: " + FourHexDigits(ProgramWord(image, kFirstLineAddress)) + " Hex",
      "Start File Address: " + FourHexDigits(ProgramWord(image, kStartFileAddress)) + " Hex",
      "End Address: " + FourHexDigits(ProgramWord(image, kEndAddress)) + " Hex",
      std::to_string(sectors) + " Records " + std::to_string(sectors * kSectorSize) + " Bytes",
  };
}

std::string ProgramFactsText(const ProgramImage& image) { return BasicListing{ProgramFactsLines(image), {}}.InfoText(); }

void CopyIntoProgramImage(const FiadSlot& slot, ProgramImage& programImage) {
  const int eof = slot.image[plain128::kEofOffset] == 0 ? kSectorSize : slot.image[plain128::kEofOffset];
  const int records = std::clamp(slot.recordCount, 0, kFiadImageSize / kRecordBytes);
  const int count = std::clamp(kRecordBytes * records + 384 - eof, 0, kFiadImageSize);
  std::copy(slot.image.begin(), slot.image.begin() + count, programImage.begin() + 1);
}

std::string BasicListing::InfoText() const {
  std::string text;
  for (size_t i = 0; i < factsLines.size(); ++i) text += (i == 0 ? "" : "\r\n") + factsLines[i];
  return text;
}

std::string BasicListing::SourceText() const {
  std::string text;
  for (const std::string& line : sourceLines) text += line + "\r\n";
  return text;
}

std::optional<BasicListing> ShowBasicListing(const FiadList& list, const std::string& entryName,
                                             ProgramImage& programImage, bool showRecords) {
  const int slot = list.FindSlot(entryName);
  if (slot == 0) return std::nullopt;
  // The listing works in the decoder's TapeByteStream and zeroes it before
  // and after, so the raw tape bytes of the last conversion are gone once a
  // listing has been shown: the debug export and the debugger's views then
  // find zeros there, and rely on finding exactly that. The window only
  // shows the finished texts, so the work array is cleared before it opens.
  std::fill(programImage.begin(), programImage.end(), 0);
  CopyIntoProgramImage(list.Slot(slot), programImage);
  BasicListing listing{ProgramFactsLines(programImage),
                       ListProgram(programImage, LoadKeywordTable(), showRecords)};
  std::fill(programImage.begin(), programImage.end(), 0);
  return listing;
}

}  // namespace sonatap
