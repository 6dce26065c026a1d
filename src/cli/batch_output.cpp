#include "cli/batch_output.h"

#include <iostream>

#include "cli/cli_args.h"
#include "cli/cli_text.h"
#include "engine/file_writer.h"

namespace sonatap::cli {
namespace {

bool WriteBytes(const uint8_t* bytes, size_t count, const std::string& path) {
  AtomicFileWriter file(path);
  if (file.Open()) file.Write(bytes, count);
  if (file.Commit()) return true;
  std::cerr << ToUnixLines(WriteErrorText(path)) << "\n";
  return false;
}

void RequireFolder(const std::string& label, const std::filesystem::path& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) throw UsageError(label + ": no folder " + folder.string());
}

}  // namespace

void BatchPrompts::ShowMessage(const std::string& caption, const std::string& text) {
  std::cerr << caption << ": " << ToUnixLines(text) << "\n";
}

void CheckFiadName(const std::string& name) {
  if (!IsValidFiadName(name)) throw UsageError("--name must have 1 to 10 characters");
  if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
    throw UsageError("--name must not hold a path");
}

std::filesystem::path OutFolder(const std::optional<std::string>& out) {
  if (!out) return ".";
  RequireFolder("--out", *out);
  return *out;
}

void CheckFileFolder(const std::string& label, const std::optional<std::string>& path) {
  if (!path || *path == "-") return;
  const std::filesystem::path folder = std::filesystem::path(*path).parent_path();
  if (!folder.empty()) RequireFolder(label, folder);
  std::error_code error;
  if (std::filesystem::is_directory(*path, error)) throw UsageError(label + ": " + *path + " is a folder");
}

void CheckNotRecording(const std::optional<std::string>& path, const std::string& recording,
                       const std::string& refusal) {
  std::error_code notThere;
  if (path && std::filesystem::equivalent(*path, recording, notThere)) throw UsageError(refusal);
}

std::filesystem::path NumberedPath(const std::filesystem::path& path, int number) {
  if (number == 1) return path;
  std::filesystem::path numbered = path;
  numbered.replace_filename(path.stem().string() + "-" + std::to_string(number) + path.extension().string());
  return numbered;
}

bool WriteFiadFile(const FiadSlot& slot, const std::string& path) {
  const int length = UsedLength(slot.image, HeaderKind::Plain128);
  if (!WriteBytes(slot.image.data(), static_cast<size_t>(length), path)) return false;
  std::cerr << "wrote " << path << " (" << slot.recordCount << " records, " << length << " bytes)\n";
  return true;
}

bool WriteTextFile(const std::string& text, const std::string& path) {
  if (!WriteBytes(reinterpret_cast<const uint8_t*>(text.data()), text.size(), path)) return false;
  std::cerr << "wrote " << path << "\n";
  return true;
}

}  // namespace sonatap::cli
