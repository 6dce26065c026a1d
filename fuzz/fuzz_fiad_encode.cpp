// Arbitrary bytes through the FIAD reading rules, then whatever they accept
// through the tape synthesis.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "format/fiad_file.h"
#include "format/fiad_image.h"
#include "engine/tape_synthesis.h"

namespace {
class CountingSink final : public sonatap::ByteSink {
 public:
  void Write(const uint8_t*, size_t count) override { total += count; }
  size_t total = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace sonatap;
  const std::span<const uint8_t> bytes(data, size);
  const std::string probe = ProbeString(bytes);
  if (!FiadRecordCount(probe, bytes, size)) return 0;
  auto image = std::make_unique<FiadImage>();
  std::copy(data, data + std::min<size_t>(size, image->size()), image->begin());
  const HeaderKind kind = HeaderKindOf(probe);
  const int records = TapeRecordCount(*image, kind);
  if (!TapeRecordCountProblem(records).empty()) return 0;
  Shapes shapes;
  LoadShapeSet(shapes, 1 + size % 5, 1);
  CountingSink sink;
  WriteTapeImage(*image, kind, shapes.set, sink, nullptr);
  if (sink.total != static_cast<size_t>(TapeSampleCount(records))) __builtin_trap();
  (void)UsedLength(*image, kind);
  return 0;
}
