#include "app/main_window_logic.h"

#include <gtest/gtest.h>

#include "support/scripted_fakes.h"
#include "support/temp_files.h"
#include "engine/wav_writer.h"

namespace sonatap {
namespace {


MainEvent Menu(int item) { return {EventKind::Menu, item}; }
MainEvent Gadget(int number) { return {EventKind::Gadget, number}; }

class MainWindow : public ::testing::Test {
 protected:
  std::unique_ptr<Session> session = Session::Create();
  Ports ports;
  MainWindowLogic logic{*session, ports};
  TempDir folder;

  // Tape sound of a 2-record program, made by the synthesis.
  std::string Recording() {
    auto data = std::make_unique<RecordData>();
    for (int i = 1; i <= 128; ++i) (*data)[i] = static_cast<uint8_t>(i * 3);
    auto image = std::make_unique<FiadImage>();
    EXPECT_TRUE(BuildPlain128Image(*image, "TWO", *data, 2));
    NoProgress none;
    const std::string path = folder.Path("two.wav");
    EXPECT_FALSE(WriteWavFile(path, *image, HeaderKind::Plain128, session->shapes.set, none).has_value());
    return path;
  }

  void OpenRecording() {
    ports.prompts.openFiles = {Recording()};
    EXPECT_TRUE(logic.Handle(Menu(menu_item::kOpen)));
  }

