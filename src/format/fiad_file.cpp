#include "format/fiad_file.h"

#include "format/fiad_image.h"

namespace sonatap {
namespace {

constexpr int kProbeLength = 10;

uint8_t ByteAt(std::span<const uint8_t> bytes, size_t offset) { return offset < bytes.size() ? bytes[offset] : 0; }

bool LengthFitsImage(uint64_t length) { return length > kFiadHeaderSize && length < kFiadImageSize; }

}  // namespace

std::string ProbeString(std::span<const uint8_t> firstBytes) {
  std::string probe;
  for (size_t i = 0; i < firstBytes.size() && i < kProbeLength; ++i) {
    const uint8_t b = firstBytes[i];
    if (b != 0x07 && (b < 0x21 || b > 0x7E)) break;
    probe.push_back(static_cast<char>(b));
  }
  return probe;
}

std::optional<int> FiadRecordCount(std::string_view probe, std::span<const uint8_t> header, uint64_t length) {
  if (!LengthFitsImage(length)) return std::nullopt;
  const int body = static_cast<int>(length) - kFiadHeaderSize;

  // TIFILES: the sector count must cover the body exactly (rounded up);
  // every 64 bytes of it, the last partly filled, count as a record.
  if (HeaderKindOf(probe) == HeaderKind::Tifiles &&
      ByteAt(header, tifiles::kSectorsLow) == (body + kSectorSize - 1) / kSectorSize)
    return (body + kRecordBytes - 1) / kRecordBytes;

  // 128-byte header: the sector count must be the body's whole sectors; the
  // records are those of the (S-1)*256 + eof bytes the header describes.
  const int sectors = body / kSectorSize;
  if (probe.empty() || ByteAt(header, plain128::kSectorsLow) != sectors) return std::nullopt;
  int eof = ByteAt(header, plain128::kEofOffset);
  if (eof % kRecordBytes == 0) {
    if (eof == 0) eof = kSectorSize;
    return (static_cast<int>(length) - (kSectorSize - eof) - kFiadHeaderSize) / kRecordBytes;
  }
  return ((sectors - 1) * kSectorSize + eof + kRecordBytes - 1) / kRecordBytes;
}

}  // namespace sonatap
