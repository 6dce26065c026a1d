#include "app/debug_records_text.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "engine/file_writer.h"
#include "engine/input_file.h"
#include "format/parse_number.h"

namespace sonatap {
namespace {

constexpr int kFirstCopyData = 5;       // entry of record 1's first data byte
constexpr int kSecondCopyData = 71;
constexpr int kLastImportRow = 255;
constexpr const char* kTextFilter = "Text File | *.txt|All Files | *.*";

void AppendHex(std::string& out, int value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += kDigits[(value >> 4) & 15];
  out += kDigits[value & 15];
}

// The raw copy of a record as read from tape, or nothing for the last rows
// whose copies would lie beyond what the stream holds.
bool AppendCopyLine(std::string& out, const TapeByteStream& tape, int firstEntry) {
  if (firstEntry + kRecordBytes > kTapeByteStreamEntries) return false;
  out += ';';
  for (int j = 0; j < kRecordBytes; ++j) AppendHex(out, tape[firstEntry + j]);
  out += "\r\n";
  return true;
}

// Reads the text one character at a time, so that neither a huge file nor
// a huge line is ever held whole.
class Importer {
 public:
  explicit Importer(DebugStore& store) : store_(store) {}
  bool Stopped() const { return stopped_; }

  void Feed(char c) {
    if (stopped_) return;
    if (c == '\n' && afterCr_) {
      afterCr_ = false;
      return;  // the LF of a CR LF
    }
    afterCr_ = c == '\r';
    if (c == '\r' || c == '\n') {
      EndLine();
      return;
    }
    switch (mode_) {
      case Mode::Prefix: FeedPrefix(c); break;
      case Mode::Header: FeedHeader(c); break;
      case Mode::Data: FeedData(c); break;
      case Mode::Skip: break;
    }
  }
  void Finish() {  // an odd last digit stays unused
    if (!stopped_) EndLine();
  }

 private:
  enum class Mode { Prefix, Header, Data, Skip };
  static constexpr std::string_view kHeader = "[record";

  static bool PrefixOfHeader(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
      if (i >= kHeader.size() || std::tolower(static_cast<unsigned char>(text[i])) != kHeader[i]) return false;
    }
    return true;
  }

  void FeedPrefix(char c) {
    line_ += c;
    if (line_.size() == 1 && c == ';') {
      mode_ = Mode::Skip;
    } else if (!PrefixOfHeader(line_)) {
      StartData();
    } else if (line_.size() == kHeader.size()) {
      mode_ = Mode::Header;
    }
  }

  // The number is the three characters after "[Record ", a "]" dropped.
  void FeedHeader(char c) {
    line_ += c;
    if (line_.size() == kHeader.size() + 4) EndHeader();
  }

  void EndHeader() {
    std::string number = line_.size() > 8 ? line_.substr(8, 3) : "";
    if (!number.empty() && number.back() == ']') number.pop_back();
    row_ = LeadingNumber(number);
    pos_ = 1;
    if (row_ < 1 || row_ > kLastImportRow) stopped_ = true;
    mode_ = Mode::Skip;
  }

  static int LeadingNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    int sign = 1;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) sign = text[i++] == '-' ? -1 : 1;
    int value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) value = value * 10 + (text[i++] - '0');
    return sign * value;
  }

  void StartData() {
    mode_ = Mode::Data;
    if (row_ == 0) row_ = 1;  // bytes before any header go to row 1
    const std::string pending = std::move(line_);
    line_.clear();
    for (char c : pending) FeedData(c);
  }

  void FeedData(char c) {
    if (mode_ != Mode::Data) return;
    if (c == ';') {
      mode_ = Mode::Skip;
      return;
    }
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!std::isxdigit(static_cast<unsigned char>(upper))) return;
    pair_ += upper;
    if (pair_.size() < 2) return;
    DebugRecord& record = store_.rows[row_];
    record.data[pos_] = static_cast<uint8_t>(ParseNumber("$" + pair_));
    record.status = RecordStatus::Unknown;
    pair_.clear();
    if (++pos_ > kRecordBytes) {
      pos_ = 1;
      if (++row_ > kLastImportRow) {
        stopped_ = true;
        mode_ = Mode::Skip;
      }
    }
  }

  void EndLine() {
    if (mode_ == Mode::Prefix) StartData();  // a short line that is no header
    if (mode_ == Mode::Header) EndHeader();
    mode_ = Mode::Prefix;
    line_.clear();
  }

  DebugStore& store_;
  int row_ = 0, pos_ = 1;
  std::string pair_;  // spans lines
  std::string line_;  // the start of the current line, while its kind is open
  Mode mode_ = Mode::Prefix;
  bool afterCr_ = false;
  bool stopped_ = false;
};

}  // namespace

std::string DebugRecordsText(const DebugStore& store, const TapeByteStream& tape) {
  std::string out;
  const bool copies = tape[2] != 0 && tape[3] != 0;
  if (copies) out += ";Record copies :" + std::to_string(tape[2]) + " : " + std::to_string(tape[3]) + "\r\n";
  out += ";Records Recorded :" + std::to_string(store.count) + "\r\n";
  for (int row = 1; row <= store.count; ++row) {
    out += "[Record " + std::to_string(row) + "]\r\n";
    if (copies) {
      const int base = (row - 1) * kRawBlockEntries;
      AppendCopyLine(out, tape, base + kFirstCopyData);
      AppendCopyLine(out, tape, base + kSecondCopyData);
    }
    out += ' ';
    for (int j = 1; j <= kRecordBytes; ++j) AppendHex(out, store.rows[row].data[j]);
    out += "\r\n";
  }
  return out;
}

void ImportDebugRecordsText(DebugStore& store, std::string_view text) {
  Importer importer(store);
  for (char c : text) {
    importer.Feed(c);
    if (importer.Stopped()) return;
  }
  importer.Finish();
}

bool ExportDebugRecords(const DebugStore& store, const TapeByteStream& tape, UserPrompts& prompts) {
  const std::string path = prompts.ChooseSaveFile({"Sonatap -  Export Debug Data ", kTextFilter, 1});
  if (path.empty()) return true;
  const std::string text = DebugRecordsText(store, tape);
  // Written whole through a temporary file: an older, longer export leaves
  // no tail behind that a later import would read as records.
  AtomicFileWriter file(path);
  if (file.Open()) file.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (file.Commit()) return true;
  prompts.ShowMessage(kFileErrorCaption, WriteErrorText(path));
  return false;
}

bool ImportDebugRecordsFile(DebugStore& store, const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  Importer importer(store);
  char buffer[65536];
  while (!importer.Stopped() && (in.read(buffer, sizeof buffer), in.gcount() > 0)) {
    for (std::streamsize i = 0; i < in.gcount() && !importer.Stopped(); ++i) importer.Feed(buffer[i]);
  }
  importer.Finish();
  return !in.bad();
}

void ImportDebugRecords(DebugStore& store, UserPrompts& prompts) {
  const std::string path = prompts.ChooseOpenFile({"Sonatap -  Import Debug Data ", kTextFilter, 1});
  if (path.empty()) return;
  if (!ImportDebugRecordsFile(store, path)) prompts.ShowMessage(kFileErrorCaption, kAccessErrorText);
}

}  // namespace sonatap
