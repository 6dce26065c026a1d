#include "format/fiad_image.h"

#include <algorithm>

namespace sonatap {

HeaderKind HeaderKindOf(std::string_view name) {
  return name.size() >= 8 && name.substr(1, 7) == "TIFILES" ? HeaderKind::Tifiles : HeaderKind::Plain128;
}

int SectorCount(const FiadImage& image, HeaderKind kind) {
  return image[kind == HeaderKind::Tifiles ? tifiles::kSectorsLow : plain128::kSectorsLow];
}

int EofOffset(const FiadImage& image, HeaderKind kind) {
  return image[kind == HeaderKind::Tifiles ? tifiles::kEofOffset : plain128::kEofOffset];
}

int UsedLength(const FiadImage& image, HeaderKind kind) {
  const int sectors = SectorCount(image, kind);
  int length = kFiadHeaderSize + sectors * kSectorSize;
  if (kind == HeaderKind::Tifiles) {
    const int eof = EofOffset(image, kind);
    length = kFiadHeaderSize + (sectors - 1) * kSectorSize + (eof == 0 ? kSectorSize : eof);
  }
  return std::clamp(length, kFiadHeaderSize, kFiadImageSize);
}

void WritePlain128Name(FiadImage& image, std::string_view name) {
  for (int i = 0; i < plain128::kNameLength; ++i)
    image[plain128::kName + i] = i < static_cast<int>(name.size()) ? static_cast<uint8_t>(name[i]) : ' ';
}

bool BuildPlain128Image(FiadImage& image, std::string_view name, const RecordData& recordData, int records) {
  if (records < 0 || records > kMaxBuiltRecords) return false;
  std::fill(image.begin(), image.begin() + kFiadHeaderSize, 0);
  WritePlain128Name(image, name);
  image[plain128::kFlags] = plain128::kProgramFlag;
  const int dataBytes = records * kRecordBytes;
  const int sectors = dataBytes / kSectorSize + (dataBytes % kSectorSize != 0 ? 1 : 0);
  image[plain128::kSectorsLow] = static_cast<uint8_t>(sectors);
  image[plain128::kEofOffset] = static_cast<uint8_t>(dataBytes % kSectorSize);
  // The body is whole sectors: the last record is followed by the decoded
  // bytes after it up to the sector's end.
  const int bodyBytes = sectors * kSectorSize;
  std::copy(recordData.begin() + 1, recordData.begin() + 1 + bodyBytes, image.begin() + kFiadHeaderSize);
  return true;
}

void ConvertTifilesToPlain128(FiadImage& image, std::string_view name) {
  std::array<uint8_t, kFiadHeaderSize> header{};
  header[plain128::kFlags] = image[tifiles::kFlags];
  header[plain128::kRecordsPerSector] = image[tifiles::kRecordsPerSector];
  header[plain128::kSectorsHigh] = image[tifiles::kSectorsHigh];
  header[plain128::kSectorsLow] = image[tifiles::kSectorsLow];
  header[plain128::kEofOffset] = image[tifiles::kEofOffset];
  header[plain128::kRecordLength] = image[tifiles::kRecordLength];
  header[plain128::kLevel3Records] = image[tifiles::kLevel3Records];
  header[plain128::kLevel3Records + 1] = image[tifiles::kLevel3Records + 1];
  std::copy(header.begin(), header.end(), image.begin());
  WritePlain128Name(image, name);
  // A plain header describes whole sectors; clear what a TIFILES file may
  // carry after its last sector so the saved file holds only the file.
  const int end = std::min(kFiadImageSize, kFiadHeaderSize + image[plain128::kSectorsLow] * kSectorSize);
  std::fill(image.begin() + end, image.end(), 0);
}

}  // namespace sonatap
