#pragma once
// What a conversion run shows besides the Monitor: the Status window's
// fields and the oscilloscope picture, kept from one run to the next.
#include "app/raster_image.h"
#include "app/run_view.h"
#include "format/tape_format.h"

namespace sonatap {

constexpr int kUiRefreshInterval = 701;  // samples between refreshes of the windows
constexpr int kGfxWidth = 320;
constexpr int kGfxHeight = 256;

struct RunDisplay {
  int uiCounter = 0;  // kept from one run to the next
  bool statusOpen = false, gfxOpen = false;
  int gfxX = 0, gfxPrevX = 0, gfxPrevY = kMiddleLevel;
  StatusFields status;                     // what the Status window shows
  RasterImage gfx{kGfxWidth, kGfxHeight};  // the oscilloscope, drawn off-screen
};

}  // namespace sonatap
