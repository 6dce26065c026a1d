#pragma once
// Storing a decoded tape file as a FIAD in the list of loaded FIADs.
#include "app/fiad_list.h"
#include "app/session.h"
#include "app/user_prompts.h"

namespace sonatap {

// Names the decoded file (the prompts ask for 1..10 characters), builds its
// image in the staging slot and lists it.
StoreResult StoreDecodedFiad(Session& session, UserPrompts& prompts);

// After "Store FIAD" in the debugger window: every row in use goes back into
// the decoded records, which are then stored as a FIAD.
StoreResult StoreAccumulatedFiad(Session& session, UserPrompts& prompts);

}  // namespace sonatap
