// A conversion run through the desktop program's view (both optional
// windows closed) against the same run with no view at all, as the CLI
// runs it. Prints both times and their ratio.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "gui/main_window.h"
#include "app/silent_views.h"
#include "app/conversion_run.h"
#include "engine/tape_synthesis.h"
#include "engine/wav_writer.h"

using namespace sonatap;

namespace {

double Seconds(Session& session, RunView& view, const std::string& wav) {
  session.conversion.wavPath = wav;
  session.tuning.SkipTime = 0;
  NamingPrompts prompts("BENCH");
  NoProgress progress;
  NoDebuggerWindow debugger;
  RunServices services{view, prompts, progress, debugger, [&session](int) { session.fiads.Clear(); }};
  const auto start = std::chrono::steady_clock::now();
  RunConversion(session, services);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  gui::MainWindow window;
  window.show();
  QCoreApplication::processEvents();

  // A 100-record program as tape sound: about 3.8 million samples.
  const int records = 100;
  auto data = std::make_unique<RecordData>();
  for (int i = 1; i <= records * 64; ++i) (*data)[i] = static_cast<uint8_t>(i * 37);
  auto image = std::make_unique<FiadImage>();
  BuildPlain128Image(*image, "BENCH", *data, records);
  const std::string wav = (std::filesystem::temp_directory_path() / "sonatap-gui-bench.wav").string();
  NoProgress none;
  WriteWavFile(wav, *image, HeaderKind::Plain128, window.State().shapes.set, none);

  auto cliSession = Session::Create();
  SilentRunView noView;
  double cli = 1e9, gui = 1e9;
  for (int round = 0; round < 5; ++round) {  // the best of five, alternating
    cli = std::min(cli, Seconds(*cliSession, noView, wav));
    gui = std::min(gui, Seconds(window.State(), window.ConversionView(), wav));
  }
  std::filesystem::remove(wav);
  if (getenv("BENCH_DEBUG")) {
    std::printf("%s\n---\n", cliSession->monitor.text.substr(cliSession->monitor.text.size() > 400 ? cliSession->monitor.text.size() - 400 : 0).c_str());
  }
  std::printf("conversion run of %d records (%.1f s of sound): CLI %.1f ms, GUI %.1f ms\n", records,
              static_cast<double>(TapeSampleCount(records)) / 44100.0, cli * 1000, gui * 1000);
  std::printf("GUI/CLI ratio: %.3f (target <= 1.2)\n", gui / cli);
  return 0;
}
