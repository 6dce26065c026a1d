#include "app/conversion_run.h"

#include <algorithm>
#include <cstdio>

#include "app/store_fiad.h"
#include "engine/bit_recogniser.h"
#include "engine/input_file.h"
#include "engine/volume_levels.h"

namespace sonatap {
namespace {

constexpr int64_t kChunkSearchFirst = 36;
constexpr int64_t kChunkSearchLast = 1000;
constexpr int64_t kDataOffsetAfterId = 10;  // id, length, and two more bytes

std::string Hex(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", value);
  return text;
}

// The run controller: reads the samples in blocks through the recogniser
// into the decoder, and does what the decoder's events ask of a run the user
// watches: the Monitor, the Status and oscilloscope windows, the debug
// store, moving the reading position, and storing finished files.
class Run final : public DecoderEvents {
 public:
  Run(Session& session, RunServices& services, SampleBuffer& samples)
      : s_(session),
        c_(session.conversion),
        g_(session.display),
        view_(services.view),
        settings_{FileNamePart(session.conversion.wavPath), session.tuning.SkipTime},
        decoder_(session.decoder, settings_, *this),
        recogniser_(session.conversion, session.tuning, session.shapes, decoder_),
        samples_(samples),
        services_(services) {}

  void Execute();

  // DecoderEvents
  void MonitorLine(const std::string& line) override { s_.monitor.Append(line); }
  void ShowMonitor() override { s_.monitor.Show(); }
  void FileSearchBegun(int64_t skipTo) override;
  void CountBytesRead(const TapeFileHeader& header) override {
    s_.debug.SetCountFromScan(header.secondCount);
    if (services_.observer) services_.observer->CountBytesRead(header);
  }
  void ByteRead(int64_t index, int value) override;
  void RecordByteRead(int record, int count) override;
  void MarkFound(int record, CopyState copy, int64_t position) override {
    if (copy == CopyState::FirstCopy) s_.debug.NoteRecordPosition(record, position);
    if (services_.observer) services_.observer->MarkFound(record, copy, position);
  }
  void MarkLost(int64_t, int64_t searchFrom) override { MoveTo(searchFrom); }
  void RecordAccepted(int record) override {
    s_.debug.MarkRecord(record, true);
    if (services_.observer) services_.observer->RecordAccepted(record);
  }
  void RecordRejected(int record) override {
    s_.debug.MarkRecord(record, false);
    if (services_.observer) services_.observer->RecordRejected(record);
  }
  void FileComplete(const RecordData& data, int recordCount) override;

 private:
  bool ReadAll();  // false when the recording could not be read to its end
  bool LostDataMark() {
    s_.monitor.Append("Lost Data Mark!!\r\n\r\n");
    return true;
  }
  bool Refresh(int64_t position);  // true when the user pressed Stop
  void DrawSample();
  void OpenStatus();
  void MoveTo(int64_t position) {
    samples_.Seek(position);
    recogniser_.Restart();
    moved_ = true;
  }

