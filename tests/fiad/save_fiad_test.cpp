#include "app/save_fiad.h"

#include <gtest/gtest.h>

#include "support/scripted_fakes.h"
#include "support/temp_files.h"

namespace sonatap {
namespace {


class SaveFiad : public ::testing::Test {
 protected:
  std::unique_ptr<Session> session = Session::Create();
  Ports ports;
  TempDir folder;

  // Lists a converted image of `records` records named `name`.
  void ListConverted(const std::string& name, int records) {
    auto data = std::make_unique<RecordData>();
    for (int i = 1; i <= records * 64; ++i) (*data)[i] = static_cast<uint8_t>(i);
    FiadSlot& staging = session->fiads.Staging();
    ASSERT_TRUE(BuildPlain128Image(staging.image, name, *data, records));
    staging.recordCount = records;
    ASSERT_NE(AddToFiadList(session->fiads, name, ports.prompts).slot, 0);
  }

  // Lists a TIFILES image of `sectors` sectors whose last one holds `eof` bytes.
  void ListTifiles(int sectors, int eof) {
    FiadSlot& staging = session->fiads.Staging();
    const std::string magic = "\x07TIFILES";
    std::copy(magic.begin(), magic.end(), staging.image.begin());
    staging.image[9] = static_cast<uint8_t>(sectors);
    staging.image[12] = static_cast<uint8_t>(eof);
    for (int i = 128; i < 128 + sectors * 256; ++i) staging.image[i] = static_cast<uint8_t>(i * 7);
    staging.recordCount = sectors * 4;
    ASSERT_NE(AddToFiadList(session->fiads, magic, ports.prompts).slot, 0);
  }

  void Save(const std::string& name) { SaveSelectedFiad(*session, name, ports.prompts, ports.progress, ports); }
  std::string ImageBytes(const std::string& name, int length) {
    const FiadImage& image = session->fiads.Slot(session->fiads.FindSlot(name)).image;
    return std::string(image.begin(), image.begin() + length);
  }
};

TEST_F(SaveFiad, WritesThePlainHeaderAndWholeSectorsUnderTheTypedPath) {
  ListConverted("HELLO", 3);
  ListConverted("LONGER", 5);
  ports.prompts.fileTypes = {SaveFileType::Fiad, SaveFileType::Fiad};
  ports.prompts.saveFiles = {folder.Path("hello"), folder.Path("longer.fiad")};
  Save("HELLO");
  Save("LONGER");

  ASSERT_EQ(ports.prompts.dialogs.size(), 2u);
  EXPECT_EQ(ports.prompts.dialogs[0].title, "Sonatap -  Save TI FIAD File HELLO");
  EXPECT_EQ(ports.prompts.dialogs[0].filter, "FIAD File | *.fiad|All Files | *.*");
  EXPECT_EQ(ports.prompts.dialogs[0].selectedFilter, 2);
  // 3 records fill one sector; 5 records need two.
  EXPECT_EQ(Slurp(folder.Path("hello")), ImageBytes("HELLO", 384));
  EXPECT_EQ(Slurp(folder.Path("longer.fiad")), ImageBytes("LONGER", 640));
  EXPECT_EQ(ports.focuses, 2);
  EXPECT_TRUE(ports.prompts.messages.empty());
}

TEST_F(SaveFiad, WritesATifilesImageUpToItsEndOfFileOffset) {
  ListTifiles(2, 0x40);
  ports.prompts.fileTypes = {SaveFileType::Fiad};
  ports.prompts.saveFiles = {folder.Path("short.fiad")};
  Save("\x07TIFILES");
  EXPECT_EQ(Slurp(folder.Path("short.fiad")), ImageBytes("\x07TIFILES", 128 + 256 + 64));

  session->fiads.Slot(session->fiads.FindSlot("\x07TIFILES")).image[12] = 0;
  ports.prompts.fileTypes = {SaveFileType::Fiad};
  ports.prompts.saveFiles = {folder.Path("full.fiad")};
  Save("\x07TIFILES");
  EXPECT_EQ(Slurp(folder.Path("full.fiad")).size(), 640u);
}

TEST_F(SaveFiad, ReplacesAnOlderLongerFileWhole) {
  ListConverted("HELLO", 3);
  folder.Write("old.fiad", std::string(2000, 'x'));
  ports.prompts.fileTypes = {SaveFileType::Fiad};
  ports.prompts.saveFiles = {folder.Path("old.fiad")};
  Save("HELLO");
  EXPECT_EQ(Slurp(folder.Path("old.fiad")), ImageBytes("HELLO", 384));
}

TEST_F(SaveFiad, CancellingTheDialogWritesNothingAndUnknownNamesAskNothing) {
  ListConverted("HELLO", 3);
  ports.prompts.fileTypes = {SaveFileType::Fiad};
  ports.prompts.saveFiles = {""};
  Save("HELLO");
  EXPECT_TRUE(std::filesystem::is_empty(folder.path));
  EXPECT_EQ(ports.focuses, 0);

  Save("NOSUCH");
  EXPECT_EQ(ports.prompts.fileTypeAsked, 1);
}

TEST_F(SaveFiad, WavChoiceGoesToTheSoundWriterWithoutTheFiadDialog) {
  ListConverted("HELLO", 3);
  ports.prompts.fileTypes = {SaveFileType::Wav};
  ports.prompts.saveFiles = {folder.Path("tape")};
  Save("HELLO");
  ASSERT_EQ(ports.prompts.dialogs.size(), 1u);
  EXPECT_EQ(ports.prompts.dialogs[0].title, "Sonatap - Save TI Wav File HELLO");
  // Three records on tape: 256 * (771 + 148 * 3) samples after the 44-byte header.
  EXPECT_EQ(Slurp(folder.Path("tape.wav")).size(), 44u + 256u * (771 + 148 * 3));
  EXPECT_FALSE(std::filesystem::exists(folder.Path("tape")));
}

TEST_F(SaveFiad, SaysSoWhenTheFileCannotBeWritten) {
  ListConverted("HELLO", 3);
  const std::string path = folder.Path("missing/hello.fiad");
  ports.prompts.fileTypes = {SaveFileType::Fiad};
  ports.prompts.saveFiles = {path};
  Save("HELLO");
  ASSERT_EQ(ports.prompts.messages.size(), 1u);
  EXPECT_EQ(ports.prompts.messages[0], (Message{"Sonatap - File Error!", "Error writing file.\r\n" + path}));
}

}  // namespace
}  // namespace sonatap
