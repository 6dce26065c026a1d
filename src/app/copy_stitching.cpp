#include "app/copy_stitching.h"

#include <algorithm>
#include <array>

namespace sonatap {
namespace {

// What a reading holds, in tape order: the 64 data bytes, then the checksum byte.
constexpr int kBlockBytes = kRecordBytes + 1;
constexpr int kBlockBits = kBlockBytes * 8;

// A dropout of 3-15 ms wipes up to about 3 bytes; two or three a byte or
// two apart in one copy make one damaged place. (8 bytes left a record
// whose copy lost bytes 48-53 and 56-57 unrepaired; with 12 it is
// repaired, and the channel set's three seeds show no wrong repair.)
constexpr int kMaxDamagedBytes = 12;
constexpr int kConfirmBytes = 4;     // agreement that shows a blamed reading is back in step
// The same where the blamed reading guesses again soon, before its next
// damaged place: the copies' dropouts interleave, a few bytes apart. Where
// the blamed one did not slip, kept in step by the cells it guessed, one
// byte is enough: what the walk takes from it later is compared again.
constexpr int kConfirmBeforeGuessBytes = 2;
constexpr int kConfirmUnshiftedBeforeGuessBytes = 1;
// Places where the two part, each tried both ways. When stitching came in,
// it put right 241 more records of the channel set (2 wrong among them, both
// on bits guessed across a dropout, which now count for nobody); with 2
// places it put right 41 fewer. The repair asks more of a stitch of more
// than 3. With 6 places rather than 4, 2 more of the sound-card sides' records
// (an integrating reading guesses at the bottom of each fade), none wrong.
constexpr int kMaxPlaces = 6;

struct Walk {
  const CopyReading* reading[2];
  int offset[2] = {0, 0};
  std::array<uint8_t, kBlockBytes> made{};
  std::array<StitchedRecord::Single, kBlockBytes> single{};
  int places = 0;

  // Byte `j` taken from reading `from` alone.
  void Take(int j, int from, int value) {
    made[j] = static_cast<uint8_t>(value);
    single[j] = {true, reading[from]->secondCopy};
  }

  // Whether reading `r` guessed a byte from `from` to the checksum byte.
  bool GuessesFrom(int from, int r) const {
    for (int k = from; k < kBlockBytes; ++k)
      if (ShiftedByte(*reading[r], offset[r], k) == kGuessedByte) return true;
    return false;
  }

