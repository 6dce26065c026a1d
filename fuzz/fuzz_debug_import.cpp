// Arbitrary text through the debug records importer, then exported again.
#include <cstdint>
#include <memory>
#include <string_view>

#include "app/debug_records_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  auto store = std::make_unique<DebugStore>();
  ImportDebugRecordsText(*store, std::string_view(reinterpret_cast<const char*>(data), size));
  store->count = size % (DebugStore::kRows + 1);
  auto tape = std::make_unique<TapeByteStream>();
  (*tape)[2] = (*tape)[3] = 1;
  const std::string text = DebugRecordsText(*store, *tape);
  // What was exported reads back to the same bytes.
  auto again = std::make_unique<DebugStore>();
  ImportDebugRecordsText(*again, text);
  for (int row = 1; row <= std::min(store->count, 255); ++row) {
    if (again->rows[row].data != store->rows[row].data) __builtin_trap();
  }
  return 0;
}
