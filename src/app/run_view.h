#pragma once
// What a conversion run shows while it lasts. The run calls it only at its
// refresh (every 701 samples) and where a window opens, fills or closes.
#include <cstdint>
#include <string>

#include "app/raster_image.h"

namespace sonatap {

// The "Sonatap - Status" window's fields; empty until first filled.
struct StatusFields {
  std::string fileSize, wavPos, byteIndex, byteValue, recordNumber, recordCount;
};

// The run's controls as the user left them at the last poll.
struct RunControls {
  bool stopPressed = false;
  bool statusTicked = false;
  bool monitorTicked = false;
};

class RunView {
 public:
  virtual ~RunView() = default;
  // Disables what could start another operation and turns "Start" into "Stop".
  virtual void LockInterface() = 0;
  virtual void UnlockInterface() = 0;
  virtual void ShowMonitor(const std::string& text) = 0;
  virtual void SetProgress(int percent) = 0;
  // Lets the window system handle pending events (painting, clicks on the
  // Stop toggle and the two check boxes) and reports the controls.
  virtual RunControls Poll() = 0;
  virtual void ReleaseStop() = 0;
  virtual void OpenStatus() = 0;
  virtual void UpdateStatus(const StatusFields& fields) = 0;
  virtual void CloseStatus() = 0;
  virtual void OpenGfx() = 0;
  virtual void ShowGfx(const RasterImage& picture) = 0;
  virtual void CloseGfx() = 0;
};

// The debugger window at the end of a gathering scan; true for "Store FIAD".
class DebuggerWindow {
 public:
  virtual ~DebuggerWindow() = default;
  virtual bool Run() = 0;
};

}  // namespace sonatap
