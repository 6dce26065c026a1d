#pragma once
// The debug records as plain text, for keeping a hard recording's bytes
// between program runs and correcting them in a text editor:
//
//   ;Record copies :12 : 12     (only when both header count bytes are known)
//   ;Records Recorded :12
//   [Record 1]
//   ;<128 hex digits>           the record's first tape copy   } same condition
//   ;<128 hex digits>           its second tape copy           } as line 1
//    <128 hex digits>           the row's bytes: the only line read back
//
// Lines end in CR LF; ";" starts a comment.
#include <string>
#include <string_view>

#include "app/debug_store.h"
#include "app/user_prompts.h"
#include "format/tape_format.h"

namespace sonatap {

std::string DebugRecordsText(const DebugStore& store, const TapeByteStream& tape);

// Reads rows' bytes back into the store (the count, locks and positions stay).
void ImportDebugRecordsText(DebugStore& store, std::string_view text);

// Streams a file into the store; false when it cannot be read.
bool ImportDebugRecordsFile(DebugStore& store, const std::string& path);

// "Export" and "Import" of the debugger window, with their file dialogs.
// Returns false when an export could not be written (the user was told).
bool ExportDebugRecords(const DebugStore& store, const TapeByteStream& tape, UserPrompts& prompts);
void ImportDebugRecords(DebugStore& store, UserPrompts& prompts);

}  // namespace sonatap
