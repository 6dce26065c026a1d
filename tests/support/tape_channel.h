#pragma once
// A model of the way from a cassette to a sound card: takes a clean tape
// recording and plays it through a described set of faults (speed error,
// wow and flutter, filters, hum, hiss, dropouts, the sound card's format and
// channels), deterministically for a given seed.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace sonatap::channel {

constexpr int kCleanRate = 44100;  // clean recordings are 8-bit mono at this rate

// A mono recording as levels -1..+1 around the middle line.
struct Recording {
  int rate = kCleanRate;
  std::vector<float> samples;
};

// Reads any file libsndfile reads (the first channel); empty on failure.
Recording ReadRecording(const std::string& path);

// Where one copy of a record lies in a clean recording, in its samples:
// from the data mark to the end of the checksum.
struct CopySpan {
  int record = 0;  // from 1
  int copy = 0;    // 1 or 2
  int64_t begin = 0, end = 0;
};

// A clean tape file read back by its changes of level: the tape's bytes
// from the data mark after the leader, where each copy of each record lies,
// and the record count the tape announces.
struct TapeMap {
  int records = 0;
  double cellSamples = 0;
  int64_t sync = 0;                                 // where the data mark after the leader begins
  std::vector<uint8_t> bytes;                       // mark, count, count, then blocks
  std::vector<std::vector<uint8_t>> recordData;     // per record, the first copy's 64 bytes
  std::vector<CopySpan> copies;
};

// Maps a clean recording of one tape file; records == 0 when no tape file
// is found. Not a decoder: it needs a clean signal.
TapeMap MapTape(const Recording& clean);

// Several tape files saved one after the other on one side of a cassette.
struct Side {
  Recording clean;
  TapeMap map;                   // every file's copies, records numbered on across the side
  std::vector<TapeMap> files;    // each file's own map (positions within its own recording)
  std::vector<int> firstRecord;  // each file's record 1 as numbered in `map`
  std::vector<int64_t> syncs;    // where each file's data mark after the leader lies on the side
};

// Puts the clean recordings of tape files on one side with gaps of
// minGap..maxGap seconds between them, as a user leaves while typing the
// next SAVE: erased tape, with the click of the record key and a burst of
// the bias noise in some of them. An empty side when a recording holds no
// tape file.
Side ComposeSide(const std::vector<Recording>& files, double minGapSeconds, double maxGapSeconds, uint32_t seed);

enum class SampleFormat { U8, S16, Float };
enum class Container { Wav, Flac };  // FLAC holds 8 or 16 bits, not float
enum class Channels {
  Mono,
  DeadLeft,  // stereo: the tape on the right, only the card's noise on the left
  Azimuth,   // stereo: the right channel 0.35 ms late and dulled (a skewed head)
};

// Takes out one copy of one record for a while (lost tape contact).
struct Dropout {
  int record = 1;
  int copy = 1;
  double ms = 5;
  double at = -1;  // where it starts, as a share of the copy from its data mark; below 0 a seeded place
};

// How a scatter of dropouts meets the two copies of a record.
enum class Hit {
  OneCopy,    // one copy of the record; the other is whole
  BothApart,  // both copies, one in each half: every byte is whole in one copy
  BothSame,   // both copies at the same bytes: nothing on tape holds them
};

// `count` dropouts (`count` pairs for the kinds that hit both copies), each
// minMs..maxMs long, at seeded records and places of `map`; no record is
// hit twice before every record has been hit once.
std::vector<Dropout> ScatterDropouts(const TapeMap& map, int count, Hit hit, double minMs, double maxMs,
                                     uint32_t seed);
// The records of `map` that placed dropouts hit in both copies within a
// byte of each other: the bytes there are on neither copy.
std::set<int> WipedInBoth(const TapeMap& map, const std::vector<Dropout>& dropouts);

// Every fault off by default; decibels are relative to the clean peak.
struct Impairments {
  double speed = 1.0;          // 1.05: the deck runs 5 % fast
  double drift = 0;            // 0.07: the motor runs 7 % slow at the start, 7 % fast at the end, linearly
  double wow = 0, wowHz = 0.5;  // depth as a fraction of the speed
  double flutter = 0, flutterHz = 10;
  double highPassHz = 0;        // first order: 40 Hz keeps square cells, 1.2 kHz makes spikes
  double lowPassHz = 0;         // two first-order poles (head gap and playback losses)
  int lowPassOrder = 0;         // above 0: a Butterworth of this even order instead (dull heads: nothing left above)
  double fadeDb = 0, fadeHz = 3;  // the level sinks by fadeDb and comes back fadeHz times a second (poor contact)
  double clipAt = 0;            // above 0: the sound card clips at this share of the clean peak
  double humDb = -200, humHz = 50;
  double noiseDb = -200;        // white hiss
  double levelDb = 0;           // the sound card's recording level
  double dcOffset = 0;          // in full scale
  bool invert = false;
  std::vector<Dropout> dropouts;
  // Blank tape the deck plays after the last cell before the recording
  // stops; without it the filters' delay pushes the last cell out of the
  // recording. 0: the recording ends with the last cell, as an encoder writes it.
  double runOutSeconds = 0.25;
  int rate = kCleanRate;
  SampleFormat format = SampleFormat::U8;
  Channels channels = Channels::Mono;
  Container container = Container::Wav;

  // What the classic reader opens: an 8-bit mono WAV at the clean rate.
  bool PlainWav() const {
    return rate == kCleanRate && format == SampleFormat::U8 && channels == Channels::Mono &&
           container == Container::Wav;
  }
};

// Plays `clean` through the faults; frames of one or two channels at
// `faults.rate`.
std::vector<std::vector<float>> Play(const Recording& clean, const TapeMap& map, const Impairments& faults,
                                     uint32_t seed);

// When the sample `at` of a clean recording of `length` samples passes the
// head, in seconds of the recording the faults make (the motor's speed and
// drift; wow and flutter move it by milliseconds only).
double PlayedSeconds(const Impairments& faults, int64_t at, int64_t length);

// Plays and writes a file in the container and format the faults name;
// false on failure.
bool WriteImpaired(const Recording& clean, const TapeMap& map, const Impairments& faults, uint32_t seed,
                   const std::string& path);

}  // namespace sonatap::channel
