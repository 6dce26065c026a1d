#include <iostream>
#include <memory>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/cli_text.h"
#include "engine/input_file.h"
#include "format/bit_shapes.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"
#include "app/tuning_schema.h"

namespace sonatap::cli {

namespace {

template <size_t N>
std::vector<std::string> OptionNames(const std::array<TuningMethodName, N>& methods) {
  std::vector<std::string> names;
  for (const TuningMethodName& m : methods) names.emplace_back(m.option);
  return names;
}

}  // namespace

const std::vector<std::string> kRecognitionNames = OptionNames(kRecognitionMethods);
const std::vector<std::string> kDetectionNames = OptionNames(kDetectionMethods);

int RunEncode(const std::vector<std::string>& words) {
  const Args args(words, {"recognition"}, {});
  if (args.Positional().size() != 2) throw UsageError("encode needs IN and OUT");
  const int recognition = args.Method("recognition", kRecognitionNames, 1);

  auto image = std::make_unique<FiadImage>();
  const InputFile input = ReadInputFile(args.Positional()[0], *image);
  if (input.kind == InputKind::Unreadable) return Fail(kAccessErrorText, 2);
  if (input.kind == InputKind::Wav) return Fail("This is a WAV recording, not a FIAD file.", 2);
  if (input.kind == InputKind::Refused) return Fail(kRefusalText, 2);

  Shapes shapes;
  LoadShapeSet(shapes, recognition, 1);
  const std::string out = WavFileName(args.Positional()[1]);
  const HeaderKind kind = HeaderKindOf(input.probe);
  NoProgress progress;
  if (auto error = WriteWavFile(out, *image, kind, shapes.set, progress))
    return Fail(error->text, error->refused ? 2 : 1);
  const int records = TapeRecordCount(*image, kind);
  std::cerr << "wrote " << out << " (" << records << " records, " << 44 + TapeSampleCount(records) << " bytes)\n";
  return 0;
}

}  // namespace sonatap::cli
