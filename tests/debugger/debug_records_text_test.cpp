#include "app/debug_records_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "support/run_fixture.h"

namespace sonatap {
namespace {

std::string Hex64(int first) {
  std::string s;
  for (int j = 0; j < 64; ++j) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02X", (first + j) & 0xFF);
    s += pair;
  }
  return s;
}

struct Stores {
  std::unique_ptr<DebugStore> store = std::make_unique<DebugStore>();
  std::unique_ptr<TapeByteStream> tape = std::make_unique<TapeByteStream>();
  void FillRow(int row, int first) {
    for (int j = 1; j <= 64; ++j) store->rows[row].data[j] = static_cast<uint8_t>(first + j - 1);
  }
};

TEST(DebugRecordsText, ExportWithAndWithoutTheTapeCopies) {
  Stores s;
  s.store->count = 2;
  s.FillRow(1, 0x10);
  s.FillRow(2, 0xF0);
  EXPECT_EQ(DebugRecordsText(*s.store, *s.tape),
            ";Records Recorded :2\r\n[Record 1]\r\n " + Hex64(0x10) + "\r\n[Record 2]\r\n " + Hex64(0xF0) + "\r\n");

  (*s.tape)[2] = 2, (*s.tape)[3] = 12;
  for (int j = 0; j < 64; ++j) {
    (*s.tape)[5 + j] = static_cast<uint8_t>(0x20 + j);        // record 1, first copy
    (*s.tape)[71 + j] = static_cast<uint8_t>(0x30 + j);       // record 1, second copy
    (*s.tape)[132 + 5 + j] = static_cast<uint8_t>(0x40 + j);  // record 2, first copy
    (*s.tape)[132 + 71 + j] = static_cast<uint8_t>(0x50 + j);
  }
  EXPECT_EQ(DebugRecordsText(*s.store, *s.tape), ";Record copies :2 : 12\r\n;Records Recorded :2\r\n[Record 1]\r\n;" +
                                                     Hex64(0x20) + "\r\n;" + Hex64(0x30) + "\r\n " + Hex64(0x10) +
                                                     "\r\n[Record 2]\r\n;" + Hex64(0x40) + "\r\n;" + Hex64(0x50) +
                                                     "\r\n " + Hex64(0xF0) + "\r\n");
  s.store->count = 0;
  EXPECT_EQ(DebugRecordsText(*s.store, *s.tape), ";Record copies :2 : 12\r\n;Records Recorded :0\r\n");
}

TEST(DebugRecordsText, LastRowsHaveNoCopyLinesWhereTheStreamEnds) {
  Stores s;
  s.store->count = 256;
  (*s.tape)[2] = (*s.tape)[3] = 255;
  const std::string text = DebugRecordsText(*s.store, *s.tape);
  const size_t row246 = text.find("[Record 246]\r\n;");
  ASSERT_NE(row246, std::string::npos);
  EXPECT_NE(text.find("[Record 247]\r\n "), std::string::npos);
  EXPECT_NE(text.find("[Record 256]\r\n "), std::string::npos);
}

TEST(DebugRecordsText, ExportThenImportKeepsTheBytesAndMarksRowsUnknown) {
  Stores s;
  s.store->count = 3;
  for (int r = 1; r <= 3; ++r) s.FillRow(r, r * 40);
  s.store->rows[2].status = RecordStatus::Ok;
  s.store->rows[2].locked = true;
  s.store->rows[2].filePos = 777;
  (*s.tape)[2] = (*s.tape)[3] = 3;
  const std::string text = DebugRecordsText(*s.store, *s.tape);
  auto copy = std::make_unique<DebugStore>(*s.store);
  ImportDebugRecordsText(*copy, text);
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(copy->rows[r].data, s.store->rows[r].data);
    EXPECT_EQ(copy->rows[r].status, RecordStatus::Unknown);
  }
  EXPECT_TRUE(copy->rows[2].locked);
  EXPECT_EQ(copy->rows[2].filePos, 777);
  EXPECT_EQ(copy->rows[4].status, RecordStatus::Bad) << "rows without bytes keep their status";
  EXPECT_EQ(copy->count, 3);
}

