#pragma once
// Recordings that Open does not take as they are (any rate, width, channels
// or audio format) become, through conditioning, a recording it does take:
// a file in the program run's temporary folder that the run, the debug
// store and the bit view then read. The user's own file is only read.
#include <string>

#include "engine/conditioner.h"
#include "app/main_view.h"
#include "engine/temp_folder.h"
#include "app/user_prompts.h"
#include "app/session.h"

namespace sonatap {

struct ImportedRecording {
  ConditionOutcome outcome;
  std::string path;  // the conditioned recording, when outcome.ok
};

// Where `userPath` conditioned goes in `folder`: named after the user's file
// (and `suffix`); empty when the folder cannot be made.
std::string ConditionedPath(const std::string& userPath, TempFolder& folder, const std::string& suffix = "");
// Conditions `userPath` into `folder`, at ConditionedPath.
ImportedRecording ConditionIntoFolder(const std::string& userPath, TempFolder& folder,
                                      const ConditionOptions& options, ProgressWindow& progress,
                                      const std::string& suffix = "");

// File > Import Recording: the audio file dialog, conditioning under a
// progress window, and then what Open does with a WAV recording (the name
// field shows the user's file; the Monitor the conditioning line).
void ImportRecording(Session& session, UserPrompts& prompts, MainView& view, ProgressWindow& progress,
                     TempFolder& folder);

// What Import Recording does once the user has chosen `path`.
void ImportRecordingFile(const std::string& path, Session& session, UserPrompts& prompts, MainView& view,
                         ProgressWindow& progress, TempFolder& folder);

FileDialog ImportDialog();

}  // namespace sonatap
