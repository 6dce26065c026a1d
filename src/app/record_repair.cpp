#include "app/record_repair.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>
#include <vector>

#include "app/copy_stitching.h"

namespace sonatap {
namespace {

constexpr int kMaxRegions = 3;        // regions where the copies differ that are tried both ways
constexpr int kRegionJoin = 2;        // differing bytes this close belong to one damaged place
constexpr int kMinAlignedBytes = 8;   // a realigned tail must agree this far with the other copy
constexpr int kRecordBits = kRecordBytes * 8;
// The end of a record that a checksum byte's witness must have read alike.
// When it came in, 1 byte let 4 wrong repairs of the channel set through,
// 2 let 3, and 4 let 3 too but refused more right ones.
constexpr int kTailBytes = 2;
// A checksum byte's witness must also read the record in step, all but a
// quarter of its bytes as the rebuilt one has them: two scans that slipped
// alike read the same shifted tail, and its last bytes and the checksum
// byte after them agree by chance with a record made from their garbage
// (with the reading of faint changes in rescues, 4 of 6 wrong
// repairs on the channel set; none refused right).
constexpr int kInStepBytes = kRecordBytes * 3 / 4;
// A repair's bytes must each be read alike by two witnesses (copies or
// families of scans), but for the few a realignment puts together from bits
// of two places (where each copy slipped and where its tail ends). Garbage
// that passes the 8-bit sum by chance is seldom read alike by two; scans of
// one family often make the same garbage. When it came in, it left 8 wrong
// repairs of 299 on the channel set (13 when readings were counted, more
// than 22 with neither) and refused no right one.
constexpr int kMaxUnheldBytes = 4;
// A stitch of more places than this must have each byte it took from one
// reading alone read alike elsewhere: allowing unheld bytes there, a fourth
// place put right 21 more records of the worn rows and 2 wrong; allowing
// none, 8 more and none wrong.
constexpr int kLooseStitchPlaces = 3;
// A byte that one copy read where the other is wiped (a reading of it
// guessed across a dropout) rests on one witness by necessity: the guesses
// show where the damage lies. Up to two or three dropouts' worth of such
// bytes count apart from the unheld ones. On the sound-card sides, where
// the integrating reading marks the weak cells at a fade's bottom as
// guesses, that put right 30 more records of the channel set, none wrong.
constexpr int kMaxWipedBytes = 8;

// Bytes of a record that one witness alone holds, those where a copy is
// wiped apart.
struct LoneBytes {
  int unheld = 0, wiped = 0;
  void Add(bool copyWiped) { ++(copyWiped ? wiped : unheld); }
  bool Within(int unheldLimit) const { return unheld <= unheldLimit && wiped <= kMaxWipedBytes; }
};

// Byte `i` of a reading (the checksum byte after the data), or negative where
// the reading guessed bits of it across a dropout: nobody read those.
int ReadByte(const CopyReading& r, int i) { return ShiftedByte(r, 0, i); }

int Sum(const RecordBytes& bytes) { return BlockChecksum(std::accumulate(bytes.begin(), bytes.end(), 0)); }

// Bytes from `from` on that `a` and `b` have alike.
int Agreement(const RecordBytes& a, const RecordBytes& b, int from) {
  int same = 0;
  for (int i = from; i < kRecordBytes; ++i) same += a[i] == b[i];
  return same;
}

// Each byte as most witnesses read it. Scans of one family read a copy that
// slipped in a dropout the same wrong way each time; counted per reading they
// would outvote the one scan that read it right. `keep(reading, i)` says
// whether a reading votes on byte i.
template <typename Keep>
RecordBytes Plurality(std::span<const Witnessed> readings, Keep keep) {
  RecordBytes result{};
  for (int i = 0; i < kRecordBytes; ++i) {
    std::array<int, 256> votes{};
    int best = -1;
    for (size_t r = 0; r < readings.size(); ++r) {
      const Witnessed& w = readings[r];
      if (!keep(*w.reading, i)) continue;
      const int value = w.reading->bytes[i];
      const bool counted = std::any_of(readings.begin(), readings.begin() + r, [&](const Witnessed& earlier) {
        return WitnessOf(earlier) == WitnessOf(w) && earlier.reading->bytes[i] == value;
      });
      if (counted) continue;
      // The earliest reading wins a tie: it came from the better rung.
      if (++votes[value] > (best < 0 ? 0 : votes[best])) best = value;
    }
    result[i] = static_cast<uint8_t>(best < 0 ? 0 : best);
  }
  return result;
}

// Whether two witnesses read `value` where `valueOf` looks in a reading.
template <typename ValueOf>
bool HeldByTwo(std::span<const Witnessed> readings, ValueOf valueOf, int value) {
  const Witnessed* first = nullptr;
  for (const Witnessed& w : readings) {
    if (valueOf(w) != value) continue;
    if (!first) first = &w;
    else if (WitnessOf(w) != WitnessOf(*first)) return true;
  }
  return false;
}

// Whether two witnesses read byte `i` as `value`, guesses not counted.
bool ByteHeld(std::span<const Witnessed> readings, int i, int value) {
  return HeldByTwo(readings, [i](const Witnessed& w) { return ReadByte(*w.reading, i); }, value);
}

// Whether two witnesses read `c`'s sum as the checksum byte, each having read
// the end of the record as `c` has it (one of its bytes may be a guess, where
// a dropout was bridged in step). A copy that slipped a bit in a dropout
// reads its tail and the checksum byte after it shifted, and two families of
// scans, or two copies that slipped alike, read that wrong byte alike: it is
// only a witness for a record that ends as that reading does.
bool ChecksumHeld(const RecordBytes& c, std::span<const Witnessed> readings) {
  const auto endsAsC = [&c](const CopyReading& r) {
    int read = 0;
    for (int k = kRecordBytes - kTailBytes; k < kRecordBytes; ++k) {
      if (ReadByte(r, k) < 0) continue;
      if (r.bytes[k] != c[k]) return false;
      ++read;
    }
    return read > 0 && Agreement(r.bytes, c, 0) >= kInStepBytes;
  };
  return HeldByTwo(
      readings, [&](const Witnessed& w) { return endsAsC(*w.reading) ? ReadByte(*w.reading, kRecordBytes) : -1; }, Sum(c));
}

// Runs of bytes where the two differ, [begin, end).
std::vector<std::pair<int, int>> DifferingRegions(const RecordBytes& a, const RecordBytes& b) {
  std::vector<std::pair<int, int>> regions;
  for (int i = 0; i < kRecordBytes; ++i) {
    if (a[i] == b[i]) continue;
    if (!regions.empty() && i - regions.back().second < kRegionJoin) regions.back().second = i + 1;
    else regions.push_back({i, i + 1});
  }
  return regions;
}

void AddCandidate(std::vector<RecordBytes>& candidates, const RecordBytes& c) {
  if (std::find(candidates.begin(), candidates.end(), c) == candidates.end()) candidates.push_back(c);
}

// Every way of taking each damaged place from one copy or the other.
void AddCombinations(std::vector<RecordBytes>& candidates, const RecordBytes& a, const RecordBytes& b) {
  const auto regions = DifferingRegions(a, b);
  if (regions.size() > kMaxRegions) return;
  for (unsigned mask = 0; mask < (1u << regions.size()); ++mask) {
    RecordBytes c = a;
    for (size_t r = 0; r < regions.size(); ++r)
      if (mask & (1u << r)) std::copy(b.begin() + regions[r].first, b.begin() + regions[r].second, c.begin() + regions[r].first);
    AddCandidate(candidates, c);
  }
}

bool Bit(const RecordBytes& bytes, int i) { return (bytes[i / 8] >> (7 - i % 8)) & 1; }

// `slipped` from byte `from` on, its bits moved by `shift` back into place;
// bits that slid out of the record are taken from `other`.
RecordBytes Realigned(const RecordBytes& slipped, const RecordBytes& other, int from, int shift) {
  RecordBytes result = slipped;
  for (int i = from * 8; i < kRecordBits; ++i) {
    const int source = i + shift;
    const bool one = source >= 0 && source < kRecordBits ? Bit(slipped, source) : Bit(other, i);
    const uint8_t mask = static_cast<uint8_t>(0x80 >> (i % 8));
    result[i / 8] = one ? (result[i / 8] | mask) : (result[i / 8] & ~mask);
  }
  return result;
}

// Where a dropout made `slipped` lose or gain bits, its tail agrees with the
// other copy once shifted: the best such shift, put right, or nothing.
std::optional<RecordBytes> RealignSlip(const RecordBytes& slipped, const RecordBytes& other) {
  const auto regions = DifferingRegions(slipped, other);
  if (regions.empty()) return std::nullopt;
  const int from = regions.front().first;
  int bestAgreement = std::max(kMinAlignedBytes - 1, Agreement(slipped, other, from));
  std::optional<RecordBytes> best;
  for (int shift = -kMaxSlipBits; shift <= kMaxSlipBits; ++shift) {
    if (shift == 0) continue;
    const RecordBytes moved = Realigned(slipped, other, from, shift);
    if (const int agreement = Agreement(moved, other, from); agreement > bestAgreement) {
      bestAgreement = agreement;
      best = moved;
    }
  }
  return best;
}

// A reading that reads fewer bytes than this as any other witness does
// reads another stretch of tape: a scan that found the data marks cells
// away from where they lie reads garbage, and may read it alike in both
// copies.
constexpr int kInFrameBytes = kRecordBytes / 4;

// For each reading, whether it reads the stretch of tape another witness reads.
std::vector<bool> InFrame(std::span<const Witnessed> readings) {
  std::vector<bool> inFrame;
  for (const Witnessed& w : readings)
    inFrame.push_back(std::any_of(readings.begin(), readings.end(), [&](const Witnessed& other) {
      return WitnessOf(other) != WitnessOf(w) && Agreement(w.reading->bytes, other.reading->bytes, 0) >= kInFrameBytes;
    }));
  return inFrame;
}

// What the lost-byte rule asks of each reading, worked out once for a repair:
// whether it reads the stretch of tape another witness reads, and whether
// scans of other families read its other copy so.
struct Framing {
  std::vector<bool> inFrame, otherScansRead;
  explicit Framing(std::span<const Witnessed> readings) : inFrame(InFrame(readings)) {
    for (const Witnessed& w : readings)
      otherScansRead.push_back(std::any_of(readings.begin(), readings.end(), [&](const Witnessed& other) {
        return other.reading->secondCopy != w.reading->secondCopy && other.family != w.family &&
               inFrame[static_cast<size_t>(&other - readings.data())];
      }));
  }
};

// A guess marks where its copy is damaged only where the reading is in step
// with the tape: it reads kAroundAlike of the bytes about it, kAroundBytes
// each side, as a reading of the other copy does. A scan that found a
// copy's data mark a byte late, where a dropout took its first bytes, reads
// it one byte along, and its guesses lie elsewhere on the tape; and it may
// read its garbage as a slipped reading of the other copy does, so being in
// frame over the whole record does not tell. Its own scans' readings of the
// other copy may have slipped alike in a dropout before (their method reads
// both copies' cells the same way): where other scans read that copy in
// frame, those tell.
constexpr int kAroundBytes = 8;
constexpr int kAroundAlike = 4;

bool InStepAround(std::span<const Witnessed> readings, const Framing& framing, const Witnessed& w, int i) {
  const CopyReading& r = *w.reading;
  const bool otherScansRead = framing.otherScansRead[static_cast<size_t>(&w - readings.data())];
  return std::any_of(readings.begin(), readings.end(), [&](const Witnessed& other) {
    if (other.reading->secondCopy == r.secondCopy || (otherScansRead && other.family == w.family)) return false;
    int alike = 0;
    for (int k = std::max(0, i - kAroundBytes); k <= std::min(kRecordBytes, i + kAroundBytes); ++k) {
      const int value = ReadByte(r, k);
      alike += k != i && value >= 0 && value == ReadByte(*other.reading, k);
    }
    return alike >= kAroundAlike;
  });
}

// Where each copy is lost (see CopyLost), worked out once for a repair.
struct Damage {
  std::array<std::array<bool, kRecordBytes + 1>, 2> lost{};
  explicit Damage(std::span<const Witnessed> readings);
  bool Lost(bool secondCopy, int i) const { return lost[secondCopy][static_cast<size_t>(i)]; }
};

// How many witnesses the readings `counts` picks come from.
template <typename Counts>
int WitnessCount(std::span<const Witnessed> readings, Counts counts) {
  std::vector<int> seen;
  for (const Witnessed& w : readings)
    if (counts(w) && std::find(seen.begin(), seen.end(), WitnessOf(w)) == seen.end()) seen.push_back(WitnessOf(w));
  return static_cast<int>(seen.size());
}

// Whether one copy is lost at byte `i`: a reading of it, in step there,
// guessed it, and it was not read there. A reading that guessed across a
// dropout elsewhere read it where it read the bytes on each side too: such
// a reading marks what it could not read, so what it read counts (where a
// slipped reading guessed is not where the tape is damaged), but the bytes
// just beside a guess are often misread as the signal fades out and comes
// back. Or more witnesses whose scans mark dropouts read it alike than
// guessed it: how far a dropout's guesses reach varies by a byte from scan
// to scan, and a scan that takes weak cells for a dropout guesses where
// others read. A reading that marks nothing may have read the silence as
// garbage, and one out of frame reads another stretch of tape.
bool CopyLost(std::span<const Witnessed> readings, const Framing& framing, bool secondCopy, int i) {
  const auto readInFrame = [&](const Witnessed& w) {
    const bool counts = w.reading->secondCopy == secondCopy && framing.inFrame[static_cast<size_t>(&w - readings.data())];
    return counts ? ReadByte(*w.reading, i) : -1;
  };
  const int guessers = WitnessCount(readings, [&](const Witnessed& w) {
    return w.reading->secondCopy == secondCopy && ReadByte(*w.reading, i) < 0 && InStepAround(readings, framing, w, i);
  });
  if (guessers == 0) return false;
  for (const Witnessed& w : readings) {
    const int value = readInFrame(w);
    if (value < 0) continue;
    const CopyReading& r = *w.reading;
    if (r.Bridged() && !BesideAGuess(r, 0, i)) return false;
    if (!w.marksGuesses) continue;
    const int readers =
        WitnessCount(readings, [&](const Witnessed& v) { return v.marksGuesses && readInFrame(v) == value; });
    if (readers >= 2 && readers > guessers) return false;
  }
  return true;
}

Damage::Damage(std::span<const Witnessed> readings) {
  const Framing framing(readings);
  for (const bool second : {false, true})
    for (int i = 0; i <= kRecordBytes; ++i) lost[second][static_cast<size_t>(i)] = CopyLost(readings, framing, second, i);
}

// Whether each byte of `c` but kMaxUnheldBytes (and kMaxWipedBytes where a
// copy is wiped) is held by two witnesses, and each was read by some
// reading: what every reading guessed across a dropout nobody read.
bool ReadAlike(const RecordBytes& c, std::span<const Witnessed> readings) {
  LoneBytes lone;
  for (int i = 0; i < kRecordBytes; ++i) {
    const auto read = [i](const Witnessed& w) { return ReadByte(*w.reading, i) >= 0; };
    if (std::none_of(readings.begin(), readings.end(), read)) return false;
    if (!ByteHeld(readings, i, c[i])) lone.Add(CopyWiped(readings, false, i) || CopyWiped(readings, true, i));
  }
  return lone.Within(kMaxUnheldBytes);
}

// Whether two witnesses that `count` read byte `i` as one value other than `value`.
template <typename Counts>
bool HeldOtherwise(std::span<const Witnessed> readings, int i, int value, Counts counts) {
  const auto countedByte = [&](const Witnessed& w) { return counts(w) ? ReadByte(*w.reading, i) : -1; };
  return std::any_of(readings.begin(), readings.end(), [&](const Witnessed& w) {
    const int read = countedByte(w);
    return read >= 0 && read != value && HeldByTwo(readings, countedByte, read);
  });
}

// Whether some byte of `c` is as only a guess across a dropout has it, where
// two witnesses read it otherwise: such a record is no reading of the tape,
// and its fitting the sum is chance that says nothing of the others. (A
// guess that no good reading contradicts may be right: records end in zeros.)
bool GuessOverrulesReadings(const RecordBytes& c, std::span<const Witnessed> readings) {
  for (int i = 0; i < kRecordBytes; ++i) {
    const auto readAsC = [&](const Witnessed& w) { return ReadByte(*w.reading, i) == c[i]; };
    const auto guessedAsC = [&](const Witnessed& w) { return ReadByte(*w.reading, i) < 0 && w.reading->bytes[i] == c[i]; };
    if (std::none_of(readings.begin(), readings.end(), readAsC) && std::any_of(readings.begin(), readings.end(), guessedAsC) &&
        HeldOtherwise(readings, i, c[i]))
      return true;
  }
  return false;
}

// A reading of a copy that slipped in a dropout reads on slipped, each
// method its own way. It reads a stitched record's byte as it is when it
// reads the bytes about it, kAlignBytes each side, alike at one slip; two
// slips before a byte can take it up to kMaxAlignBits away.
constexpr int kAlignBytes = 2;
constexpr int kMaxAlignBits = 2 * kMaxSlipBits;

// The bytes about byte `i` an alignment compares, [first, second).
std::pair<int, int> AlignWindow(int i) { return {std::max(0, i - kAlignBytes), std::min(kRecordBytes, i + kAlignBytes + 1)}; }

// Byte `i` of `c` where `r` reads the bytes about it alike, or -1.
int AlignedByte(const CopyReading& r, const RecordBytes& c, int i) {
  const auto [from, to] = AlignWindow(i);
  for (int offset = -kMaxAlignBits; offset <= kMaxAlignBits; ++offset) {
    int k = from;
    while (k < to && ShiftedByte(r, offset, k) == c[k]) ++k;
    if (k == to) return c[i];
  }
  return -1;
}

// Whether two witnesses read byte `i` of `c` so in readings of one copy. Not
// where a reading of that copy guessed bytes about it: the copy is wiped
// there, and scans that bridge nothing read the silence alike.
bool HeldAligned(std::span<const Witnessed> readings, bool secondCopy, const RecordBytes& c, int i) {
  const auto [from, to] = AlignWindow(i);
  for (int k = from; k < to; ++k)
    if (CopyWiped(readings, secondCopy, k)) return false;
  return HeldByTwo(
      readings, [&](const Witnessed& w) { return w.reading->secondCopy == secondCopy ? AlignedByte(*w.reading, c, i) : -1; },
      c[i]);
}

// Whether `r` reads byte `i` of `c` shifted, as it reads the bytes about it,
// and has read nothing in step since a place where its copy is wiped: it
// slipped there, and reads `c`.
bool SlippedSinceAWipe(std::span<const Witnessed> readings, const CopyReading& r, const RecordBytes& c, int i) {
  if (AlignedByte(r, c, i) != c[i]) return false;
  for (int k = i - 1; k >= 0; --k) {
    if (CopyWiped(readings, r.secondCopy, k)) return true;
    if (ReadByte(r, k) == c[k] && ReadByte(r, k + 1) == c[k + 1]) return false;
  }
  return false;
}

// Byte `i` as `w` reads it, where that holds it: not where its copy is lost
// (scans that bridge nothing read the silence alike, as zeros), nor where
// a scan guessed it in its copy while the other copy is not damaged there
// or beside it (scans that bridged nothing there misread the fading signal
// alike, now and then in a way that fits the sum as the other copy's
// reading does; beside the other copy's own damage, its readings are as
// likely misread), nor just
// beside a byte the reading guessed unless the other copy reads it alike
// (the signal fades over a bit or two before a dropout shows and comes back
// as slowly after it, and scans of every family misread such a byte alike;
// after the dropout only where the other copy was read: where it is lost
// too, such a byte often stands alone against readings that slipped), nor
// where another scan of its family read it otherwise (scans of one family
// are one witness, and one that read the byte two ways holds neither
// value). Else -1.
int FirmByte(std::span<const Witnessed> readings, const Damage& damage, const Witnessed& w, int i) {
  const bool copy = w.reading->secondCopy;
  const auto otherWipedNear = [&] {
    for (int k = std::max(0, i - 1); k <= std::min(kRecordBytes, i + 1); ++k)
      if (CopyWiped(readings, !copy, k)) return true;
    return false;
  };
  if (damage.Lost(copy, i) || (CopyWiped(readings, copy, i) && !otherWipedNear())) return -1;
  const int value = ReadByte(*w.reading, i);
  const auto otherCopyAlike = [&] {
    return std::any_of(readings.begin(), readings.end(), [&](const Witnessed& other) {
      return other.reading->secondCopy != w.reading->secondCopy && ReadByte(*other.reading, i) == value;
    });
  };
  const bool beforeAGuess = ReadByte(*w.reading, i + 1) < 0;
  const bool afterAGuess = i > 0 && ReadByte(*w.reading, i - 1) < 0 && !damage.Lost(!w.reading->secondCopy, i);
  if ((beforeAGuess || afterAGuess) && !otherCopyAlike()) return -1;
  const bool split = std::any_of(readings.begin(), readings.end(), [&](const Witnessed& other) {
    const int read = ReadByte(*other.reading, i);
    return WitnessOf(other) == WitnessOf(w) && read >= 0 && read != value;
  });
  return split ? -1 : value;
}

// Bytes of `c` that `r` reads, shifted by any slip of up to kMaxSlipBits: a
// reading that slipped in a dropout reads the record on, shifted.
int BytesReadAtSomeSlip(const CopyReading& r, const RecordBytes& c) {
  int read = 0;
  for (int j = 0; j < kRecordBytes; ++j)
    for (int shift = -kMaxSlipBits; shift <= kMaxSlipBits; ++shift)
      if (ShiftedByte(r, shift, j) == c[j]) {
        ++read;
        break;
      }
  return read;
}

// Whether some byte of `c` is not held firmly by two witnesses while two
// read it otherwise, or is a guess where one read it otherwise; readings of
// a copy wiped there, or slipped since, read nothing otherwise (they slip
// alike after a dropout). Of records that fit the sum, one that is not so
// is the tape's: the other took a byte from a reading that passed its
// checksum by a bit moved across a byte's edge, from guesses that fit it,
// or from another such chance. Only readings of the stretch of tape `c`
// claims to be contest it: readings of noise alike (two scans that read a
// silence as ones) are in frame with each other, not with it.
bool Contested(const RecordBytes& c, std::span<const Witnessed> readings, const Damage& damage) {
  std::vector<bool> readsC;
  for (const Witnessed& w : readings) readsC.push_back(BytesReadAtSomeSlip(*w.reading, c) >= kInFrameBytes);
  for (int i = 0; i < kRecordBytes; ++i) {
    // A reading holds a byte of `c` only where it read the byte before as
    // `c` has it too, or guessed it: a reading that slipped reads on in a
    // frame of its own, and where `c` passes into that frame later than the
    // reading did, what it holds there is its slip, not the tape.
    const auto held = [&](const Witnessed& w) {
      const int before = i == 0 ? -1 : ReadByte(*w.reading, i - 1);
      return before < 0 || before == c[i - 1] ? FirmByte(readings, damage, w, i) : -1;
    };
    const auto inStep = [&](const Witnessed& w) {
      return readsC[static_cast<size_t>(&w - readings.data())] && !CopyWiped(readings, w.reading->secondCopy, i) &&
             !SlippedSinceAWipe(readings, *w.reading, c, i);
    };
    if (!HeldByTwo(readings, held, c[i]) && HeldOtherwise(readings, i, c[i], inStep)) return true;
    const auto readAsC = [&](const Witnessed& w) { return ReadByte(*w.reading, i) == c[i]; };
    const auto readInStep = [&](const Witnessed& w) { return ReadByte(*w.reading, i) >= 0 && inStep(w); };
    if (std::none_of(readings.begin(), readings.end(), readAsC) && std::any_of(readings.begin(), readings.end(), readInStep))
      return true;
  }
  return false;
}

// A record rebuilt from readings that changed frame in their dropouts can
// slip itself: where each witness of its tail guessed or slipped just
// before it, they may all read the same shifted tail, and the shifted
// checksum byte after it fits the sum now and then by chance. A reading
// that reads the kRunInBytes before such a place as the record has them,
// and the kRunOnBytes from it on as the record has them some bits along,
// read straight on where the record slips; the tape does not slip where
// nothing is damaged. The record must then have a reading that read across
// the place in step. Bytes that read the same shifted (a run of zeros, as
// records end) show no slip.
constexpr int kRunInBytes = 2;
constexpr int kRunOnBytes = 3;

bool SlipsWhereAReadingRunsOn(const RecordBytes& c, std::span<const Witnessed> readings) {
  const CopyReading asRead{.bytes = c, .checksumRead = Sum(c)};
  for (int i = kRunInBytes; i + kRunOnBytes <= kRecordBytes + 1; ++i) {
    const auto readsAcross = [&](const Witnessed& w) {
      return ReadByte(*w.reading, i - 1) == c[i - 1] && ReadByte(*w.reading, i) == c[i];
    };
    if (std::any_of(readings.begin(), readings.end(), readsAcross)) continue;
    const auto runsOn = [&](const Witnessed& w) {
      for (int k = i - kRunInBytes; k < i; ++k)
        if (ReadByte(*w.reading, k) != c[k]) return false;
      for (int shift = -kMaxSlipBits; shift <= kMaxSlipBits; ++shift) {
        if (shift == 0) continue;
        int k = i;
        bool moved = false;
        while (k < i + kRunOnBytes && ShiftedByte(*w.reading, shift, k) == asRead.Byte(k)) {
          moved |= ShiftedByte(asRead, shift, k) != asRead.Byte(k);
          ++k;
        }
        if (k == i + kRunOnBytes && moved) return true;
      }
      return false;
    };
    if (std::any_of(readings.begin(), readings.end(), runsOn)) return true;
  }
  return false;
}

// The readings of each copy, each way of reading it once.
std::vector<const CopyReading*> DistinctReadings(std::span<const Witnessed> readings, bool secondCopy) {
  std::vector<const CopyReading*> distinct;
  for (const Witnessed& w : readings) {
    const CopyReading& r = *w.reading;
    const auto same = [&r](const CopyReading* d) {
      return d->bytes == r.bytes && d->Byte(kRecordBytes) == r.Byte(kRecordBytes) && d->guessed == r.guessed;
    };
    if (r.secondCopy == secondCopy && std::none_of(distinct.begin(), distinct.end(), same)) distinct.push_back(&r);
  }
  return distinct;
}

// Records stitched from a reading of each copy whose sum matches the checksum
// byte they read, slips put right, and whose bytes from one reading alone are
// but a few, or read alike elsewhere.
std::vector<RecordBytes> StitchedFits(std::span<const Witnessed> readings) {
  std::vector<RecordBytes> fits;
  for (const CopyReading* a : DistinctReadings(readings, false))
    for (const CopyReading* b : DistinctReadings(readings, true))
      for (const StitchedRecord& s : StitchedRecords(*a, *b)) {
        if (Sum(s.bytes) != s.checksum) continue;
        LoneBytes lone;
        if (s.single[kRecordBytes].taken && !ByteHeld(readings, kRecordBytes, s.checksum)) lone.Add(false);
        for (int i = 0; i < kRecordBytes; ++i) {
          const StitchedRecord::Single& one = s.single[i];
          if (one.taken && !ByteHeld(readings, i, s.bytes[i]) && !HeldAligned(readings, one.secondCopy, s.bytes, i))
            lone.Add(CopyWiped(readings, !one.secondCopy, i));
        }
        if (lone.Within(s.places > kLooseStitchPlaces ? 0 : kMaxUnheldBytes)) AddCandidate(fits, s.bytes);
      }
  return fits;
}

}  // namespace

bool CopyWiped(std::span<const Witnessed> readings, bool secondCopy, int i) {
  return std::any_of(readings.begin(), readings.end(), [&](const Witnessed& w) {
    return w.reading->secondCopy == secondCopy && ReadByte(*w.reading, i) < 0;
  });
}

bool HeldOtherwise(std::span<const Witnessed> readings, int i, int value) {
  return HeldOtherwise(readings, i, value, [](const Witnessed&) { return true; });
}

RecordBytes MajorityBytes(std::span<const Witnessed> readings) {
  return Plurality(readings, [](const CopyReading&, int) { return true; });
}

std::optional<RecordBytes> RepairRecord(std::span<const Witnessed> readings) {
  // A byte that both copies lost to dropouts was read by nobody: whatever
  // fills it and fits the sum does so by chance.
  const Damage damage(readings);
  for (int i = 0; i <= kRecordBytes; ++i)
    if (damage.Lost(false, i) && damage.Lost(true, i)) return std::nullopt;
  const bool hasFirst = std::any_of(readings.begin(), readings.end(), [](auto& w) { return !w.reading->secondCopy; });
  const bool hasSecond = std::any_of(readings.begin(), readings.end(), [](auto& w) { return w.reading->secondCopy; });
  std::vector<RecordBytes> candidates;
  AddCandidate(candidates, MajorityBytes(readings));
  // Guesses across dropouts outvote a byte each copy read right but once.
  AddCandidate(candidates, Plurality(readings, [](const CopyReading& r, int i) { return ReadByte(r, i) >= 0; }));
  const RecordBytes first = Plurality(readings, [](const CopyReading& r, int) { return !r.secondCopy; });
  const RecordBytes second = Plurality(readings, [](const CopyReading& r, int) { return r.secondCopy; });
  if (hasFirst) AddCandidate(candidates, first);
  if (hasSecond) AddCandidate(candidates, second);
  if (hasFirst && hasSecond) {
    AddCombinations(candidates, first, second);
    if (auto fixed = RealignSlip(first, second)) AddCombinations(candidates, *fixed, second);
    if (auto fixed = RealignSlip(second, first)) AddCombinations(candidates, first, *fixed);
  }
  // Each record that fits the sum: two different ones and the sum cannot tell.
  // One that is not read alike is no repair, but still a record the sum
  // cannot tell from the others, unless witnesses contest it: then the
  // others must be uncontested too. (A copy's tail realigned across a slip
  // that was not there reads garbage, and now and then it fits the sum.)
  std::vector<RecordBytes> fits = StitchedFits(readings);
  bool contestedFit = false;
  for (const RecordBytes& c : candidates) {
    if (!ChecksumHeld(c, readings) || GuessOverrulesReadings(c, readings) || std::find(fits.begin(), fits.end(), c) != fits.end())
      continue;
    if (ReadAlike(c, readings)) fits.push_back(c);
    else if (Contested(c, readings, damage)) contestedFit = true;
    else return std::nullopt;
  }
  if (fits.size() > 1 || contestedFit) std::erase_if(fits, [&](const RecordBytes& c) { return Contested(c, readings, damage); });
  if (fits.size() != 1 || SlipsWhereAReadingRunsOn(fits.front(), readings)) return std::nullopt;
  return fits.front();
}

}  // namespace sonatap
