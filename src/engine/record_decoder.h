#pragma once
// Turns recognised bits into the cassette layout: data marks, the header's
// record count, two 64-byte blocks per record with checksums, and a FIAD per
// finished file.
#include <functional>
#include <string>

#include "app/run_view.h"
#include "app/user_prompts.h"
#include "engine/sample_buffer.h"
#include "app/session.h"

namespace sonatap {

// Whom the decoder asks when a file is finished.
struct DecoderServices {
  RunView& view;
  UserPrompts& prompts;
  DebuggerWindow& debugger;
  // Told the list slot of every FIAD stored (the CLI writes and empties it).
  std::function<void(int slot)> fiadStored;
};

class RecordDecoder {
 public:
  RecordDecoder(Session& session, SampleBuffer& samples, DecoderServices& services)
      : s_(session), d_(session.decoder), samples_(samples), services_(services) {}

  void ReceiveOneBit();
  void ReceiveZeroBit();
  // The per-file reset: at the start of a run and after every finished file.
  void BeginFileSearch();
  // How many times the decoder has moved the reading position (a search
  // begun again, a new file); recognition that keeps timing state restarts it.
  int64_t Jumps() const { return jumps_; }

 private:
  void CompleteByte();
  void ProcessByte(int b);
  void BeginSearch();
  void LostMark();
  void AcceptRecord();
  void RejectRecord();
  void NextRecordOrFinish();
  void FinishFile();
  void EndBit();
  void Log(const std::string& line) { s_.monitor.Append(line); }

  Session& s_;
  DecoderState& d_;
  SampleBuffer& samples_;
  DecoderServices& services_;
  int64_t jumps_ = 0;
};

// Names the decoded file (asking until 1..10 characters), builds its image
// in the staging slot and lists it. Returns the slot, or 0 when not stored.
int StoreDecodedFiad(Session& session, UserPrompts& prompts);

// After "Store FIAD" in the debugger window: every row in use goes back into
// the decoded records, which are then stored as a FIAD.
int StoreAccumulatedFiad(Session& session, UserPrompts& prompts);

}  // namespace sonatap
