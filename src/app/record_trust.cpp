#include "app/record_trust.h"

#include <algorithm>
#include <array>

#include "app/copy_stitching.h"

namespace sonatap {
namespace {

// Whether `y` read some byte (the checksum byte too) otherwise than `x` has
// it, kSlipBytes or more after any byte it guessed: the bytes just after a
// dropout a reading bridged are often misread (it slipped, or the signal
// came back slowly).
constexpr int kSlipBytes = 8;
bool ReadOtherwiseAwayFromGuesses(const CopyReading& y, const CopyReading& x) {
  int sinceGuess = kSlipBytes;
  for (int k = 0; k <= kRecordBytes; ++k) {
    sinceGuess = y.GuessedByte(k * 8) ? 0 : sinceGuess + 1;
    if (sinceGuess > kSlipBytes && y.Byte(k) != x.Byte(k)) return true;
  }
  return false;
}

// Whether two witnesses verified readings that guessed across a dropout and
// read `x` otherwise well away from it, alike: `x` may have read a dropout
// as garbage without marking it, and scans that mark nothing read it alike.
bool Disputed(const std::vector<RecordReading>& readings, const CopyReading& x) {
  const auto disputes = [&](const RecordReading& r) {
    return r.Copy().good && r.Copy().Bridged() && ReadOtherwiseAwayFromGuesses(r.Copy(), x);
  };
  return std::any_of(readings.begin(), readings.end(), [&](const RecordReading& r) {
    return disputes(r) && std::any_of(readings.begin(), readings.end(), [&](const RecordReading& q) {
             return WitnessOf(q.witnessed) != WitnessOf(r.witnessed) && q.Copy().bytes == r.Copy().bytes && disputes(q);
           });
  });
}

// Whether two witnesses read some byte of `x` (the checksum byte too)
// alike and otherwise, neither guessing it.
bool HeldOtherwise(std::span<const Witnessed> witnessed, const CopyReading& x) {
  for (int k = 0; k <= kRecordBytes; ++k)
    if (HeldOtherwise(witnessed, k, x.Byte(k))) return true;
  return false;
}

// Whether `y` read every byte it did not guess as `x` has it, but where
// `mayDiffer`.
template <typename MayDiffer>
bool InStep(const CopyReading& y, const CopyReading& x, MayDiffer mayDiffer) {
  for (int k = 0; k <= kRecordBytes; ++k)
    if (!y.GuessedByte(k * 8) && y.Byte(k) != x.Byte(k) && !mayDiffer(k)) return false;
  return true;
}

// Whether `x` read a dropout's noise as data: a reading of its copy, in
// step with it, guessed some bytes across a dropout that no reading of the
// other copy guessed, and two witnesses of that copy, in step with `x` but
// there, read one of them alike and otherwise. The byte just after such a
// place may differ too: `x` read on in noise there (at the end of a record,
// a checksum byte that fits the noise), where the signal was back for the
// reading that marked the dropout.
bool ReadNoiseWhereLost(std::span<const Witnessed> witnessed, const CopyReading& x) {
  std::array<bool, kRecordBytes + 1> lost{};
  for (const Witnessed& w : witnessed) {
    const CopyReading& y = *w.reading;
    if (y.secondCopy != x.secondCopy || !InStep(y, x, [&y](int k) { return k > 0 && y.GuessedByte((k - 1) * 8); }))
      continue;
    for (int k = 0; k <= kRecordBytes; ++k) lost[k] |= y.GuessedByte(k * 8);
  }
  for (int k = 0; k <= kRecordBytes; ++k) lost[k] = lost[k] && !CopyWiped(witnessed, !x.secondCopy, k);
  const auto nearLost = [&lost](int k) { return lost[k] || (k > 0 && lost[k - 1]); };
  std::vector<Witnessed> twin;
  for (const Witnessed& w : witnessed)
    if (w.reading->secondCopy != x.secondCopy && InStep(*w.reading, x, nearLost)) twin.push_back(w);
  for (int k = 0; k <= kRecordBytes; ++k)
    if (lost[k] && HeldOtherwise(twin, k, x.Byte(k))) return true;
  return false;
}

// A method that reads cells by templates or crossings marks no dropout: it
// loses or gains a bit or two in one (and Adaptive may find a data mark a
// bit late in one) and reads on shifted, the checksum byte too, and about
// one such reading in 256 passes the checksum. Methods slip alike, on every
// source and in both copies where both lost one place, so readings alike
// prove nothing. A scan that bridged the dropout, guessing its bits, kept
// its frame: after it, it reads what the slipped reading has, shifted, and
// so does another witness. The byte on each side of the guesses may differ
// (the signal fades before a dropout shows and comes back slowly); past
// them, all that the scans read must agree, kShiftedBytes at least.
constexpr int kShiftedBytes = 4;

// The first byte `y` reads a byte past the first dropout it guessed across,
// where it read the bytes before it (but the last) as `x` has them; or -1.
int PastFirstDropout(const CopyReading& y, const CopyReading& x) {
  int k = 0;
  while (k <= kRecordBytes && !y.GuessedByte(k * 8)) ++k;
  if (k > kRecordBytes || !InStep(y, x, [k](int j) { return j + 1 >= k; })) return -1;
  while (k <= kRecordBytes && y.GuessedByte(k * 8)) ++k;
  return k + 1;
}

// Whether `y` reads all it did not guess from byte `from` on as `x` has it
// `shift` bits along, and mostly not as `x` has it.
bool ReadsShifted(const CopyReading& y, const CopyReading& x, int from, int shift) {
  int read = 0, shifted = 0, asIs = 0;
  for (int j = from; j <= kRecordBytes; ++j) {
    const int value = ShiftedByte(x, shift, j);
    if (value < 0 || y.GuessedByte(j * 8)) continue;
    ++read;
    shifted += value == y.Byte(j);
    asIs += x.Byte(j) == y.Byte(j);
  }
  return read >= kShiftedBytes && shifted == read && 2 * asIs < read;
}

// Whether `x` slipped in a dropout and passed its checksum by chance: a
// witness that bridged a dropout of its copy, and another, read on after it
// as `x` would shifted.
bool SlippedUnmarked(const std::vector<RecordReading>& readings, const RecordReading& candidate) {
  const CopyReading& x = candidate.Copy();
  if (x.Bridged()) return false;
  const auto sameCopyOtherWitness = [&](const RecordReading& r) {
    return r.Copy().secondCopy == x.secondCopy && WitnessOf(r.witnessed) != WitnessOf(candidate.witnessed);
  };
  for (const RecordReading& bridging : readings) {
    if (!sameCopyOtherWitness(bridging) || !bridging.Copy().Bridged()) continue;
    const int from = PastFirstDropout(bridging.Copy(), x);
    if (from < 0) continue;
    for (int shift = -kMaxSlipBits; shift <= kMaxSlipBits; ++shift) {
      if (shift == 0 || !ReadsShifted(bridging.Copy(), x, from, shift)) continue;
      if (std::any_of(readings.begin(), readings.end(), [&](const RecordReading& r) {
            return sameCopyOtherWitness(r) && WitnessOf(r.witnessed) != WitnessOf(bridging.witnessed) &&
                   ReadsShifted(r.Copy(), x, from, shift);
          }))
        return true;
    }
  }
  return false;
}

}  // namespace

const char* VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return "O.K.";
    case Verdict::Repaired: return "repaired";
    case Verdict::Bad: break;
  }
  return "BAD";
}