  void List(const std::string& name) {
    auto data = std::make_unique<RecordData>();
    FiadSlot& staging = session->fiads.Staging();
    ASSERT_TRUE(BuildPlain128Image(staging.image, name, *data, 1));
    staging.recordCount = 1;
    ASSERT_NE(AddToFiadList(session->fiads, name, ports.prompts).slot, 0);
  }
};

TEST_F(MainWindow, StartAndTheListActionsFollowTheRecordingAndTheSelection) {
  EXPECT_EQ(MainWindowLogic::StartUpStates(), (EnabledStates{false, false}));
  EXPECT_FALSE(logic.DebugMenuAvailable());

  logic.Handle({EventKind::Other, -1});
  EXPECT_EQ(ports.applied.back(), (EnabledStates{false, false}));

  OpenRecording();  // enabled at the end of that same event
  EXPECT_EQ(ports.wavName, "two.wav");
  EXPECT_EQ(ports.applied.back(), (EnabledStates{true, false}));

  List("HELLO");
  ports.row = 0;
  logic.Handle(Gadget(gadget::kFiadList));
  EXPECT_EQ(ports.applied.back(), (EnabledStates{true, true}));
  ports.row = -1;
  logic.Handle(Gadget(gadget::kFiadList));
  EXPECT_EQ(ports.applied.back(), (EnabledStates{true, false}));
}

TEST_F(MainWindow, ClearDisplayResetsTheMonitorAndLeavesTheStatesAlone) {
  session->monitor.Append("Finished.\r\n\r\n");
  EXPECT_TRUE(logic.Handle(Gadget(gadget::kClearDisplay)));
  EXPECT_EQ(ports.monitor, "** READY **\r\n");
  EXPECT_TRUE(ports.applied.empty());
}

TEST_F(MainWindow, AboutHelpTuningAndOptions) {
  logic.Handle(Menu(menu_item::kAbout));
  ASSERT_EQ(ports.prompts.messages.size(), 1u);
  EXPECT_EQ(ports.prompts.messages[0],
            (Message{"Sonatap - About",
                   "Sonatap 0.95b\r\n\r\nTI99/4A Cassette Tape data file conversion tool.\r\n"
                   "Converts between cassette sound and FIAD formats.\r\n14-06-2006.\r\n\r\n"}));
  EXPECT_EQ(ports.focuses, 1);

  logic.Handle(Menu(menu_item::kHelp));
  EXPECT_EQ(ports.documents, std::vector<std::string>{"SonatapHelp.html"});
  logic.Handle(Menu(menu_item::kTuning));
  logic.Handle(Menu(menu_item::kOptions));
  EXPECT_EQ(ports.tuningRuns, 1);
  EXPECT_EQ(ports.optionsRuns, 1);
  // Without a debugger window the Debug item does nothing.
  logic.Handle(Menu(menu_item::kDebug));
  EXPECT_TRUE(ports.prompts.textPrompts.empty());
}

TEST_F(MainWindow, ExitEndsAtOnceTheCloseBoxAfterTheEvent) {
  EXPECT_FALSE(logic.Handle(Menu(menu_item::kExit)));
  EXPECT_TRUE(ports.applied.empty());
  EXPECT_FALSE(logic.Handle({EventKind::CloseBox, -1}));
  EXPECT_EQ(ports.applied.size(), 1u);
}

TEST_F(MainWindow, PressedStartRunsTheConversionAndListsWhatItFinds) {
  session->tuning.SkipTime = 0;
  OpenRecording();
  ports.startPressed = true;
  ports.debugTicked = false;
  ports.prompts.texts = {"TWO"};
  logic.Handle(Gadget(gadget::kStart));
  EXPECT_FALSE(ports.startPressed);
  EXPECT_EQ(ports.run.calls, (std::vector<std::string>{"lock", "unlock"}));
  ASSERT_EQ(ports.prompts.textPrompts.size(), 1u);
  EXPECT_EQ(ports.prompts.textPrompts[0],
            (Message{"Sonatap - Conversion complete", "Enter name of FIAD. (10 Chars Max)"}));
  EXPECT_EQ(session->fiads.Entries(), std::vector<std::string>{"TWO"});
  EXPECT_GE(ports.refreshes, 1);
  const std::string end = "End of Wav File\r\n\r\n";
  ASSERT_GE(ports.run.monitor.size(), end.size());
  EXPECT_EQ(ports.run.monitor.substr(ports.run.monitor.size() - end.size()), end);
  // After the run "Save As" follows the selection again: nothing is selected.
  EXPECT_EQ(ports.applied.back(), (EnabledStates{true, false}));
}

TEST_F(MainWindow, TheDebugBoxDecidesWhetherARunGathers) {
  session->tuning.SkipTime = 0;
  OpenRecording();
  ports.startPressed = true;
  ports.debugTicked = true;
  logic.Handle(Gadget(gadget::kStart));
  EXPECT_TRUE(session->debug.gather);
  EXPECT_EQ(session->debug.count, 2);
  // With no debugger window to store it, the gathered file is not listed.
  EXPECT_TRUE(session->fiads.Entries().empty());
}

TEST_F(MainWindow, DeleteAndListingActOnTheSelectedEntry) {
  List("FIRST");
  List("SECOND");
  ports.row = 1;  // "FIRST": the newest is listed first
  logic.Handle(Gadget(gadget::kViewBasic));
  ASSERT_EQ(ports.listings.size(), 1u);
  EXPECT_EQ(ports.listings[0].factsLines[0], "FIAD Label: FIRST     ");

  logic.Handle(Gadget(gadget::kDeleteFiad));
  EXPECT_EQ(session->fiads.Entries(), std::vector<std::string>{"SECOND"});
  EXPECT_EQ(session->fiads.FindSlot("FIRST"), 0);
  EXPECT_EQ(ports.refreshes, 1);

  ports.row = -1;  // nothing selected: nothing to act on
  logic.Handle(Gadget(gadget::kDeleteFiad));
  logic.Handle(Gadget(gadget::kSaveFiad));
  logic.Handle(Menu(menu_item::kSaveAs));
  EXPECT_EQ(session->fiads.Entries().size(), 1u);
  EXPECT_EQ(ports.prompts.fileTypeAsked, 0);
}

class StoringDebugger final : public DebuggerWindow {
 public:
  bool Run() override { return true; }
};

TEST_F(MainWindow, DebugMenuStoresTheDebuggerFileUnderTheNamePrompt) {
  StoringDebugger debugger;
  MainWindowLogic withDebugger(*session, ports, &debugger);
  EXPECT_TRUE(withDebugger.DebugMenuAvailable());
  session->debug.count = 1;
  session->debug.rows[1].data[1] = 0x42;
  ports.prompts.texts = {"DEBUGGED"};
  withDebugger.Handle(Menu(menu_item::kDebug));
  EXPECT_EQ(session->fiads.Entries(), std::vector<std::string>{"DEBUGGED"});
  const int slot = session->fiads.FindSlot("DEBUGGED");
  ASSERT_NE(slot, 0);
  EXPECT_EQ(session->fiads.Slot(slot).image[128], 0x42);
}

}  // namespace
}  // namespace sonatap
