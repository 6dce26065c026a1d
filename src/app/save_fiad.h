#pragma once
// "Save FIAD as.. (Wav or FIAD)": the image of the selected "Loaded FIADs"
// entry goes to disk as a FIAD file or as tape sound, as the user chooses.
#include <string>

#include "app/main_view.h"
#include "engine/wav_writer.h"
#include "app/user_prompts.h"
#include "app/session.h"

namespace sonatap {

// The FIAD save dialog for the image listed as `name`: "All Files" preselected.
FileDialog FiadSaveDialog(const std::string& name);

// Asks for the file type, then writes the image listed as `entryName`: as a
// FIAD file of its used length (the path used as typed), or through SaveWav.
// Nothing happens when no slot has that name. The image and the list stay as
// they are.
// The Wav branch of "Save As": the save dialog, the name rule, the
// "Saving Wav" progress window and the file. Problems are message boxes.
void SaveWav(const FiadImage& image, const std::string& listName, const ShapeSet& shapes, UserPrompts& prompts,
             ProgressWindow& progress);

void SaveSelectedFiad(Session& session, const std::string& entryName, UserPrompts& prompts,
                      ProgressWindow& wavProgress, MainView& view);

}  // namespace sonatap
