#include "live/level_meter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sonatap::live {

double PeakDb(int peak) {
  if (peak <= 0) return kMeterFloorDb;
  return std::max(kMeterFloorDb, 20.0 * std::log10(peak / 32768.0));
}

int BarPercent(double db) {
  const double fraction = (std::clamp(db, kMeterFloorDb, 0.0) - kMeterFloorDb) / -kMeterFloorDb;
  return static_cast<int>(std::lround(fraction * 100.0));
}

LevelMeter::LevelMeter(int channels)
    : shown_(static_cast<size_t>(std::max(channels, 1)), kMeterFloorDb),
      clipped_(static_cast<size_t>(std::max(channels, 1)), 0) {}

void LevelMeter::Feed(const int16_t* samples, long frames, int rate) {
  if (frames <= 0) return;
  const int channels = Channels();
  const double fall = kFallDbPerSecond * static_cast<double>(frames) / std::max(rate, 1);
  for (int c = 0; c < channels; ++c) {
    int peak = 0;
    for (long f = 0; f < frames; ++f) {
      const int magnitude = std::abs(static_cast<int>(samples[f * channels + c]));
      peak = std::max(peak, magnitude);
      if (magnitude >= 32767) ++clipped_[c];
    }
    shown_[c] = std::max(PeakDb(peak), shown_[c] - fall);
  }
  heard_ = true;
}

std::string LevelMeter::Advice() const {
  if (!heard_) return "Start the tape: aim for peaks at the marker.";
  const double loudest = *std::max_element(shown_.begin(), shown_.end());
  if (loudest >= kLoudDb) return "Too loud: turn the deck's volume down.";
  if (loudest < kQuietDb) return "Too quiet: turn the deck's volume up.";
  return "Good level.";
}

}  // namespace sonatap::live
