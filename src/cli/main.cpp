// sonatap-cli: the core's jobs for batch use and tests.
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "app/tuning_schema.h"
#include "cli/commands.h"
#include "engine/signal_cleanup.h"

namespace {

// The usage text; the tuning options come from the table the parser reads.
const std::string kUsage =
    "Usage: sonatap-cli COMMAND [ARGS]\n"
    "\n"
    "TI-99/4A cassette data: WAV recordings to FIAD files and back.\n"
    "\n"
    "Commands:\n"
    "  encode IN OUT [--recognition N|NAME]\n"
    "      Turn FIAD file IN into tape sound OUT (\".wav\" is added unless OUT ends\n"
    "      in .wav or .WAV). NAME: natural sine square triangle1 triangle2 dc-offset\n"
    "      adaptive (7 writes the natural shapes, as 6 does).\n"
    "  decode FILE [--out DIR] [--name NAME] [--debug-out FILE] [tuning options]\n"
    "         [--condition] [--channel left|right|auto|N] [--rescue] [--report FILE|-]\n"
    "      Convert every tape file in recording FILE into DIR/NAME.fiad,\n"
    "      DIR/NAME-2.fiad, ... and print the Monitor log. An 8-bit mono 44100 Hz\n"
    "      WAV is read as it is; any other audio file (or any with --condition)\n"
    "      is conditioned first and read with --recognition adaptive. --rescue\n"
    "      scans the conditioned recording with a ladder of methods and keeps,\n"
    "      for each record, a verified reading or a repair (\"repaired\") or marks\n"
    "      it BAD. --report writes every record's verdict as JSON (\"-\": stdout,\n"
    "      the Monitor log then goes to stderr). Tuning options:\n" +
    sonatap::TuningOptionsUsage() +
    "  condition IN OUT [--channel left|right|auto|N]\n"
    "      Write audio file IN as the recording decode reads: 8-bit mono 44100 Hz,\n"
    "      one channel, cleaned, levelled, with the tape speed corrected.\n"
    "  list FILE [--show-records]\n"
    "      Show the header facts and the TI BASIC listing of FIAD file FILE;\n"
    "      --show-records puts the 64-byte block of each line in front of it.\n"
    "  rebuild FILE --count N --name NAME [--out DIR]\n"
    "      Build DIR/NAME.fiad from debug records text FILE (N records, 1..256).\n"
    "  play FILE [--device NAME]\n"
    "      Play FIAD file FILE as tape sound (or WAV file FILE) into a TI-99/4A.\n"
    "  record OUT.wav [--seconds N] [--device NAME]\n"
    "      Record a tape deck into OUT.wav until N seconds or Ctrl-C.\n"
    "  devices\n"
    "      List the sound outputs and inputs.\n"
    "\n"
    "Options: --help, --version\n"
    "Exit status: 0 done (decode: every record of every file stored is O.K.),\n"
    "1 nothing could be made, 2 usage error or refused input, 3 decode stored\n"
    "a file with repaired or BAD records.\n";

}  // namespace

int main(int argc, char** argv) {
  sonatap::RemoveOnEndingSignals();
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = words.front();
  words.erase(words.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "--version") {
    std::cout << "sonatap-cli " SONATAP_VERSION "\n";
    return 0;
  }
  for (const auto& word : words) {
    if (word == "--help" || word == "-h") {
      std::cout << kUsage;
      return 0;
    }
  }
  try {
    if (command == "encode") return sonatap::cli::RunEncode(words);
    if (command == "decode") return sonatap::cli::RunDecode(words);
    if (command == "list") return sonatap::cli::RunList(words);
    if (command == "condition") return sonatap::cli::RunCondition(words);
    if (command == "rebuild") return sonatap::cli::RunRebuild(words);
    if (command == "play") return sonatap::cli::RunPlay(words);
    if (command == "record") return sonatap::cli::RunRecord(words);
    if (command == "devices") return sonatap::cli::RunDevices(words);
    throw sonatap::cli::UsageError("unknown command '" + command + "'");
  } catch (const sonatap::cli::UsageError& error) {
    std::cerr << "sonatap-cli: " << error.what() << "\nTry 'sonatap-cli --help'.\n";
    return 2;
  }
}
