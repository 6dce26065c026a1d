#include "format/detokenizer.h"

#include <cstdint>
#include <utility>

namespace sonatap {
namespace {

struct TokenText {
  uint8_t token;
  std::string_view text;
};

// The keyword of each token. The blanks are part of the texts: the listing
// adds none of its own, so a keyword without a trailing blank (IMAGE, LINPUT,
// the functions) runs straight into what follows it, and the operators that
// read as words (THEN, TO, AND, ...) bring a blank on both sides.
constexpr TokenText kTokenList[] = {
    {0, "RUN "},         {1, "NEW "},        {2, "CONTINUE "},    {3, "LIST "},      {4, "BYE"},
    {5, "NUMBER "},      {6, "OLD "},        {7, "RESEQUENCE "},  {8, "SAVE "},      {9, "EDIT "},
    {129, " ELSE "},     {130, " :: "},      {131, "! "},         {132, "IF "},      {133, "GO "},
    {134, "GOTO "},      {135, "GOSUB "},    {136, "RETURN "},    {137, "DEF "},     {138, "DIM "},
    {139, "END "},       {140, "FOR "},      {141, "LET "},       {142, "BREAK "},   {143, "UNBREAK "},
    {144, "TRACE "},     {145, "UNTRACE "},  {146, "INPUT "},     {147, "DATA "},    {148, "RESTORE "},
    {149, "RANDOMIZE "}, {150, "NEXT "},     {151, "READ "},      {152, "STOP "},    {153, "DELETE "},
    {154, "REM "},       {155, "ON "},       {156, "PRINT "},     {157, "CALL "},    {158, "OPTION "},
    {159, "OPEN "},      {160, "CLOSE "},    {161, "SUB "},       {162, "DISPLAY "}, {163, "IMAGE"},
    {164, "ACCEPT "},    {165, "ERROR "},    {166, "WARNING"},    {167, "SUBEXIT"},  {168, "SUBEND"},
    {170, "LINPUT"},     {176, " THEN "},    {177, " TO "},       {178, " STEP "},   {179, ","},
    {180, ";"},          {181, ":"},         {182, ")"},          {183, "("},        {184, "&"},
    {186, " OR "},       {187, " AND "},     {188, " XOR "},      {189, " NOT "},    {190, "="},
    {191, "<"},          {192, ">"},         {193, "+"},          {194, "-"},        {195, "*"},
    {196, "/"},          {197, "^"},         {202, "EOF "},       {203, "ABS"},      {204, "ATN"},
    {205, "COS"},        {206, "EXP"},       {207, "INT"},        {208, "LOG"},      {209, "SGN"},
    {210, "SIN"},        {211, "SQR"},       {212, "TAN"},        {213, "LEN"},      {214, "CHR$"},
    {215, "RND"},        {216, "SEG$"},      {217, "POS"},        {218, "VAL"},      {219, "STR$"},
    {220, "ASC"},        {221, "PI"},        {222, "REC"},        {223, "MAX"},      {224, "MIN"},
    {225, "RPT$"},       {232, "NUMERIC"},   {233, "DIGIT"},      {234, "UALPHA"},   {235, "SIZE"},
    {236, "ALL"},        {237, "USING "},    {238, "BEEP"},       {239, "ERASE "},   {240, "AT"},
    {241, "BASE "},      {243, "VARIABLE "}, {244, "RELATIVE "},  {245, "INTERNAL "}, {246, "SEQUENTIAL "},
    {247, "OUTPUT "},    {248, "UPDATE "},   {249, "APPEND "},    {250, "FIXED "},   {251, "PERMANENT "},
    {252, "TAB"},        {253, "#"},         {254, " VALIDATE"},
};

constexpr KeywordTable BuildKeywordTable() {
  KeywordTable table{};
  for (const TokenText& entry : kTokenList) table[entry.token] = entry.text;
  return table;
}

constexpr KeywordTable kKeywordTable = BuildKeywordTable();

// Tokens that are not keywords: what follows them is data.
constexpr int kQuotedString = 199;    // count n, then n characters, shown in double quotes
constexpr int kUnquotedString = 200;  // count n, then n characters (names, numbers)
constexpr int kLineNumber = 201;      // a big-endian line number (GOTO 100, THEN 100, ...)
constexpr int kGoto = 134;
constexpr int kGosub = 135;
constexpr int kOn = 155;

using namespace program_image;

// Entry `pos` of the work array, 0 outside it: no index reaches memory
// outside the array, whatever the image holds.
int At(const ProgramImage& image, int pos) {
  return pos >= 0 && pos < static_cast<int>(image.size()) ? image[static_cast<size_t>(pos)] : 0;
}

// Appends the `count` bytes after `pos` as they are; a 0 byte adds nothing.
void AppendBytes(const ProgramImage& image, int pos, int count, std::string& line) {
  for (int k = 1; k <= count; ++k) {
    if (const int byte = At(image, pos + k); byte != 0) line.push_back(static_cast<char>(byte));
  }
}

// The 64-byte FIAD block holding entry `pos` (file byte pos - 1), from 1.
int BlockOf(int pos) { return (pos + 63) / 64; }

std::string ThreeDigits(int value) {
  std::string digits = std::to_string(value);
  return std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits;
}

std::vector<std::string> CorruptListing() { return {std::string(kCorruptLine1), std::string(kCorruptLine2)}; }

}  // namespace

const KeywordTable& LoadKeywordTable() { return kKeywordTable; }

int ProgramWord(const ProgramImage& image, int pos) { return At(image, pos) << 8 | At(image, pos + 1); }

void DetokenizeLine(const ProgramImage& image, int linePos, const KeywordTable& keywords, bool& onPending,
                    std::string& line) {
  const int length = At(image, linePos);
  for (int i = 1; i <= length; ++i) {
    const int t = At(image, linePos + i);
    if (t == 0 && i == length) break;  // the line's closing 0; a 0 earlier is the RUN token
    switch (t) {
      case kQuotedString:
      case kUnquotedString: {
        // Quotes inside a quoted string are stored once and shown once, so
        // the text is not the one typed when it held doubled quotes.
        const int count = At(image, linePos + i + 1);
        if (t == kQuotedString) line.push_back('"');
        AppendBytes(image, linePos + i + 1, count, line);
        if (t == kQuotedString) line.push_back('"');
        i += 1 + count;
        break;
      }
      case kLineNumber:
        line += std::to_string(ProgramWord(image, linePos + i + 1));
        i += 2;
        onPending = false;
        break;
      default:
        if (t >= 32 && t <= 126) {
          line.push_back(static_cast<char>(t));
        } else if (const std::string_view keyword = keywords[static_cast<size_t>(t)]; !keyword.empty()) {
          // "ON X GOTO": the variable carries no blank of its own, the
          // GOTO's blank must come from somewhere. Only an ON asks for it;
          // the line number list after GOTO clears the request.
          if (onPending && (t == kGoto || t == kGosub)) {
            line.push_back(' ');
            onPending = false;
          }
          line += keyword;
          if (t == kOn) onPending = true;
        } else {
          line += " !(" + std::to_string(t) + ")! ";
        }
        break;
    }
  }
}

std::vector<std::string> ListProgram(const ProgramImage& image, const KeywordTable& keywords, bool showRecords) {
  const int firstLine = ProgramWord(image, kFirstLineAddress);
  const int startFile = ProgramWord(image, kStartFileAddress);
  // The position of the top table entry's pointer. Below kDumpBase the table
  // is empty (its top lies below its bottom), so nothing is listed. A table
  // reaching past the work array cannot be a program read from a file of at
  // most 16 KB, and is reported like a pointer out of range.
  const int top = firstLine - startFile + kDumpBase;
  if (top < kDumpBase) return {};
  if (top > kLastEntry - 1) return CorruptListing();
  const auto base = static_cast<int16_t>(top);

  std::vector<std::string> lines;
  bool onPending = false;
  for (int entryPos = base; entryPos >= kDumpBase; entryPos -= 4) {
    std::string line;
    if (showRecords) line += "<" + std::to_string(BlockOf(entryPos - 2)) + "> ";
    line += std::to_string(ProgramWord(image, entryPos - 2)) + " ";
    // The pointer is a memory address; its place in the array is measured
    // from the table's top. The sum is held in a signed 16-bit cell like
    // every position of the walk, so a pointer far outside the image can
    // wrap back into range and is then listed from where it lands.
    const auto linePos = static_cast<int16_t>(ProgramWord(image, entryPos) - firstLine + base);
    if (linePos < 0 || linePos > kHighestLinePos) return CorruptListing();
    if (showRecords) line += "<" + ThreeDigits(BlockOf(linePos + 1)) + "> ";
    DetokenizeLine(image, linePos, keywords, onPending, line);
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace sonatap
