#include "app/fiad_list.h"

namespace sonatap {
namespace {

// The characters header bytes 0..n-1 spell; a 0 byte adds none.
bool Spells(const FiadImage& image, const std::string& name) {
  if (name.size() > image.size()) return false;
  std::string spelt;
  for (size_t i = 0; i < name.size(); ++i) {
    if (image[i] != 0) spelt += static_cast<char>(image[i]);
  }
  return spelt == name;
}

// Whether the header's name ends right after `name`: TIFILES images are named
// by their 8-character magic, plain names by a space, a 0 or the 10th character.
bool EndsThere(const FiadImage& image, const std::string& name) {
  if (HeaderKindOf(name) == HeaderKind::Tifiles) return name.size() == 8;
  const size_t n = name.size();
  return n >= static_cast<size_t>(plain128::kNameLength) || image[n] == ' ' || image[n] == 0;
}

}  // namespace

bool IsValidFiadName(const std::string& name) { return !name.empty() && name.size() <= 10; }

int FiadList::FindSlot(const std::string& name) const {
  int firstSpelt = 0;
  for (int s = 1; s <= kListedSlots; ++s) {
    const FiadSlot& slot = slots_[s];
    if (!slot.occupied || !Spells(slot.image, name)) continue;
    if (EndsThere(slot.image, name)) return s;
    if (firstSpelt == 0) firstSpelt = s;
  }
  // A name whose header goes on with unprintable bytes is still found.
  return firstSpelt;
}

bool FiadList::NameTaken(const std::string& name) const {
  for (int s = 1; s <= kListedSlots; ++s) {
    if (slots_[s].occupied && Spells(slots_[s].image, name)) return true;
  }
  return false;
}

int FiadList::FirstFreeSlot() const {
  for (int s = 1; s <= kListedSlots; ++s) {
    if (!slots_[s].occupied) return s;
  }
  return 0;
}

void FiadList::RemoveEntry(int index) {
  if (index >= 0 && index < static_cast<int>(entries_.size())) entries_.erase(entries_.begin() + index);
}

void FiadList::Clear() {
  for (FiadSlot& slot : slots_) slot = FiadSlot{};
  entries_.clear();
}

std::optional<std::string> UserPrompts::AskFiadName(const std::string& caption, const std::string& message,
                                                    const std::string& defaultText) {
  std::string answer;
  do {
    answer = AskText(caption, message, defaultText);
  } while (!IsValidFiadName(answer));
  return answer;
}

StoreResult AddToFiadList(FiadList& list, const std::string& name, UserPrompts& prompts) {
  std::string candidate = name;
  while (list.NameTaken(candidate)) {
    prompts.ShowMessage("Sonatap - Warning", "FIAD with that name exists!");
    auto answer = prompts.AskNewFiadName("Enter name for FIAD", "Enter new name of FIAD", candidate);
    if (!answer) return {StoreOutcome::NameTaken, 0};
    candidate = *answer;
  }
  FiadSlot& staging = list.Staging();
  if (candidate != name) {
    // A TIFILES magic would be overwritten by the new name; carry its file
    // facts over into a plain header so the image stays saveable and playable.
    if (HeaderKindOf(name) == HeaderKind::Tifiles) {
      ConvertTifilesToPlain128(staging.image, candidate);
    } else {
      WritePlain128Name(staging.image, candidate);
    }
  }
  const int free = list.FirstFreeSlot();
  if (free == 0) {
    prompts.ShowMessage("Sonatap - Error",
                        "Cannot store FIAD, FIAD list full!\r\n\r\n"
                        "The FIAD list is full and this FIAD cannot be stored.\r\n"
                        "To create space delete a FIAD and reload / reconvert.\r\n");
    return {StoreOutcome::ListFull, 0};
  }
  FiadSlot& slot = list.Slot(free);
  slot.image = staging.image;
  slot.recordCount = staging.recordCount;
  slot.occupied = true;
  staging = FiadSlot{};
  list.InsertEntryAtTop(candidate);
  if (list.FirstFreeSlot() == 0) {
    prompts.ShowMessage("Sonatap - Warning",
                        "Warning!\r\n\r\n"
                        "FIAD List is now full. The next FIAD opened\r\n"
                        "or converted will not be able to be stored.\r\n"
                        "To create space, delete a FIAD.");
  }
  return {StoreOutcome::Stored, free};
}

void DeleteFiad(FiadList& list, int index) {
  if (index < 0 || index >= static_cast<int>(list.Entries().size())) return;
  const std::string name = list.Entries()[index];
  list.RemoveEntry(index);
  if (const int slot = list.FindSlot(name); slot != 0) list.Slot(slot) = FiadSlot{};
}

}  // namespace sonatap
