#pragma once
// Turns a TI BASIC program image into listing text, one line per program line.
//
// A TI BASIC PROGRAM file holds the program as the TI-99/4A keeps it in VDP
// memory. After the FIAD's 128-byte header, the file's data bytes are:
//   0-1   check word (not read here)
//   2-3   FirstLineAddress: memory address of the top byte of the line number table
//   4-5   StartFileAddress: memory address of the bottom byte of that table,
//         which is also where the memory dump below starts
//   6-7   EndAddress: highest memory address used (shown, not walked)
//   8..   memory dump: the byte at address A is data byte 8 + (A - StartFileAddress)
// All words are big-endian. The line number table holds 4-byte entries (line
// number, pointer to the line's first token), the lowest line number at the
// top, so walking it downwards lists the program in line order. The byte just
// below a line's first token is the line's length L; the L bytes from the
// first token on are its tokens, the last of them 0.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "format/tape_format.h"

namespace sonatap {

// The listing's work array is the decoder's TapeByteStream itself, not a copy
// of it: entry k holds byte k - 1 of the FIAD file (entries 1 to 128 the FIAD
// header, entry 129 the program's first data byte), entries past the copied
// image 0. See ShowBasicListing for what sharing the storage means.
using ProgramImage = TapeByteStream;

// ProgramImage positions of the program header, counted as above.
namespace program_image {
constexpr int kFirstLineAddress = 131;
constexpr int kStartFileAddress = 133;
constexpr int kEndAddress = 135;
// The last header entry: the memory dump starts right after it, so the top of
// the line number table sits at FirstLineAddress - StartFileAddress + kDumpBase + 1.
constexpr int kDumpBase = 136;
// Line lengths are read from 0 up to here, i.e. within the 16,384-byte image
// plus one spare entry; their tokens and strings then stay below entry 16,900.
constexpr int kHighestLinePos = 16384;
constexpr int kLastEntry = kTapeByteStreamEntries - 1;  // 32500
}  // namespace program_image

// Texts by token value; a value no keyword is given for holds "".
using KeywordTable = std::array<std::string_view, 256>;

// The keyword texts of TI BASIC and TI Extended BASIC, blanks included.
// Tokens 199 to 201 carry strings and line numbers and so have no text here.
const KeywordTable& LoadKeywordTable();

// What a listing shows instead of its lines when a line pointer leads out of
// the image (or the table itself would).
inline constexpr std::string_view kCorruptLine1 = "ERROR in code extract!";
inline constexpr std::string_view kCorruptLine2 = "Non TI-BASIC or corrupt file.";

// The big-endian 16-bit value of entries `pos` and `pos + 1`; entries outside
// the array read as 0.
int ProgramWord(const ProgramImage& image, int pos);

// Appends to `line` the tokens of the line whose length byte is at `linePos`.
// `onPending` carries "an ON has been written and no line number since" from
// line to line: it puts the blank before a GOTO or GOSUB that follows an ON.
void DetokenizeLine(const ProgramImage& image, int linePos, const KeywordTable& keywords, bool& onPending,
                    std::string& line);

// Every line of the program, in the order of the line number table. With
// `showRecords`, each line carries the 64-byte FIAD block (from 1, the header
// being blocks 1 and 2) of its table entry and of its first token. Returns
// just kCorruptLine1 and kCorruptLine2 for an image whose pointers leave it,
// and no lines when FirstLineAddress lies below StartFileAddress.
std::vector<std::string> ListProgram(const ProgramImage& image, const KeywordTable& keywords, bool showRecords);

}  // namespace sonatap
