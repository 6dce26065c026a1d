#include "live/audio_io.h"

#include <algorithm>
#include <cctype>

namespace sonatap::live {
namespace {

bool Serves(const DeviceInfo& device, Direction direction) {
  return direction == Direction::Input ? device.inputChannels > 0 : device.outputChannels > 0;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

int FindDevice(const std::vector<DeviceInfo>& devices, const std::string& name, Direction direction,
               std::string& error) {
  const char* what = direction == Direction::Input ? "input" : "output";
  const int count = static_cast<int>(devices.size());
  if (name.empty()) {
    for (int i = 0; i < count; ++i)
      if (Serves(devices[i], direction) &&
          (direction == Direction::Input ? devices[i].defaultInput : devices[i].defaultOutput))
        return i;
    for (int i = 0; i < count; ++i)
      if (Serves(devices[i], direction)) return i;
    error = std::string("No audio ") + what + " device was found.";
    return -1;
  }
  for (int i = 0; i < count; ++i)
    if (Serves(devices[i], direction) && devices[i].name == name) return i;
  int found = -1;
  for (int i = 0; i < count; ++i) {
    if (!Serves(devices[i], direction) || Lower(devices[i].name).find(Lower(name)) == std::string::npos) continue;
    if (found >= 0) {
      error = "More than one audio " + std::string(what) + " device is called '" + name + "'.";
      return -1;
    }
    found = i;
  }
  if (found < 0) error = "No audio " + std::string(what) + " device is called '" + name + "'.";
  return found;
}

}  // namespace sonatap::live
