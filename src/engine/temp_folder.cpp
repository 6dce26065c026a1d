#include "engine/temp_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

namespace sonatap {
namespace {

constexpr char kNameLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kNameTries = 100;

}  // namespace

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

const std::filesystem::path& TempFolder::Path() {
  if (!path_.empty()) return path_;
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return path_;
  // Named, as mkdtemp names it, and kept for removal on a signal before it
  // is made: a signal between making and keeping would leave it behind.
  std::random_device entropy;
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    std::string name = "sonatap-";
    for (int i = 0; i < 6; ++i) name += kNameLetters[entropy() % (sizeof kNameLetters - 1)];
    const std::string candidate = (base / name).string();
    auto onSignal = std::make_unique<RemovedOnSignal>(candidate);
    if (::mkdir(candidate.c_str(), 0700) == 0) {
      path_ = candidate;
      onSignal_ = std::move(onSignal);
      break;
    }
    if (errno != EEXIST) break;
  }
  return path_;
}

}  // namespace sonatap
