#pragma once
// Writes a file so that it ends up holding exactly the new bytes or is left
// as it was: the bytes go through a buffer into a temporary file beside the
// target, which replaces the target only when everything was written.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace sonatap {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void Write(const uint8_t* bytes, size_t count) = 0;
  void Write(std::span<const uint8_t> bytes) { Write(bytes.data(), bytes.size()); }
  void Put(uint8_t byte) { Write(&byte, 1); }
};

class AtomicFileWriter final : public ByteSink {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter() override;  // discards the temporary file unless committed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  using ByteSink::Write;
  bool Open();  // false when the temporary file cannot be created
  void Write(const uint8_t* bytes, size_t count) override;
  // Flushes, closes and renames over the target; false on any failure.
  bool Commit();

 private:
  void Flush();
  std::string path_;
  std::string tempPath_;
  int fd_ = -1;
  bool failed_ = false;
  std::vector<uint8_t> buffer_;
};

// The message a failed write shows (caption "Sonatap - File Error!").
std::string WriteErrorText(const std::string& path);
inline constexpr const char* kFileErrorCaption = "Sonatap - File Error!";

}  // namespace sonatap
