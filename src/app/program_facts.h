#pragma once
// What the "TI BASIC Source" window shows for a loaded FIAD: the facts of its
// FIAD header and program header, and the program's listing.
#include <optional>
#include <string>
#include <vector>

#include "format/detokenizer.h"
#include "app/fiad_list.h"

namespace sonatap {

// The header facts, one text per line:
//   FIAD Label: <header bytes 0-9, a 0 byte adding nothing; "TIFILES" for a TIFILES header>
//   First Line Address: <4 upper-case hex digits> Hex
//   Start File Address: <...> Hex
//   End Address: <...> Hex
//   <sectors> Records <sectors * 256> Bytes
// The sector count is the one header byte where the header kind keeps its
// low byte, so counts of 256 and more show modulo 256.
std::vector<std::string> ProgramFactsLines(const ProgramImage& image);

// The lines as the InfoArea holds them: CR LF between them, none after the last.
std::string ProgramFactsText(const ProgramImage& image);

// Fills `programImage` with the slot's image: entries 1 to 64 * N + 384 - e,
// N being the slot's record count and e its end-of-file byte (header byte 16,
// 256 for 0), which covers the header and the N records whichever way the
// image was made. Entries after those are left as they are; nothing is read
// past the image.
void CopyIntoProgramImage(const FiadSlot& slot, ProgramImage& programImage);

struct BasicListing {
  std::vector<std::string> factsLines;   // InfoArea
  std::vector<std::string> sourceLines;  // SourceArea
  std::string InfoText() const;          // lines joined by CR LF, the last without one
  std::string SourceText() const;        // every line followed by CR LF
};

// The listing of the image listed as `entryName` in `list` (found by its
// name as the list finds images), or nothing when no slot has that name.
// Works in `programImage`, the decoder's TapeByteStream, and leaves it zeroed.
std::optional<BasicListing> ShowBasicListing(const FiadList& list, const std::string& entryName,
                                             ProgramImage& programImage, bool showRecords);

}  // namespace sonatap