  Session& s_;
  ConversionState& c_;
  RunDisplay& g_;
  RunView& view_;
  DecoderSettings settings_;
  RecordDecoder decoder_;
  BitRecogniser recogniser_;
  SampleBuffer& samples_;
  RunServices& services_;
  bool moved_ = false;
};

void Run::Execute() {
  c_.dataStart = SampleDataStart(samples_);
  if (!MeasureAutoVolume(s_.tuning, samples_, c_.dataStart, services_.volumeProgress)) {
    // Nothing to average: the levels the user had are the best guess left.
    s_.monitor.Append("Auto Volume: recording too short to measure, volume levels kept\r\n");
  }
  recogniser_.Prepare();
  if (view_.Poll().statusTicked) OpenStatus();
  samples_.Seek(c_.dataStart - 1);
  decoder_.BeginFileSearch(samples_.Position());
  if (!ReadAll()) {
    s_.monitor.Append("Error reading Wav File @ " + std::to_string(samples_.Position()) + "\r\n\r\n");
  }
}

bool Run::ReadAll() {
  while (!samples_.AtEnd()) {
    const std::span<const uint8_t> block = samples_.Peek();
    if (block.empty()) {
      if (samples_.AtEnd()) break;  // a recording still being written finds its end only here
      return false;
    }
    const int64_t base = samples_.Position();
    moved_ = false;
    size_t i = 0;
    while (i < block.size()) {
      // Most samples of a cell only go into it: those are taken in runs
      // that end before the next refresh and before any bit can end.
      if (!g_.gfxOpen && g_.uiCounter < kUiRefreshInterval - 1) {
        const size_t quiet = std::min(block.size() - i, static_cast<size_t>(kUiRefreshInterval - 1 - g_.uiCounter));
        if (recogniser_.Adaptive()) {
          bool lost = false;
          const size_t taken = recogniser_.TakeAdaptive(block.data() + i, quiet, base + static_cast<int64_t>(i), lost);
          g_.uiCounter += static_cast<int>(taken);
          i += taken;
          if (lost) return LostDataMark();
          if (moved_) break;
          continue;
        }
        if (const size_t taken = recogniser_.TakeCellMiddle(block.data() + i, quiet); taken > 0) {
          g_.uiCounter += static_cast<int>(taken);
          i += taken;
          continue;
        }
      }
      if (++g_.uiCounter >= kUiRefreshInterval) {
        g_.uiCounter = 0;
        if (Refresh(base + static_cast<int64_t>(i))) {
          s_.monitor.Append("User Break..\r\n\r\n");
          view_.ReleaseStop();
          return true;
        }
      }
      const uint8_t byte = block[i++];
      if (recogniser_.ProcessSample(byte, base + static_cast<int64_t>(i))) return LostDataMark();
      if (g_.gfxOpen) {
        if (recogniser_.TakeBitEnded()) g_.gfx.VerticalLine(g_.gfxX, 0, kGfxHeight - 1, colour::kRed);
        DrawSample();
      }
      if (moved_) break;
    }
    if (!moved_) samples_.Skip(i);
  }
  recogniser_.FinishAdaptive();
  return true;
}

void Run::FileSearchBegun(int64_t skipTo) {
  recogniser_.BeginFile();
  g_.gfxX = 0;
  g_.gfxPrevX = 0;
  g_.gfxPrevY = kMiddleLevel;
  if (g_.gfxOpen) g_.gfx.FillBox(0, 0, kGfxWidth - 1, kGfxHeight, colour::kBlack);
  LoadShapeSet(s_.shapes, s_.tuning.RecognitionMethod, s_.tuning.DetectionMethod);
  MoveTo(skipTo);
}

void Run::ByteRead(int64_t index, int value) {
  if (!g_.statusOpen) return;
  g_.status.byteValue = Hex(value);
  g_.status.byteIndex = std::to_string(index);
}

void Run::RecordByteRead(int record, int count) {
  if (!g_.statusOpen) return;
  g_.status.recordNumber = std::to_string(record);
  g_.status.recordCount = std::to_string(count);
}

void Run::FileComplete(const RecordData& data, int) {
  // The user should see the whole file's lines before answering.
  s_.monitor.ShowNow(view_);
  StoreResult stored;
  if (s_.debug.gather) {
    s_.debug.TakeScan(data);
    if (services_.debugger.Run()) stored = StoreAccumulatedFiad(s_, services_.prompts);
  } else {
    stored = StoreDecodedFiad(s_, services_.prompts);
  }
  if (stored.slot != 0 && services_.fiadStored) services_.fiadStored(stored.slot);
}

void Run::OpenStatus() {
  if (!g_.statusOpen) view_.OpenStatus();
  g_.statusOpen = true;
  g_.status.fileSize = FileSizeText(samples_.Length());
  view_.UpdateStatus(g_.status);
}

bool Run::Refresh(int64_t position) {
  const RunControls controls = view_.Poll();
  if (controls.statusTicked && !g_.statusOpen) {
    OpenStatus();
  } else if (!controls.statusTicked && g_.statusOpen) {
    view_.CloseStatus();
    g_.statusOpen = false;
  }
  if (controls.monitorTicked && !g_.gfxOpen) {
    view_.OpenGfx();
    g_.gfx.FillBox(0, 0, kGfxWidth, kGfxHeight, colour::kBlack);  // a fresh window
    g_.gfxOpen = true;
    recogniser_.TakeBitEnded();  // a bit that ended unseen is not drawn
    g_.gfxPrevX = 1;
    g_.gfxPrevY = kMiddleLevel;
  } else if (!controls.monitorTicked && g_.gfxOpen) {
    view_.CloseGfx();
    g_.gfxOpen = false;
  }
  const int64_t length = samples_.Length();
  view_.SetProgress(length > 0 ? static_cast<int>(position * 100 / length) : 0);
  if (g_.statusOpen) {
    g_.status.wavPos = std::to_string(position);
    view_.UpdateStatus(g_.status);
  }
  if (g_.gfxOpen) view_.ShowGfx(g_.gfx);
  if (s_.monitor.showPending) s_.monitor.ShowNow(view_);
  return controls.stopPressed;
}

// The oscilloscope sweeps one column per sample and wraps at the right edge.
void Run::DrawSample() {
  const TuningSettings& t = s_.tuning;
  if (++g_.gfxX > kGfxWidth - 1) {
    g_.gfxX = 0;
    g_.gfxPrevX = 0;
  }
  RasterImage& g = g_.gfx;
  g.VerticalLine(g_.gfxX, 0, kGfxHeight - 1, colour::kBlack);
  g.SetPixel(g_.gfxX, kMiddleLevel, colour::kGreen);
  g.SetPixel(g_.gfxX, static_cast<int>(t.VolumePlus * 90 + kMiddleLevel), colour::kLightBlue);
  g.SetPixel(g_.gfxX, static_cast<int>(t.VolumeMinus * 90 + kMiddleLevel), colour::kLightBlue);
  g.SetPixel(g_.gfxX, t.DcLevel, colour::kYellow);
  g.Line(g_.gfxPrevX, g_.gfxPrevY, g_.gfxX, c_.sample, colour::kWhite);
  g_.gfxPrevX = g_.gfxX;
  g_.gfxPrevY = c_.sample;
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

int64_t SampleDataStart(SampleBuffer& samples) { return FindDataChunk(samples) + kDataOffsetAfterId; }

std::string FileSizeText(int64_t length) { return std::to_string((length * 2 + 1024) / 2048) + "Kb"; }

void RunConversion(Session& session, RunServices& services) {
  RunView& view = services.view;
  RunDisplay& g = session.display;
  view.LockInterface();
  SampleBuffer samples;
  const std::string& path = session.conversion.wavPath;
  GrowingFile* const growing = session.conversion.growing;
  if (growing ? samples.OpenGrowing(path, *growing) : samples.Open(path)) {
    Run run(session, services, samples);
    run.Execute();
    session.monitor.Append("End of Wav File\r\n\r\n");
    samples.Close();
  } else {
    services.prompts.ShowMessage("File Error", kAccessErrorText);
  }
  if (g.statusOpen) view.CloseStatus();
  if (g.gfxOpen) view.CloseGfx();
  g.statusOpen = g.gfxOpen = false;
  session.monitor.ShowNow(view);
  view.UnlockInterface();
}

}  // namespace sonatap
