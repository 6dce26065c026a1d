#pragma once
// The last bits a recogniser delivered, each with the reading position after
// it, by its number since the run began. A rescue reads a copy whose data
// mark it missed out of the bits before the next copy.
#include <algorithm>
#include <array>
#include <cstdint>

namespace sonatap {

class BitLog {
 public:
  // Back from the end of one copy to the start of the copy before it: 1,112.
  static constexpr int64_t kBits = 2048;

  void Add(int64_t number, bool one, int64_t position) {
    bits_[Slot(number)] = {one, position};
    end_ = number + 1;
  }
  // The reading position moved: the bits before it are another stretch of the recording.
  void Restart() { first_ = end_; }
  // Whether bits [first, end) are all here, from one stretch.
  bool Holds(int64_t first, int64_t end) const { return first >= std::max(first_, end_ - kBits) && end <= end_; }
  bool Bit(int64_t number) const { return bits_[Slot(number)].one; }
  int64_t Position(int64_t number) const { return bits_[Slot(number)].position; }

 private:
  static size_t Slot(int64_t number) { return static_cast<size_t>(number % kBits); }
  struct Entry {
    bool one = false;
    int64_t position = 0;
  };
  std::array<Entry, kBits> bits_{};
  int64_t first_ = 0, end_ = 0;
};

}  // namespace sonatap
