#include "app/tape_scan.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "app/conversion_run.h"
#include "engine/bit_recogniser.h"
#include "engine/progress.h"
#include "engine/sample_buffer.h"
#include "engine/volume_levels.h"

namespace sonatap {
namespace {

constexpr size_t kStopCheckSamples = 1 << 16;
// A copy that lost bits in a dropout needs as many more than the tape holds.
constexpr int kMaxCutBits = 16;

// Adaptive bridges a dropout in step with the cells, so it reads on past a
// lost mark; the template methods lose the cells' phase there, and what they
// read after a resumed search let checksum collisions through as O.K.
bool ResumesLostFiles(const TuningSettings& tuning) { return tuning.RecognitionMethod == kAdaptiveMethod; }

// A run without its windows: the decoder's events only move the reading
// position and collect what was read.
class Scan final : public DecoderEvents {
 public:
  Scan(const ScanSettings& settings, SampleBuffer& samples)
      : settings_(settings),
        tuning_(settings.tuning),
        decoderSettings_{"", settings.tuning.SkipTime, true, ResumesLostFiles(settings.tuning), true},
        decoder_(state_->decoder, decoderSettings_, *this),
        recogniser_(state_->conversion, tuning_, state_->shapes, decoder_),
        samples_(samples) {
    result_.marksGuesses = settings.tuning.RecognitionMethod == kAdaptiveMethod;
    recogniser_.SetAdaptiveSensitive(settings.sensitive);
    recogniser_.SetAdaptiveIntegrating(settings.integrating);
    recogniser_.SetAdaptiveReadsFaintChanges(false);
  }

  ScanResult Run(const std::atomic<bool>& stop, std::atomic<int64_t>& position);

  void CountBytesRead(const TapeFileHeader& header) override { result_.files.push_back({header, {}}); }
  void CopyRead(const RecordCopy& copy) override {
    if (result_.files.empty()) return;
    CopyReading& reading = result_.files.back().copies.emplace_back();
    reading.record = copy.record;
    reading.secondCopy = copy.secondCopy;
    std::copy(copy.bytes.begin(), copy.bytes.end(), reading.bytes.begin());
    reading.checksumRead = copy.checksumRead;
    reading.good = copy.good;
    reading.markPosition = copy.markPosition;
    MarkGuessed(reading);
    KeepLead(reading);
    // A sum that fits a checksum byte read in part (guessed across a dropout
    // or past the recording's end) fits by chance.
    if (reading.GuessedByte(kRecordBytes * 8)) reading.good = false;
    // A first copy whose sum fits across a dropout, or with its checksum
    // byte read in part, needs a witness that guessed nothing: its twin.
    if (copy.good && reading.Bridged() && !reading.secondCopy) decoder_.DoubtCopy();
  }
  void FileSearchBegun(int64_t skipTo) override {
    recogniser_.BeginFile();
    LoadShapeSet(state_->shapes, tuning_.RecognitionMethod, tuning_.DetectionMethod);
    MoveTo(skipTo);
  }
  void MarkFound(int, CopyState, int64_t) override {
    guessRunsAtMark_ = recogniser_.GuessRuns();
    dataStartBit_ = recogniser_.BitsDelivered();
  }
  void MarkLost(int64_t, int64_t searchFrom) override { MoveTo(searchFrom); }

 private:
  // The decoder's and recogniser's working state (the tape buffers are large).
  struct State {
    ConversionState conversion;
    DecoderState decoder;
    Shapes shapes;
  };
  void MoveTo(int64_t position) {
    samples_.Seek(position);
    recogniser_.Restart();
    moved_ = true;
  }
  void MeasureVolume(int64_t dataStart);
  // Runs the samples of `block` from base on; false once the data mark is lost for good.
  bool Take(std::span<const uint8_t> block, int64_t base, size_t& taken);
  // Which bits of the copy just read were guessed across a dropout.
  void MarkGuessed(CopyReading& reading) const;
  // The bits before the copy just read, where the copy before it lies.
  void KeepLead(CopyReading& reading) const;
  void FinishCutCopy();

