#pragma once
// A whole conversion run against scripted fakes.
#include <filesystem>
#include <memory>
#include <string>

#include "app/conversion_run.h"
#include "app/session.h"
#include "support/scripted_fakes.h"
#include "support/tape_sound.h"

namespace sonatap {

// Two tape files of two records each, a second apart; `damaged` spoils
// both copies of the second file's record 2. `tail` samples of silence end it.
inline TapeSound TwoFileTape(bool damaged, int tail = 44100) {
  TapeSound tape;
  tape.Silence(44100);
  tape.File({PatternRecord(1), PatternRecord(2)});
  tape.Silence(44100 + 1000);
  tape.Header(2, 2);
  tape.Block(PatternRecord(3)), tape.Block(PatternRecord(3));
  tape.Block(PatternRecord(4), damaged), tape.Block(PatternRecord(4), damaged);
  tape.Silence(tail);
  return tape;
}

struct RunFixture {
  std::unique_ptr<Session> session = Session::Create();
  ScriptedPrompts prompts;
  FakeRunView view;
  RecordingProgress volumeProgress;
  FakeDebugger debugger;
  std::vector<int> storedSlots;
  std::filesystem::path dir;

  RunFixture() {
    static int serial = 0;
    dir = std::filesystem::temp_directory_path() / ("sonatap-run-" + std::to_string(::getpid()) + "-" +
                                                    std::to_string(++serial));
    std::filesystem::create_directories(dir);
    // One second is skipped after every per-file reset, as on a real tape
    // the next file's leader comes well after the last record's second copy.
    session->tuning.SkipTime = 1;
  }
  ~RunFixture() { std::filesystem::remove_all(dir); }

  static constexpr int kSkip = 44100;

  std::string Wav(const TapeSound& tape, const std::string& name = "tape.wav", bool extraChunk = false) {
    const std::string path = (dir / name).string();
    tape.WriteWav(path, extraChunk);
    session->conversion.wavPath = path;
    return path;
  }

  // Runs from a fresh READY log and gives the Monitor text as the run left it.
  std::string Run() {
    session->monitor.text = kReadyText;
    RunServices services{view, prompts, volumeProgress, debugger, [this](int slot) { storedSlots.push_back(slot); }};
    RunConversion(*session, services);
    EXPECT_EQ(view.monitor, session->monitor.text) << "the run shows its log at the end";
    return session->monitor.text;
  }
};

}  // namespace sonatap
