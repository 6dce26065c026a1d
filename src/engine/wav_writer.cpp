#include "engine/wav_writer.h"

#include "engine/file_writer.h"
#include "engine/tape_synthesis.h"

namespace sonatap {

const std::array<uint8_t, 40> WavHeaderTemplate = {
    'R', 'I', 'F', 'F', 0, 0, 0, 0,           // RIFF length, filled in
    'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',   //
    16, 0, 0, 0,                               // format chunk length
    1, 0, 1, 0,                                // PCM, one channel
    0x44, 0xAC, 0, 0, 0x44, 0xAC, 0, 0,        // 44100 samples and bytes per second
    1, 0, 8, 0,                                // block alignment 1, 8 bits
    'd', 'a', 't', 'a'};

void PutLittleEndian32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::array<uint8_t, kWavHeaderSize> WavHeader(uint32_t dataLength) {
  std::array<uint8_t, kWavHeaderSize> header{};
  std::copy(WavHeaderTemplate.begin(), WavHeaderTemplate.end(), header.begin());
  PutLittleEndian32(header.data() + kRiffLengthOffset, 36 + dataLength);
  PutLittleEndian32(header.data() + 40, dataLength);
  return header;
}

std::string WavFileName(const std::string& chosenPath) {
  return EndsWith(chosenPath, ".wav") || EndsWith(chosenPath, ".WAV") ? chosenPath : chosenPath + ".wav";
}

std::optional<WavWriteError> WriteWavFile(const std::string& path, const FiadImage& image, HeaderKind kind,
                                        const ShapeSet& shapes, ProgressWindow& progress) {
  const int records = TapeRecordCount(image, kind);
  if (std::string problem = TapeRecordCountProblem(records); !problem.empty()) return WavWriteError{true, problem};

  AtomicFileWriter file(path);
  if (!file.Open()) return WavWriteError{false, WriteErrorText(path)};

  file.Write(WavHeader(static_cast<uint32_t>(TapeSampleCount(records))));

  progress.Open("Saving Wav", records * kRecordBytes);
  WriteTapeImage(image, kind, shapes, file, [&progress](int position) { progress.SetValue(position); });
  progress.Close();
  if (!file.Commit()) return WavWriteError{false, WriteErrorText(path)};
  return std::nullopt;
}

}  // namespace sonatap
