#pragma once
#include "platform/main_view.h"
#include "platform/user_prompts.h"
#include "shell/session.h"

namespace sonatap {

// File > Open: one dialog for both kinds. A WAV recording becomes the one the
// next run reads; a FIAD file is loaded whole into the list.
void OpenInputFile(Session& session, UserPrompts& prompts, MainView& view);

// The open dialog's title and filters.
FileDialog OpenDialog();

}  // namespace sonatap
