#include "app/conversion_run.h"

#include "engine/bit_recogniser.h"
#include "engine/input_file.h"
#include "engine/volume_levels.h"

namespace sonatap {
namespace {

constexpr int64_t kChunkSearchFirst = 36;
constexpr int64_t kChunkSearchLast = 1000;
constexpr int64_t kDataOffsetAfterId = 10;  // id, length, and two more bytes

class Run {
 public:
  Run(Session& session, RunServices& services, SampleBuffer& samples)
      : s_(session),
        c_(session.conversion),
        view_(services.view),
        decoderServices_{services.view, services.prompts, services.debugger, services.fiadStored},
        decoder_(session, samples, decoderServices_),
        recogniser_(session, decoder_),
        samples_(samples),
        services_(services) {}

  void Execute();

 private:
  bool Refresh();  // true when the user pressed Stop
  void DrawSample();
  void FlushMonitor();
  void OpenStatus();

  Session& s_;
  ConversionState& c_;
  RunView& view_;
  DecoderServices decoderServices_;
  RecordDecoder decoder_;
  BitRecogniser recogniser_;
  SampleBuffer& samples_;
  RunServices& services_;
};

void Run::Execute() {
  c_.dataStart = FindDataChunk(samples_) + kDataOffsetAfterId;
  MeasureAutoVolume(s_, samples_, services_.volumeProgress);
  if (view_.Poll().statusTicked) OpenStatus();
  samples_.Seek(c_.dataStart - 1);
  decoder_.BeginFileSearch();
  while (!samples_.AtEnd()) {
    if (++c_.uiCounter >= kUiRefreshInterval) {
      c_.uiCounter = 0;
      if (Refresh()) {
        s_.monitor.Append("User Break..\r\n\r\n");
        view_.ReleaseStop();
        break;
      }
    }
    if (recogniser_.ProcessSample(samples_.ReadNext())) {
      s_.monitor.Append("Lost Data Mark!!\r\n\r\n");
      break;
    }
    if (c_.gfxOpen) DrawSample();
  }
}

void Run::OpenStatus() {
  if (!c_.statusOpen) view_.OpenStatus();
  c_.statusOpen = true;
  c_.status.fileSize = FileSizeText(samples_.Length());
  view_.UpdateStatus(c_.status);
}

bool Run::Refresh() {
  const RunControls controls = view_.Poll();
  if (controls.statusTicked && !c_.statusOpen) {
    OpenStatus();
  } else if (!controls.statusTicked && c_.statusOpen) {
    view_.CloseStatus();
    c_.statusOpen = false;
  }
  if (controls.monitorTicked && !c_.gfxOpen) {
    view_.OpenGfx();
    c_.gfx.FillBox(0, 0, kGfxWidth, kGfxHeight, colour::kBlack);  // a fresh window
    c_.gfxOpen = true;
    c_.gfxPrevX = 1;
    c_.gfxPrevY = 128;
  } else if (!controls.monitorTicked && c_.gfxOpen) {
    view_.CloseGfx();
    c_.gfxOpen = false;
  }
  const int64_t length = samples_.Length();
  view_.SetProgress(length > 0 ? static_cast<int>(samples_.Position() * 100 / length) : 0);
  if (c_.statusOpen) {
    c_.status.wavPos = std::to_string(samples_.Position());
    view_.UpdateStatus(c_.status);
  }
  if (c_.gfxOpen) view_.ShowGfx(c_.gfx);
  FlushMonitor();
  return controls.stopPressed;
}

void Run::FlushMonitor() {
  if (!s_.monitor.showPending) return;
  view_.ShowMonitor(s_.monitor.text);
  s_.monitor.showPending = false;
}

// The oscilloscope sweeps one column per sample and wraps at the right edge.
void Run::DrawSample() {
  const TuningSettings& t = s_.tuning;
  if (++c_.gfxX > kGfxWidth - 1) {
    c_.gfxX = 0;
    c_.gfxPrevX = 0;
  }
  RasterImage& g = c_.gfx;
  g.VerticalLine(c_.gfxX, 0, kGfxHeight - 1, colour::kBlack);
  g.SetPixel(c_.gfxX, 128, colour::kGreen);
  g.SetPixel(c_.gfxX, static_cast<int>(t.VolumePlus * 90 + 128), colour::kLightBlue);
  g.SetPixel(c_.gfxX, static_cast<int>(t.VolumeMinus * 90 + 128), colour::kLightBlue);
  g.SetPixel(c_.gfxX, t.DcLevel, colour::kYellow);
  g.Line(c_.gfxPrevX, c_.gfxPrevY, c_.gfxX, c_.sample, colour::kWhite);
  c_.gfxPrevX = c_.gfxX;
  c_.gfxPrevY = c_.sample;
}

}  // namespace

int64_t FindDataChunk(SampleBuffer& samples) {
  for (int64_t p = kChunkSearchFirst; p <= kChunkSearchLast; ++p) {
    samples.Seek(p - 1);
    if (samples.ReadNext() == 'd' && samples.ReadNext() == 'a' && samples.ReadNext() == 't' &&
        samples.ReadNext() == 'a')
      return p;
  }
  return kChunkSearchFirst;
}

std::string FileSizeText(int64_t length) { return std::to_string((length * 2 + 1024) / 2048) + "Kb"; }

void RunConversion(Session& session, RunServices& services) {
  RunView& view = services.view;
  ConversionState& c = session.conversion;
  view.LockInterface();
  SampleBuffer samples;
  if (samples.Open(c.wavPath)) {
    Run run(session, services, samples);
    run.Execute();
    session.monitor.Append("End of Wav File\r\n\r\n");
    samples.Close();
  } else {
    services.prompts.ShowMessage("File Error", kAccessErrorText);
  }
  if (c.statusOpen) view.CloseStatus();
  if (c.gfxOpen) view.CloseGfx();
  c.statusOpen = c.gfxOpen = false;
  view.ShowMonitor(session.monitor.text);
  session.monitor.showPending = false;
  view.UnlockInterface();
}

}  // namespace sonatap
