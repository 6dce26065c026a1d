#pragma once
// The FIADs loaded during this program run: a staging slot (0) where an image
// is built or loaded, and ten listed slots shown by name under "Loaded FIADs".
#include <array>
#include <string>
#include <vector>

#include "format/fiad_image.h"
#include "app/user_prompts.h"

namespace sonatap {

struct FiadSlot {
  // A tape file may hold 0 records, so a slot's occupancy is kept apart from
  // its record count (a 0-record image must not leave its slot looking free).
  bool occupied = false;
  int recordCount = 0;
  FiadImage image{};
};

class FiadList {
 public:
  static constexpr int kListedSlots = 10;
  static constexpr int kStagingSlot = 0;

  FiadSlot& Slot(int slot) { return slots_.at(slot); }
  const FiadSlot& Slot(int slot) const { return slots_.at(slot); }
  FiadSlot& Staging() { return slots_[kStagingSlot]; }

  // The slot an entry's name refers to, or 0. The name must spell the header
  // name whole: a plain name must end there (a space or all 10 characters),
  // a TIFILES image is found by its 8-character 0x07 "TIFILES" name.
  int FindSlot(const std::string& name) const;
  // Whether a new image may not take `name`: any occupied slot whose header
  // begins with it counts, so a name that begins a stored name is taken.
  bool NameTaken(const std::string& name) const;
  int FirstFreeSlot() const;  // 0 when all ten are occupied

  // The "Loaded FIADs" entries, newest first; the list widget mirrors them.
  const std::vector<std::string>& Entries() const { return entries_; }
  void InsertEntryAtTop(const std::string& name) { entries_.insert(entries_.begin(), name); }
  void RemoveEntry(int index);

  void Clear();

 private:
  std::array<FiadSlot, kListedSlots + 1> slots_{};
  std::vector<std::string> entries_;
};

// What became of a FIAD to be stored.
enum class StoreOutcome {
  Stored,          // in `slot`
  TooManyRecords,  // more records than a FIAD holds
  Declined,        // the prompts gave no name
  NameTaken,       // the prompts gave no new name for a taken one
  ListFull,        // all ten slots in use; the image stays in the staging slot
};
struct StoreResult {
  StoreOutcome outcome = StoreOutcome::Declined;
  int slot = 0;  // 1..10 when stored
};

// Names the staging image uniquely (asking again while its name is taken),
// moves it into the first free slot and lists it at the top. `name` is the
// staged image's name (FiadName).
StoreResult AddToFiadList(FiadList& list, const std::string& name, UserPrompts& prompts);

// Removes the entry at `index` and frees the slot its name refers to.
void DeleteFiad(FiadList& list, int index);

// The name typed into the store prompts: 1 to 10 characters.
bool IsValidFiadName(const std::string& name);

}  // namespace sonatap
