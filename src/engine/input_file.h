#pragma once
// Telling a WAV recording from a FIAD file by its first bytes.
#include <cstdint>
#include <string>

#include "format/fiad_image.h"

namespace sonatap {

enum class InputKind { Unreadable, Wav, Fiad, Refused };

struct InputFile {
  InputKind kind = InputKind::Unreadable;
  std::string probe;    // ProbeString: the image's name for a FIAD
  int recordCount = 0;  // FIAD only
};

// Reads the first bytes of `path`. A WAV recording must start with "RIFF" and
// say 44100 Hz (the low 16 bits at offsets 24-25) and one byte per sample
// frame (offset 32); other header fields are not examined. Failing that, the
// FIAD reading rules decide; a FIAD's bytes are copied into `image` (the
// rest of it zeroed).
InputFile ReadInputFile(const std::string& path, FiadImage& image);

inline constexpr const char* kAccessErrorText = "Error accessing file.";
extern const char* const kRefusalText;

}  // namespace sonatap
