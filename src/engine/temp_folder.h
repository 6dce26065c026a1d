#pragma once
// A folder of the program run's own, for files it makes for itself (a
// conditioned recording); it and everything in it go when the run ends, by
// a signal too.
#include <filesystem>
#include <memory>

#include "engine/signal_cleanup.h"

namespace sonatap {

class TempFolder {
 public:
  TempFolder() = default;
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, made on first use; empty when it cannot be made.
  const std::filesystem::path& Path();

 private:
  std::filesystem::path path_;
  std::unique_ptr<RemovedOnSignal> onSignal_;
};

}  // namespace sonatap
