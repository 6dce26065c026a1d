#pragma once
// A FIAD ("File In A Disk") is one TI-99/4A disk file stored as a host file:
// a 128-byte header followed by the file's 256-byte sectors.
//
// The plain 128-byte header, as this program writes it:
//   offset size meaning
//   0      10   file name, space-filled
//   10     2    reserved (0)
//   12     1    file type flags (0x01 = program)
//   13     1    records per sector (0 for a program)
//   14     2    sectors in the body, big-endian (byte 14 always 0 here)
//   16     1    end-of-file offset: bytes used in the last sector, 0 = all
//   17     111  record length, level-3 record count, reserved (0)
//
// The TIFILES header, read and written back unchanged:
//   0      1    0x07
//   1      7    "TIFILES"
//   8      2    sectors, big-endian (only the low byte 9 is read)
//   10     1    file type flags
//   11     1    records per sector
//   12     1    end-of-file offset
//   13     1    logical record length
//   14     2    level-3 record count, little-endian
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "format/tape_format.h"

namespace sonatap {

constexpr int kFiadImageSize = 16384;
constexpr int kFiadHeaderSize = 128;
constexpr int kSectorSize = 256;
constexpr int kMaxBuiltRecords = (kFiadImageSize - kFiadHeaderSize) / kRecordBytes - 2;  // 252: 63 whole sectors

namespace plain128 {
constexpr int kName = 0;
constexpr int kNameLength = 10;
constexpr int kFlags = 12;
constexpr int kRecordsPerSector = 13;
constexpr int kSectorsHigh = 14;
constexpr int kSectorsLow = 15;
constexpr int kEofOffset = 16;
constexpr int kRecordLength = 17;
constexpr int kLevel3Records = 18;  // little-endian
constexpr uint8_t kProgramFlag = 0x01;
}  // namespace plain128

namespace tifiles {
constexpr int kSectorsHigh = 8;
constexpr int kSectorsLow = 9;
constexpr int kFlags = 10;
constexpr int kRecordsPerSector = 11;
constexpr int kEofOffset = 12;
constexpr int kRecordLength = 13;
constexpr int kLevel3Records = 14;  // little-endian
}  // namespace tifiles

// The image exactly as the FIAD file's bytes: header first. Bytes past the
// file's end are 0.
using FiadImage = std::array<uint8_t, kFiadImageSize>;

enum class HeaderKind { Plain128, Tifiles };

// An image whose name reads "TIFILES" in characters 2 to 8 (after the 0x07
// that leads a TIFILES file) carries the TIFILES header.
HeaderKind HeaderKindOf(std::string_view name);

// The sector count and end-of-file offset where the header kind keeps them.
int SectorCount(const FiadImage& image, HeaderKind kind);
int EofOffset(const FiadImage& image, HeaderKind kind);

// Bytes a FIAD save writes: the header and whole sectors for a plain header,
// up to the end-of-file offset for TIFILES. Kept within 128..16384.
int UsedLength(const FiadImage& image, HeaderKind kind);

// Builds a plain-header program image named `name` (1..10 characters) from
// the first `records` decoded records and the fill of their last sector.
// Refuses (returns false, image untouched) counts above 252, which would not
// fit the 16,384-byte image.
bool BuildPlain128Image(FiadImage& image, std::string_view name, const RecordData& recordData, int records);

// Writes `name` over header bytes 0..9, space-filled.
void WritePlain128Name(FiadImage& image, std::string_view name);

// Turns a TIFILES image into a plain-header image of the same file under a
// new name: the TIFILES magic sits where a plain header keeps its name, so a
// renamed TIFILES image could otherwise be neither saved nor played.
void ConvertTifilesToPlain128(FiadImage& image, std::string_view name);

}  // namespace sonatap