TEST(DebugRecordsText, ImporterIsTolerant) {
  struct Case {
    std::string text;
    int row, byte, value;
    RecordStatus status;
  };
  const std::vector<Case> cases = {
      {"[RECORD 7]\r\n 41", 7, 1, 0x41, RecordStatus::Unknown},
      {"[record 7]\n 41", 7, 1, 0x41, RecordStatus::Unknown},
      {"[Record 7\r 41", 7, 1, 0x41, RecordStatus::Unknown},
      {"41 42", 1, 2, 0x42, RecordStatus::Unknown},                       // data before a header: row 1
      {"[Record 3]\n0a 1Bzz2", 3, 2, 0x1B, RecordStatus::Unknown},        // the lone 2 waits
      {"[Record 3]\n0a 1Bzz2\n5", 3, 3, 0x25, RecordStatus::Unknown},     // and pairs with the next line's 5
      {"[Record 3]\n" + std::string(130, 'C'), 4, 1, 0xCC, RecordStatus::Unknown},
      {"[Record 3]\n 11 ; 22 33", 3, 2, 0, RecordStatus::Unknown},        // a comment after ";"
      {"; 11\n[Record 5]\n 99", 1, 1, 0, RecordStatus::Bad},               // comment lines are skipped
      {"[Record 0]\n 99", 1, 1, 0, RecordStatus::Bad},                     // row 0 stops the import
      {"[Record 2]\n 77\n[Record 256]\n 99", 2, 1, 0x77, RecordStatus::Unknown},
      {"[Record x]\n 99", 1, 1, 0, RecordStatus::Bad},
      {"[Record 255]\n" + std::string(128, '1') + "22", 255, 64, 0x11, RecordStatus::Unknown},  // stops after row 255
  };
  for (const Case& c : cases) {
    auto store = std::make_unique<DebugStore>();
    ImportDebugRecordsText(*store, c.text);
    EXPECT_EQ(store->rows[c.row].data[c.byte], c.value) << c.text;
    EXPECT_EQ(store->rows[c.row].status, c.status) << c.text;
  }
  auto store = std::make_unique<DebugStore>();
  ImportDebugRecordsText(*store, "[Record 2]\n 77\n[Record 256]\n 99");
  EXPECT_EQ(store->rows[2].data[2], 0) << "nothing after the stop";
}

TEST(DebugRecordsText, ExportWritesExactlyTheNewTextAndReportsFailures) {
  RunFixture f;
  Stores s;
  s.store->count = 1;
  const std::string path = (f.dir / "records.txt").string();
  std::ofstream(path) << std::string(5000, 'x');  // an older, longer file
  f.prompts.saveFiles = {path, (f.dir / "no/such/file.txt").string(), ""};
  EXPECT_TRUE(ExportDebugRecords(*s.store, *s.tape, f.prompts));
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(written, DebugRecordsText(*s.store, *s.tape));
  EXPECT_EQ(f.prompts.dialogs[0].title, "Sonatap -  Export Debug Data ");
  EXPECT_EQ(f.prompts.dialogs[0].filter, "Text File | *.txt|All Files | *.*");

  EXPECT_FALSE(ExportDebugRecords(*s.store, *s.tape, f.prompts));
  ASSERT_EQ(f.prompts.messages.size(), 1u);
  EXPECT_EQ(f.prompts.messages[0].caption, "Sonatap - File Error!");
  EXPECT_TRUE(ExportDebugRecords(*s.store, *s.tape, f.prompts)) << "cancelled";
  EXPECT_EQ(f.prompts.messages.size(), 1u);
}

TEST(DebugRecordsText, ImportThroughTheDialog) {
  RunFixture f;
  Stores s;
  const std::string path = (f.dir / "in.txt").string();
  std::ofstream(path, std::ios::binary) << "[Record 4]\r\n ABCD\r\n";
  f.prompts.openFiles = {path, (f.dir / "missing.txt").string(), ""};
  ImportDebugRecords(*s.store, f.prompts);
  EXPECT_EQ(s.store->rows[4].data[2], 0xCD);
  EXPECT_EQ(f.prompts.dialogs[0].title, "Sonatap -  Import Debug Data ");
  ImportDebugRecords(*s.store, f.prompts);
  EXPECT_EQ(f.prompts.messages, (std::vector<Message>{{"Sonatap - File Error!", "Error accessing file."}}));
  ImportDebugRecords(*s.store, f.prompts);
  EXPECT_EQ(f.prompts.messages.size(), 1u);
}

}  // namespace
}  // namespace sonatap
