#include "engine/temp_folder.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace sonatap {

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

const std::filesystem::path& TempFolder::Path() {
  if (!path_.empty()) return path_;
  std::error_code error;
  std::string pattern = (std::filesystem::temp_directory_path(error) / "sonatap-XXXXXX").string();
  if (!error && ::mkdtemp(pattern.data()) != nullptr) {
    path_ = pattern;
    onSignal_ = std::make_unique<RemovedOnSignal>(pattern);
  }
  return path_;
}

}  // namespace sonatap
