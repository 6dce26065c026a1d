#include "engine/signal_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>

namespace sonatap {
namespace {

// A run makes a few such paths at a time (a temporary folder, a settings
// folder, a file in writing); the handler can only read fixed storage.
constexpr int kSlots = 16;
constexpr size_t kPathRoom = 4096;

struct Slot {
  std::atomic<bool> used{false};
  char path[kPathRoom];
};
Slot slots[kSlots];
std::mutex registering;

// Only system calls, which a signal handler may make: no allocation, no
// directory stream. Removing entries while listing them may hide others
// from the listing, so it lists again until none are left.
void RemovePath(const char* path) {
  if (::unlink(path) == 0 || errno == ENOENT) return;
  const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  alignas(dirent64) char listing[8192];
  for (bool removed = true; removed;) {
    removed = false;
    ::lseek(folder, 0, SEEK_SET);
    for (ssize_t got; (got = ::getdents64(folder, listing, sizeof listing)) > 0;) {
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(listing + at);
        at += entry->d_reclen;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        removed |= ::unlinkat(folder, entry->d_name, 0) == 0;
      }
    }
  }
  ::close(folder);
  ::rmdir(path);
}

void OnEndingSignal(int signal) {
  const int savedErrno = errno;
  for (Slot& slot : slots)
    if (slot.used.load(std::memory_order_acquire)) RemovePath(slot.path);
  errno = savedErrno;
  // The signal is held until the handler returns; then it ends the program
  // as it would have, so a shell or caller sees the same status.
  std::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void RemoveOnEndingSignals() {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) != 0 || before.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

RemovedOnSignal::RemovedOnSignal(const std::string& path) {
  if (path.size() >= kPathRoom) return;
  const std::lock_guard lock(registering);
  for (int i = 0; i < kSlots; ++i) {
    if (slots[i].used.load(std::memory_order_relaxed)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].used.store(true, std::memory_order_release);
    slot_ = i;
    return;
  }
}

RemovedOnSignal::~RemovedOnSignal() {
  if (slot_ < 0) return;
  const std::lock_guard lock(registering);
  slots[slot_].used.store(false, std::memory_order_release);
}

}  // namespace sonatap