  // Whether the blamed reading, moved by `shift`, reads the next
  // kConfirmBytes bytes from `from` on that both read as the other does (all
  // up to the checksum byte, near the end). Bytes the other guessed across a
  // dropout are passed over, and the bytes just beside them, which the
  // signal fading out and coming back often misreads: its own damage may
  // follow close on. The blamed one's guesses mean it is still damaged there,
  // or, after kConfirmBeforeGuessBytes alike, that it has come to its next
  // damaged place, where the walk blames it anew. Where the other's own
  // damage runs to the end of the block, there is nothing to compare: the
  // blamed one is taken as it is, unshifted, and the walk compares it with
  // what the other read there.
  bool BackInStep(int from, int blamed, int shift) const {
    const int other = 1 - blamed;
    int alike = 0, k = from;
    for (; k < kBlockBytes && k < from + kConfirmBytes + kMaxDamagedBytes; ++k) {
      const int x = ShiftedByte(*reading[blamed], offset[blamed] + shift, k);
      const int y = ShiftedByte(*reading[other], offset[other], k);
      if (x >= 0 && (y == kGuessedByte || BesideAGuess(*reading[other], offset[other], k))) continue;
      if (x == kGuessedByte && alike >= (shift == 0 ? kConfirmUnshiftedBeforeGuessBytes : kConfirmBeforeGuessBytes))
        return true;
      if (x != y || x < 0) return false;
      if (++alike == kConfirmBytes) return true;
    }
    return k == kBlockBytes && (alike > 0 || shift == 0);
  }
};

// Shifts tried after a damaged place, nearest first: a dropout that kept the
// count of cells did not slip at all.
constexpr std::array<int, 2 * kMaxSlipBits + 1> kShifts = [] {
  std::array<int, 2 * kMaxSlipBits + 1> shifts{};
  for (int i = 1; i <= kMaxSlipBits; ++i) shifts[2 * i - 1] = -i, shifts[2 * i] = i;
  return shifts;
}();

constexpr int kNotInStep = kBlockBits;

// The shift, nearest first, after which the blamed reading agrees with the
// other again from byte `from` on, or kNotInStep.
int ShiftBackInStep(const Walk& w, int from, int blamed) {
  for (int shift : kShifts)
    if (w.BackInStep(from, blamed, shift)) return shift;
  return kNotInStep;
}

void Continue(Walk w, int j, std::vector<StitchedRecord>& out) {
  for (; j < kBlockBytes; ++j) {
    const int x = ShiftedByte(*w.reading[0], w.offset[0], j), y = ShiftedByte(*w.reading[1], w.offset[1], j);
    if (x == y && x >= 0) {
      w.made[j] = static_cast<uint8_t>(x);
      continue;
    }
    if (x == kOutsideReading || y == kOutsideReading) {
      // A reading that slipped back runs out of bits at the end: the other's stand alone.
      if (x < 0 && y < 0) return;
      w.Take(j, x < 0 ? 1 : 0, x < 0 ? y : x);
      continue;
    }
    // Both guessed across a dropout here: nobody read these bits.
    if (x == kGuessedByte && y == kGuessedByte) return;
    if (++w.places > kMaxPlaces) return;
    for (int blamed = 0; blamed < 2; ++blamed) {
      const int other = 1 - blamed;
      // Where one reading guessed, it is the damaged one.
      if ((other == 0 ? x : y) == kGuessedByte) continue;
      // A damaged place needs a byte after it that both read alike, the
      // checksum byte at the latest; one that reaches the end leaves the
      // checksum byte to the other reading alone, which only a dropout the
      // blamed one guessed across in that place (so surely damaged) makes
      // safe. The place may begin before the guesses: the signal fading
      // into a dropout is often misread first.
      for (int length = 1; length <= kMaxDamagedBytes && j + length <= kBlockBytes; ++length) {
        const int end = j + length;
        const int found = end < kBlockBytes ? ShiftBackInStep(w, end, blamed) : w.GuessesFrom(j, blamed) ? 0 : kNotInStep;
        if (found == kNotInStep) continue;
        Walk next = w;
        bool known = true;
        for (int k = j; k < j + length; ++k) {
          const int v = ShiftedByte(*w.reading[other], w.offset[other], k);
          known = known && v >= 0;
          next.Take(k, other, v);
        }
        if (!known) break;
        next.offset[blamed] += found;
        Continue(next, j + length, out);
        break;
      }
    }
    return;
  }
  StitchedRecord record;
  std::copy(w.made.begin(), w.made.begin() + kRecordBytes, record.bytes.begin());
  record.checksum = w.made[kRecordBytes];
  record.single = w.single;
  record.places = w.places;
  out.push_back(record);
}

}  // namespace

int ShiftedByte(const CopyReading& r, int offset, int j) {
  const int first = j * 8 + offset;
  if (first < 0 || first + 8 > kBlockBits) return kOutsideReading;
  const int shift = first % 8;
  if (r.GuessedByte(first)) return kGuessedByte;
  if (shift == 0) return r.Byte(first / 8);
  return ((r.Byte(first / 8) << shift) | (r.Byte(first / 8 + 1) >> (8 - shift))) & 0xFF;
}

bool BesideAGuess(const CopyReading& r, int offset, int j) {
  return ShiftedByte(r, offset, j - 1) == kGuessedByte || ShiftedByte(r, offset, j + 1) == kGuessedByte;
}

std::vector<StitchedRecord> StitchedRecords(const CopyReading& a, const CopyReading& b) {
  Walk w;
  w.reading[0] = &a;
  w.reading[1] = &b;
  std::vector<StitchedRecord> out;
  Continue(w, 0, out);
  return out;
}

}  // namespace sonatap
