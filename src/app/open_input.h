#pragma once
#include "app/main_view.h"
#include "app/user_prompts.h"
#include "app/session.h"

namespace sonatap {

// File > Open: one dialog for both kinds. A WAV recording becomes the one the
// next run reads; a FIAD file is loaded whole into the list.
void OpenInputFile(Session& session, UserPrompts& prompts, MainView& view);

// The open dialog's title and filters.
FileDialog OpenDialog();

}  // namespace sonatap
