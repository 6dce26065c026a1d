#include "app/fiad_list.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/scripted_fakes.h"

namespace sonatap {
namespace {

const Message kNowFull{"Sonatap - Warning",
                       "Warning!\r\n\r\nFIAD List is now full. The next FIAD opened\r\n"
                       "or converted will not be able to be stored.\r\nTo create space, delete a FIAD."};
const Message kListFull{"Sonatap - Error",
                        "Cannot store FIAD, FIAD list full!\r\n\r\n"
                        "The FIAD list is full and this FIAD cannot be stored.\r\n"
                        "To create space delete a FIAD and reload / reconvert.\r\n"};
const Message kNameTaken{"Sonatap - Warning", "FIAD with that name exists!"};

int Stage(FiadList& list, const std::string& name, ScriptedPrompts& prompts, int records = 1) {
  list.Staging().image.fill(0);
  WritePlain128Name(list.Staging().image, name);
  list.Staging().recordCount = records;
  return AddToFiadList(list, name, prompts).slot;
}

TEST(FiadList, TenFitTheEleventhDoesNot) {
  auto list = std::make_unique<FiadList>();
  ScriptedPrompts prompts;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(Stage(*list, "F" + std::to_string(i), prompts), i + 1);
  EXPECT_EQ(prompts.messages, std::vector<Message>{kNowFull});
  EXPECT_EQ(list->Entries().front(), "F9") << "newest first";
  EXPECT_EQ(Stage(*list, "ELEVEN", prompts), 0);
  EXPECT_EQ(prompts.messages, (std::vector<Message>{kNowFull, kListFull}));
  EXPECT_EQ(list->Entries().size(), 10u);
  EXPECT_EQ(list->Staging().recordCount, 1) << "the image stays staged";
}

TEST(FiadList, ANameThatBeginsAStoredNameIsTaken) {
  auto list = std::make_unique<FiadList>();
  ScriptedPrompts prompts;
  Stage(*list, "ABCD", prompts);
  EXPECT_TRUE(list->NameTaken("ABC"));
  EXPECT_FALSE(list->NameTaken("ABCDE"));

  prompts.texts = {"", "TOOLONGNAME", "NEWNAME"};
  EXPECT_EQ(Stage(*list, "ABC", prompts), 2);
  EXPECT_EQ(prompts.messages, std::vector<Message>{kNameTaken});
  EXPECT_EQ(prompts.textPrompts.front(), (Message{"Enter name for FIAD", "Enter new name of FIAD"}));
  EXPECT_EQ(prompts.textDefaults.front(), "ABC");
  EXPECT_EQ(list->Entries(), (std::vector<std::string>{"NEWNAME", "ABCD"}));
  const FiadImage& renamed = list->Slot(2).image;
  EXPECT_EQ(std::string(renamed.begin(), renamed.begin() + 10), "NEWNAME   ");
}

// A shorter name in a higher slot than a longer name it begins: the entry
// must still find (and delete) its own image.
TEST(FiadList, LookupPrefersTheNameThatEndsThere) {
  auto list = std::make_unique<FiadList>();
  ScriptedPrompts prompts;
  Stage(*list, "X", prompts);       // slot 1
  Stage(*list, "AB", prompts);      // slot 2
  DeleteFiad(*list, 1);             // entries were AB, X
  Stage(*list, "ABCDEF", prompts);  // slot 1: "AB        " does not begin with it
  EXPECT_EQ(list->FindSlot("AB"), 2);
  EXPECT_EQ(list->FindSlot("ABCDEF"), 1);
  DeleteFiad(*list, 1);  // entries are ABCDEF, AB
  EXPECT_FALSE(list->Slot(2).occupied);
  EXPECT_TRUE(list->Slot(1).occupied);
}

TEST(FiadList, DeletingFreesTheSlotTheNextImageTakes) {
  auto list = std::make_unique<FiadList>();
  ScriptedPrompts prompts;
  for (const char* name : {"ONE", "TWO", "THREE"}) Stage(*list, name, prompts);
  DeleteFiad(*list, 2);  // entries are THREE, TWO, ONE: this deletes ONE in slot 1
  EXPECT_EQ(list->Entries(), (std::vector<std::string>{"THREE", "TWO"}));
  EXPECT_FALSE(list->Slot(1).occupied);
  EXPECT_EQ(Stage(*list, "FOUR", prompts), 1);
}

TEST(FiadList, AnImageOfNoRecordsKeepsItsSlot) {
  auto list = std::make_unique<FiadList>();
  ScriptedPrompts prompts;
  EXPECT_EQ(Stage(*list, "EMPTY", prompts, 0), 1);
  EXPECT_EQ(Stage(*list, "NEXT", prompts), 2);
  EXPECT_EQ(list->FindSlot("EMPTY"), 1);
}

TEST(FiadList, TifilesImagesClashAndARenamedOneBecomesAPlainImage) {
  auto list = std::make_unique<FiadList>();
  ScriptedPrompts prompts;
  const std::string tifiles = std::string("\x07") + "TIFILES";
  auto stageTifiles = [&] {
    FiadImage& image = list->Staging().image;
    image.fill(0);
    std::copy(tifiles.begin(), tifiles.end(), image.begin());
    image[tifiles::kSectorsLow] = 2;
    image[tifiles::kFlags] = 0x01;
    image[tifiles::kEofOffset] = 0x40;
    image[200] = 0xAB;
    list->Staging().recordCount = 5;
    return AddToFiadList(*list, tifiles, prompts).slot;
  };
  EXPECT_EQ(stageTifiles(), 1);
  EXPECT_EQ(list->FindSlot(tifiles), 1);
  prompts.texts = {"SECOND"};
  EXPECT_EQ(stageTifiles(), 2);
  EXPECT_EQ(prompts.messages, std::vector<Message>{kNameTaken});
  const FiadImage& renamed = list->Slot(2).image;
  EXPECT_EQ(HeaderKindOf("SECOND"), HeaderKind::Plain128);
  EXPECT_EQ(std::string(renamed.begin(), renamed.begin() + 10), "SECOND    ");
  EXPECT_EQ(renamed[plain128::kSectorsLow], 2);
  EXPECT_EQ(renamed[plain128::kEofOffset], 0x40);
  EXPECT_EQ(renamed[plain128::kFlags], 0x01);
  EXPECT_EQ(renamed[200], 0xAB);
  EXPECT_EQ(UsedLength(renamed, HeaderKind::Plain128), 128 + 512);
}

}  // namespace
}  // namespace sonatap