RescuedRecord TrustedRecord(const std::vector<RecordReading>& readings) {
  RescuedRecord result;
  if (readings.empty()) return result;
  result.position = readings.front().Copy().markPosition;
  int bestSupport = 0;
  const CopyReading* firstVerified = nullptr;
  std::vector<Witnessed> all;
  for (const RecordReading& r : readings) all.push_back(r.witnessed);
  for (const RecordReading& candidate : readings) {
    const CopyReading& x = candidate.Copy();
    if (!x.good || SlippedUnmarked(readings, candidate)) continue;
    if (firstVerified && x.bytes != firstVerified->bytes) result.conflict = true;
    if (!firstVerified) firstVerified = &x;
    const bool disputed = Disputed(readings, x);
    const bool heldOtherwise = HeldOtherwise(all, x);
    const bool readNoise = ReadNoiseWhereLost(all, x);
    bool corroborated = false, contradicted = false;
    for (const RecordReading& other : readings) {
      const CopyReading& y = other.Copy();
      if (WitnessOf(other.witnessed) == WitnessOf(candidate.witnessed)) continue;
      // Two readings that guessed across the same dropout guess alike.
      const bool guessedAlike = x.Bridged() && y.Bridged();
      // So do two of a disputed copy that guessed nothing, unless one of
      // them marks dropouts and saw none there.
      const bool unmarkedAlike = disputed && y.secondCopy == x.secondCopy && !(other.witnessed.marksGuesses && !y.Bridged());
      // A method that slipped where both copies lost the same place slips
      // alike in both: its other copy holds nothing that two other witnesses
      // read otherwise.
      const bool slippedAlike = other.witnessed.family == candidate.witnessed.family && heldOtherwise;
      // Readings of a copy that marked nothing where it was lost read the
      // dropout's noise alike, whatever their source or method.
      const bool noisedAlike = y.secondCopy == x.secondCopy && readNoise;
      corroborated |= y.bytes == x.bytes && !guessedAlike && !unmarkedAlike && !slippedAlike && !noisedAlike;
      // A reading bridged across a dropout proves nothing against one that
      // was not, unless that one is disputed.
      contradicted |= y.good && y.bytes != x.bytes && (!y.Bridged() || x.Bridged() || disputed);
    }
    const bool trusted = !x.Bridged() && candidate.amongGood && (readings.size() > 1 || candidate.wholeFileGood) &&
                         !heldOtherwise;
    if (!corroborated && (contradicted || !trusted)) continue;
    const int support = static_cast<int>(
        std::count_if(readings.begin(), readings.end(), [&](const RecordReading& r) { return r.Copy().bytes == x.bytes; }));
    if (support > bestSupport) {
      bestSupport = support;
      result.bytes = x.bytes;
      result.verdict = Verdict::Ok;
      result.scan = candidate.scan;
      result.position = x.markPosition;
    }
  }
  if (result.verdict == Verdict::Ok) return result;
  result.conflict = false;
  std::vector<Witnessed> witnessed;
  for (const RecordReading& r : readings)
    if (r.repairs) witnessed.push_back(r.witnessed);
  if (auto repaired = RepairRecord(witnessed)) {
    result.bytes = *repaired;
    result.verdict = Verdict::Repaired;
  } else {
    result.bytes = MajorityBytes(witnessed);
  }
  return result;
}


}  // namespace sonatap
