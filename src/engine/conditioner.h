#pragma once
// Conditioning: a recording as a sound card makes it (any rate, width,
// channels, level, speed) turned into the form the decoder reads, an 8-bit
// unsigned mono 44100 Hz WAV with 32-sample cells, cleaned on the way.
//
//   1. A first pass over every channel measures the tape's signal in the
//      500 Hz - 4 kHz band (the channel that carries the tape is the stronger;
//      channels are never mixed, since a skewed head puts them out of phase)
//      and times the changes of level, whose most common interval is the cell
//      of the leaders (768 zero bytes before each file: 6,144 equal cells).
//   2. A second pass takes that channel through a high-pass (DC, mains hum)
//      and a low-pass (hiss), resamples it so that cells are 32 samples again
//      (which undoes the deck's speed error), and brings it to the level the
//      start settings expect with a slow automatic gain that follows fades but
//      not single cells.
#include <string>

#include "engine/progress.h"

namespace sonatap {

class GrowingFile;

struct ConditionOptions {
  int channel = 0;  // 0: the channel that carries the tape; else 1-based
  // The high-pass under the cells (DC, hum, rumble). Higher keeps the 1s'
  // middle changes of some shapes sharper after long runs of 0s, lower
  // spares the spikes of a deck that already cuts the bass.
  double humCorner = 250;
  // A steep low-pass just above the 1s' tone in place of the hiss filter:
  // keeps only the cells' fundamentals, for hiss that a fading level leaves
  // close to the cells (a rescue's extra copy; spiky shapes lose their edges).
  bool dull = false;
};

struct ConditionOutcome {
  bool ok = false;
  bool notAudio = false;      // libsndfile does not know the file at all
  bool outputFailed = false;  // the recording was fine, writing the result was not
  std::string error;    // why nothing was written
  std::string summary;  // "Conditioned: 16-bit stereo 48000 Hz, right channel, +18 dB, speed +3.9%"
  std::string format;   // the recording's, "16-bit stereo 48000 Hz"
  double timeScale = 1; // seconds of the recording per second of the conditioned one
  int channel = 0;      // the channel taken, 1-based
  int channels = 0;     // of the recording
};

// Writes `outPath` whole or not at all; the input is only read. With
// `growing`, another thread reads `outPath` while it is written (and on a
// failure the bytes it read are not a recording).
ConditionOutcome ConditionRecording(const std::string& inPath, const std::string& outPath,
                                    const ConditionOptions& options, ProgressWindow& progress,
                                    GrowingFile* growing = nullptr);

// "left", "right", "auto" or a channel number, as the CLI takes it; -1 when
// the text is none of these.
int ParseChannelChoice(const std::string& text);

}  // namespace sonatap
