#pragma once
// The recording level meter: per channel, the peak of what comes in, in
// decibels below full scale, shown as a bar on a -60..0 dB scale with a
// marker at the level to aim for. The shown peak falls back slowly, so a
// short loud burst stays visible.
#include <cstdint>
#include <string>
#include <vector>

namespace sonatap::live {

inline constexpr double kMeterFloorDb = -60.0;  // the bar's left end
inline constexpr double kAimDb = -6.0;          // the marker: tape peaks about here
inline constexpr double kQuietDb = -18.0;       // below this the signal is too weak
inline constexpr double kLoudDb = -1.0;         // above this the tops get cut off
inline constexpr double kFallDbPerSecond = 20.0;

// The level of a peak sample magnitude (0..32768): 20 log10(peak / 32768),
// kMeterFloorDb for silence and anything below the floor.
double PeakDb(int peak);
// Where a level lies on the bar, 0..100 (rounded).
int BarPercent(double db);

class LevelMeter {
 public:
  explicit LevelMeter(int channels = 1);
  int Channels() const { return static_cast<int>(shown_.size()); }

  // Takes a block of interleaved 16-bit frames at `rate` frames a second.
  void Feed(const int16_t* samples, long frames, int rate);

  double ShownDb(int channel) const { return shown_.at(channel); }
  int ShownPercent(int channel) const { return BarPercent(shown_.at(channel)); }
  // Samples at full scale seen on the channel so far.
  int64_t ClippedSamples(int channel) const { return clipped_.at(channel); }
  // A line for the user about the loudest channel's level.
  std::string Advice() const;

 private:
  std::vector<double> shown_;
  std::vector<int64_t> clipped_;
  bool heard_ = false;
};

}  // namespace sonatap::live