  const ScanSettings& settings_;
  TuningSettings tuning_;
  DecoderSettings decoderSettings_;
  std::unique_ptr<State> state_ = std::make_unique<State>();
  RecordDecoder decoder_;
  BitRecogniser recogniser_;
  SampleBuffer& samples_;
  ScanResult result_;
  bool moved_ = false;
  int guessRunsAtMark_ = 0;  // runs of guessed bits before the current copy's data
  int64_t dataStartBit_ = 0;  // the first bit of the current copy's data, in bits delivered
  std::vector<uint8_t> flipped_;  // an inverted block
};

// Marks in `marks`, whose bit 0 is bit `from` delivered, the bits before
// `to` that the newest `runs` runs of guesses covered, back to one that
// ended before `from`; all of them where more runs than the recogniser keeps
// may have fallen there.
template <size_t N>
void MarkGuesses(const BitRecogniser& recogniser, std::bitset<N>& marks, int64_t from, int64_t to, int runs) {
  const auto& guesses = recogniser.RecentGuesses();
  for (int i = 1; i <= std::min(runs, BitRecogniser::kGuessesKept); ++i) {
    const auto& g = guesses[(recogniser.GuessRuns() - i) % BitRecogniser::kGuessesKept];
    if (g.end <= from) return;
    for (int64_t bit = std::max(g.first, from); bit < std::min(g.end, to); ++bit) marks.set(static_cast<size_t>(bit - from));
  }
  if (runs > BitRecogniser::kGuessesKept) marks.set();
}

void Scan::MarkGuessed(CopyReading& reading) const {
  MarkGuesses(recogniser_, reading.guessed, dataStartBit_, dataStartBit_ + static_cast<int64_t>(reading.guessed.size()),
              recogniser_.GuessRuns() - guessRunsAtMark_);
}

void Scan::KeepLead(CopyReading& reading) const {
  const BitLog& log = recogniser_.RecentBits();
  const int64_t first = dataStartBit_ - CopyReading::kLeadBits;
  if (first < 0 || !log.Holds(first, dataStartBit_)) return;
  for (int i = 0; i < CopyReading::kLeadBits; ++i) reading.lead[static_cast<size_t>(i)] = log.Bit(first + i);
  reading.leadPosition = log.Position(first);
  reading.leadRead = true;
  MarkGuesses(recogniser_, reading.leadGuessed, first, dataStartBit_, recogniser_.GuessRuns());
}

// A recording that ends right after the last cell (as an encoder writes it)
// cuts short a last copy that lost bits in a dropout: the bits it still
// needs are unknown, as across a dropout, and with them the copy reaches the
// repair, its damaged place the other copy's to fill.
void Scan::FinishCutCopy() {
  const DecoderState& d = decoder_.State();
  const auto inCopy = [&d] { return d.synchronised && d.recordNumber > 0 && d.copyState != CopyState::SkipSecondCopy; };
  for (int bit = 0; bit < kMaxCutBits && inCopy(); ++bit) recogniser_.DeliverUnknown(1, false);
}

void Scan::MeasureVolume(int64_t dataStart) {
  NoProgress quiet;
  if (!tuning_.AutoVolume || !MeasureAutoVolume(tuning_, samples_, dataStart, quiet)) return;
  if (settings_.inverted) {
    // Upside down the two half-waves change places.
    const float plus = tuning_.VolumePlus;
    tuning_.VolumePlus = -tuning_.VolumeMinus;
    tuning_.VolumeMinus = -plus;
  }
}

ScanResult Scan::Run(const std::atomic<bool>& stop, std::atomic<int64_t>& position) {
  const int64_t dataStart = SampleDataStart(samples_);
  MeasureVolume(dataStart);
  LoadShapeSet(state_->shapes, tuning_.RecognitionMethod, tuning_.DetectionMethod);
  recogniser_.Prepare();
  samples_.Seek(dataStart - 1);
  decoder_.BeginFileSearch(samples_.Position());
  size_t sinceCheck = 0;
  while (!samples_.AtEnd()) {
    std::span<const uint8_t> block = samples_.Peek();
    if (block.empty()) return std::move(result_);
    if (settings_.inverted) {
      if (flipped_.size() < block.size()) flipped_.resize(block.size());
      std::transform(block.begin(), block.end(), flipped_.begin(), [](uint8_t b) { return uint8_t(255 - b); });
      block = {flipped_.data(), block.size()};
    }
    const int64_t base = samples_.Position();
    moved_ = false;
    size_t taken = 0;
    const bool goesOn = Take(block, base, taken);
    if (!moved_) samples_.Skip(taken);
    // A file whose data mark is lost for good ends there; a rescue looks
    // for the files after it.
    if (!goesOn) decoder_.BeginFileSearch(samples_.Position());
    if ((sinceCheck += taken) >= kStopCheckSamples) {
      sinceCheck = 0;
      position.store(samples_.Position(), std::memory_order_relaxed);
      if (stop.load(std::memory_order_relaxed)) return std::move(result_);
    }
  }
  recogniser_.FinishAdaptive();
  FinishCutCopy();
  result_.complete = true;
  return std::move(result_);
}

bool Scan::Take(std::span<const uint8_t> block, int64_t base, size_t& i) {
  while (i < block.size()) {
    if (recogniser_.Adaptive()) {
      bool lost = false;
      i += recogniser_.TakeAdaptive(block.data() + i, block.size() - i, base + static_cast<int64_t>(i), lost);
      if (lost) return false;
      if (moved_) return true;
      continue;
    }
    if (const size_t run = recogniser_.TakeCellMiddle(block.data() + i, block.size() - i); run > 0) {
      i += run;
      continue;
    }
    const uint8_t byte = block[i++];
    if (recogniser_.ProcessSample(byte, base + static_cast<int64_t>(i))) return false;
    if (moved_) return true;
  }
  return true;
}

}  // namespace

// A scan that misses a block can go on a block late: it takes a record's
// second copy for its first, the next record's first copy for its second,
// and so on. Blocks lie a block's length apart, so each step between two
// readings, in blocks (the length measured on this file: the deck's
// speed), is what their numbers must step.
void NumberCopiesByPlace(ScannedFile& file) {
  std::vector<CopyReading*> order;
  for (CopyReading& c : file.copies) order.push_back(&c);
  std::stable_sort(order.begin(), order.end(),
                   [](const CopyReading* a, const CopyReading* b) { return a->markPosition < b->markPosition; });
  const auto block = [](const CopyReading& c) { return 2 * (c.record - 1) + static_cast<int>(c.secondCopy); };
  std::vector<int64_t> steps;
  for (size_t i = 1; i < order.size(); ++i)
    if (block(*order[i]) - block(*order[i - 1]) == 1) steps.push_back(order[i]->markPosition - order[i - 1]->markPosition);
  if (steps.size() < 4) return;
  std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
  const double length = static_cast<double>(steps[steps.size() / 2]);
  int late = 0;
  int previous = block(*order[0]);
  for (size_t i = 1; i < order.size(); ++i) {
    CopyReading& c = *order[i];
    const double apart = static_cast<double>(c.markPosition - order[i - 1]->markPosition) / length;
    int number = block(c) + late;
    if (apart >= 0.5) {
      const int blocks = static_cast<int>(std::lround(apart));
      late += previous + blocks - number;
      number = previous + blocks;
    }
    c.record = number / 2 + 1;
    c.secondCopy = number % 2 != 0;
    previous = number;
  }
}

namespace {

// A copy and its twin agree on all but their damaged places, and on those
// before one where a copy slipped; bits a few out of step, or another
// stretch of tape, agree on a byte now and then. (Three quarters, rather
// than half, left a first copy unread that slipped in a dropout of its own
// from byte 48 on.)
constexpr int kTwinBytes = kRecordBytes / 2;
// A scan's own reading of a first copy lies where the bits before its twin
// put it, within half a byte.
constexpr int64_t kInPlaceSamples = 4 * kCellSamples;

// The copy before `after`, `twin`'s twin, as the bits `start` on in
// `after`'s lead read it.
CopyReading FromLead(const CopyReading& after, const CopyReading& twin, int start) {
  CopyReading copy;
  copy.record = twin.record;
  copy.secondCopy = !twin.secondCopy;
  for (int k = 0; k <= kRecordBytes; ++k) {
    int value = 0;
    for (int b = 0; b < 8; ++b) {
      const auto bit = static_cast<size_t>(start + 8 * k + b);
      value = value << 1 | static_cast<int>(after.lead[bit]);
      if (after.leadGuessed[bit]) copy.guessed.set(static_cast<size_t>(8 * k + b));
    }
    if (k < kRecordBytes) copy.bytes[static_cast<size_t>(k)] = static_cast<uint8_t>(value);
    else copy.checksumRead = value;
  }
  // The lead's bits lie evenly from its first to `after`'s mark.
  const double perBit = static_cast<double>(after.markPosition - after.leadPosition) / (CopyReading::kLeadBits - 1);
  copy.markPosition = after.leadPosition + std::llround(perBit * (start - 1));
  return copy;
}

// Bytes the two read alike, neither guessing them.
int TwinAgreement(const CopyReading& a, const CopyReading& b) {
  int same = 0;
  for (int k = 0; k <= kRecordBytes; ++k)
    same += !a.GuessedByte(8 * k) && !b.GuessedByte(8 * k) && a.Byte(k) == b.Byte(k);
  return same;
}

// The copy before `after` out of its lead, where it agrees best with its
// `twin` (nearest its place on a tie: a record of repeated bytes agrees at
// several).
std::optional<CopyReading> CopyBefore(const CopyReading& after, const CopyReading& twin) {
  std::optional<CopyReading> best;
  int bestAgreement = kTwinBytes - 1;
  for (int slip = 0; slip <= kLeadSlackBits; ++slip)
    for (const int start : {kLeadSlackBits - slip, kLeadSlackBits + slip}) {
      if (start < 0 || start + (kRecordBytes + 1) * 8 > CopyReading::kLeadBits) continue;
      CopyReading copy = FromLead(after, twin, start);
      if (const int agreement = TwinAgreement(copy, twin); agreement > bestAgreement) {
        bestAgreement = agreement;
        best = copy;
      }
    }
  return best;
}

}  // namespace

void ReadMissedCopies(ScannedFile& file) {
  const auto find = [&file](int record, bool secondCopy) {
    return std::find_if(file.copies.begin(), file.copies.end(),
                        [&](const CopyReading& c) { return c.record == record && c.secondCopy == secondCopy; });
  };
  std::vector<CopyReading> missed;
  for (const CopyReading& after : file.copies) {
    if (!after.leadRead) continue;
    // Before a second copy lies its first; before a first, the record before's second.
    const auto twin = after.secondCopy ? find(after.record, true) : find(after.record - 1, false);
    // A twin verified across no dropout needs no other copy.
    if (twin == file.copies.end() || (twin->good && !twin->Bridged())) continue;
    const std::optional<CopyReading> copy = CopyBefore(after, *twin);
    if (!copy) continue;
    const auto own = find(copy->record, copy->secondCopy);
    if (own == file.copies.end()) missed.push_back(*copy);
    // A reading from a false mark later in the copy gives way: scans of one
    // method that read a byte two ways hold neither. One its checksum
    // verified is the copy, wherever the lead puts it. A reading that lies
    // before the place the lead gives is one from its own mark, and `after`
    // is the one read from a false mark in its data: the lead lies as late
    // as `after`, and a copy read out of it agrees with `after` all the same
    // (slipped alike).
    else if (!own->good && own->markPosition - copy->markPosition > kInPlaceSamples) *own = *copy;
  }
  file.copies.insert(file.copies.end(), missed.begin(), missed.end());
}

ScanResult ScanRecording(const std::string& wavPath, const ScanSettings& settings, const std::atomic<bool>& stop,
                         std::atomic<int64_t>& position) {
  SampleBuffer samples;
  if (!samples.Open(wavPath)) return {};
  Scan scan(settings, samples);
  ScanResult result = scan.Run(stop, position);
  for (ScannedFile& file : result.files) {
    NumberCopiesByPlace(file);
    ReadMissedCopies(file);
  }
  return result;
}

}  // namespace sonatap
