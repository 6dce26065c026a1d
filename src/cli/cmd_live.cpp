// play, record, devices: the machine's sound devices from the command line.
#include <csignal>
#include <iostream>
#include <memory>
#include <unistd.h>

#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "cli/commands.h"
#include "live/play_logic.h"
#include "live/record_logic.h"
#include "engine/input_file.h"
#include "format/bit_shapes.h"

namespace sonatap::cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

// Ctrl-C ends the play or recording at the next block instead of the program.
class InterruptCatcher {
 public:
  InterruptCatcher() {
    interrupted = 0;
    previous_ = std::signal(SIGINT, OnInterrupt);
    previousTerm_ = std::signal(SIGTERM, OnInterrupt);
  }
  ~InterruptCatcher() {
    std::signal(SIGINT, previous_);
    std::signal(SIGTERM, previousTerm_);
  }
  bool Interrupted() const { return interrupted != 0; }

 private:
  void (*previous_)(int);
  void (*previousTerm_)(int);
};

// A one-line clock on a terminal, redrawn when its text changes.
class Clock {
 public:
  Clock() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  void Show(const std::string& text) {
    if (!terminal_ || text == shown_) return;
    shown_ = text;
    std::cerr << "\r" << text << "   " << std::flush;
  }
  ~Clock() {
    if (terminal_ && !shown_.empty()) std::cerr << "\n";
  }

 private:
  bool terminal_;
  std::string shown_;
};

}  // namespace

int RunPlay(const std::vector<std::string>& words) {
  const Args args(words, {"device"}, {});
  if (args.Positional().size() != 1) throw UsageError("play needs FILE");
  const std::string path = args.Positional()[0];
  auto image = std::make_unique<FiadImage>();
  const InputFile input = ReadInputFile(path, *image);
  if (input.kind == InputKind::Unreadable) return Fail("Cannot read " + path + ".", 2);

  auto audio = live::OpenAudioSystem();
  live::PlayLogic logic(*audio);
  Shapes shapes;
  LoadShapeSet(shapes, 1, 1);
  const std::string problem = input.kind == InputKind::Fiad
                                  ? logic.UseFiad(*image, HeaderKindOf(input.probe), shapes.set)
                                  : logic.UseFile(path);
  if (!problem.empty()) return Fail(problem, 2);

  InterruptCatcher catcher;
  Clock clock;
  const live::PlayOutcome outcome = logic.Play(args.Value("device").value_or(""), [&] {
    if (catcher.Interrupted()) logic.Stop();
    clock.Show(logic.TimeText());
  });
  if (outcome.end == live::PlayEnd::NotOpened || outcome.end == live::PlayEnd::DeviceLost)
    return Fail(outcome.message, 1);
  std::cerr << ToUnixLines(outcome.message) << "\n";
  return 0;
}

int RunRecord(const std::vector<std::string>& words) {
  const Args args(words, {"device", "seconds"}, {});
  if (args.Positional().size() != 1) throw UsageError("record needs OUT");
  const int seconds = args.Integer("seconds", 1, 24 * 3600, 0);
  auto audio = live::OpenAudioSystem();
  live::RecordLogic logic(*audio);
  if (std::string none = logic.NoDeviceText(); !none.empty()) return Fail(none, 1);

  InterruptCatcher catcher;
  Clock clock;
  const live::RecordOutcome outcome =
      logic.Record(args.Value("device").value_or(""), args.Positional()[0], seconds, [&] {
        if (catcher.Interrupted()) logic.Stop();
        const live::LevelMeter& meter = logic.Meter();
        std::string levels;
        for (int c = 0; c < meter.Channels(); ++c)
          levels += " " + std::to_string(static_cast<int>(meter.ShownDb(c))) + " dB";
        clock.Show(logic.TimeText() + "  " + logic.SizeWrittenText() + " " + levels);
      });
  if (outcome.end != live::RecordEnd::Finished && outcome.end != live::RecordEnd::Stopped)
    return Fail(outcome.message, 1);
  std::cerr << ToUnixLines(outcome.message) << " (16-bit, " << logic.Channels() << " channel"
            << (logic.Channels() == 1 ? "" : "s") << ", " << logic.Rate() << " Hz)\n";
  return 0;
}

int RunDevices(const std::vector<std::string>& words) {
  const Args args(words, {}, {});
  if (!args.Positional().empty()) throw UsageError("devices takes no FILE");
  auto audio = live::OpenAudioSystem();
  const auto devices = audio->Devices();
  if (devices.empty()) return Fail(audio->Problem().empty() ? "No audio device was found." : audio->Problem(), 1);
  for (const live::DeviceInfo& device : devices) {
    std::cout << device.name << "\n    in " << device.inputChannels << ", out " << device.outputChannels << ", "
              << device.defaultRate << " Hz";
    if (device.defaultInput) std::cout << ", default input";
    if (device.defaultOutput) std::cout << ", default output";
    std::cout << "\n";
  }
  return 0;
}

}  // namespace sonatap::cli
