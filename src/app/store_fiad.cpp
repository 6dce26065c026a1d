#include "app/store_fiad.h"

namespace sonatap {

StoreResult StoreDecodedFiad(Session& session, UserPrompts& prompts) {
  DecoderState& d = session.decoder;
  FiadSlot& staging = session.fiads.Staging();
  if (d.recordCount > kMaxBuiltRecords) {
    prompts.ShowMessage("Sonatap - Error", "Cannot store FIAD: the tape file holds " + std::to_string(d.recordCount) +
                                               " records,\r\nmore than the " + std::to_string(kMaxBuiltRecords) +
                                               " a FIAD file can hold.");
    return {StoreOutcome::TooManyRecords, 0};
  }
  const auto name = prompts.AskFiadName("Sonatap - Conversion complete", "Enter name of FIAD. (10 Chars Max)",
                                        FileNamePart(session.conversion.wavPath));
  if (!name) return {StoreOutcome::Declined, 0};
  staging.image.fill(0);
  BuildPlain128Image(staging.image, *name, d.recordData, d.recordCount);
  staging.recordCount = d.recordCount;
  return AddToFiadList(session.fiads, *name, prompts);
}

StoreResult StoreAccumulatedFiad(Session& session, UserPrompts& prompts) {
  session.debug.WriteBack(session.decoder.recordData, session.decoder.recordCount);
  return StoreDecodedFiad(session, prompts);
}

}  // namespace sonatap
