// Arbitrary bytes as a loaded FIAD, listed as the listing window lists it:
// the walk must stay inside the work array and give either program lines or
// the two error lines.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "app/program_facts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  if (size < 1) return 0;
  // The first byte chooses the record count and the marker option; the rest
  // is the FIAD file.
  const int records = data[0] >> 1;
  const bool showRecords = (data[0] & 1) != 0;
  auto list = std::make_unique<FiadList>();
  FiadSlot& slot = list->Slot(1);
  slot.occupied = true;
  slot.recordCount = records + (size - 1) / 64;
  std::copy(data + 1, data + 1 + std::min<size_t>(size - 1, slot.image.size()), slot.image.begin());
  slot.image[0] = 'P', slot.image[1] = ' ';  // a name to find it by

  auto stream = std::make_unique<TapeByteStream>();
  const auto listing = ShowBasicListing(*list, "P", *stream, showRecords);
  if (!listing || listing->factsLines.size() != 5) __builtin_trap();
  const auto& lines = listing->sourceLines;
  const bool corrupt = lines.size() == 2 && lines[0] == kCorruptLine1 && lines[1] == kCorruptLine2;
  if (!corrupt) {
    for (const std::string& line : lines)
      if (line.empty() || !(line[0] == '<' || (line[0] >= '0' && line[0] <= '9'))) __builtin_trap();
  }
  if (std::any_of(stream->begin(), stream->end(), [](uint8_t b) { return b != 0; })) __builtin_trap();
  return 0;
}
