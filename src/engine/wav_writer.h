#pragma once
// WAV files of tape sound: canonical PCM, 8-bit unsigned, mono, 44100 Hz.
//
//   offset size content
//   0      4    "RIFF"
//   4      4    36 + data length (little-endian, as all numbers here)
//   8      4    "WAVE"
//   12     4    "fmt "
//   16     4    16, the format chunk's length
//   20     2    1 (PCM)
//   22     2    1 channel
//   24     4    44100 samples per second
//   28     4    44100 bytes per second
//   32     2    1, block alignment
//   34     2    8 bits per sample
//   36     4    "data"
//   40     4    data length
//   44     ...  the samples
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "format/fiad_image.h"
#include "engine/progress.h"
#include "format/bit_shapes.h"

namespace sonatap {

constexpr int kWavHeaderSize = 44;
constexpr int kRiffLengthOffset = 4;

// Bytes 0..39 of every file written; the RIFF length is filled in per file.
extern const std::array<uint8_t, 40> WavHeaderTemplate;

// A WAV length field (least significant byte first).
void PutLittleEndian32(uint8_t* at, uint32_t value);

// The whole header of a file holding `dataLength` samples.
std::array<uint8_t, kWavHeaderSize> WavHeader(uint32_t dataLength);

// ".wav" is appended unless the path ends in exactly ".wav" or ".WAV".
std::string WavFileName(const std::string& chosenPath);

// Why a WAV file was not written: the image cannot go on tape (`refused`),
// or the file could not be written.
struct WavWriteError {
  bool refused = false;
  std::string text;
  bool operator==(const WavWriteError&) const = default;
};

// Writes the image as tape sound to `path` (used as given); nothing on
// success. `progress` sees 0..N*64.
std::optional<WavWriteError> WriteWavFile(const std::string& path, const FiadImage& image, HeaderKind kind,
                                        const ShapeSet& shapes, ProgressWindow& progress);

}  // namespace sonatap
