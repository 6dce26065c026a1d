#include "engine/unfinished_wav.h"

#include <algorithm>
#include <cstring>

#include "engine/wav_writer.h"

namespace sonatap {
namespace {

constexpr int64_t kChunksAt = 12;
constexpr int kMaxChunks = 64;  // before "data": fmt, fact, LIST, PEAK and the like

uint32_t Little32(const uint8_t* b) { return b[0] | b[1] << 8 | b[2] << 16 | uint32_t{b[3]} << 24; }

// A length as a WAV field holds it: a file past 4 GB says 4 GB.
void PutLength(uint8_t* at, int64_t length) {
  PutLittleEndian32(at, static_cast<uint32_t>(std::min<int64_t>(length, UINT32_MAX)));
}

bool ReadAt(std::FILE* file, int64_t at, uint8_t* to, size_t count) {
  return fseeko(file, at, SEEK_SET) == 0 && std::fread(to, 1, count, file) == count;
}

}  // namespace

std::unique_ptr<UnfinishedWav> UnfinishedWav::Open(const std::string& path) {
  std::unique_ptr<UnfinishedWav> view(new UnfinishedWav);
  view->file_ = std::fopen(path.c_str(), "rb");
  if (!view->file_ || fseeko(view->file_, 0, SEEK_END) != 0) return nullptr;
  view->size_ = ftello(view->file_);
  uint8_t head[kChunksAt];
  if (!ReadAt(view->file_, 0, head, sizeof head) || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return nullptr;
  int64_t at = kChunksAt;
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t header[8];
    if (!ReadAt(view->file_, at, header, sizeof header)) return nullptr;
    const uint32_t length = Little32(header + 4);
    if (std::memcmp(header, "data", 4) == 0) {
      const int64_t sound = view->size_ - (at + 8);
      if (length != 0 || sound <= 0) return nullptr;
      view->dataLengthAt_ = at + 4;
      PutLength(view->dataLength_, sound);
      if (Little32(head + 4) == 0) {
        view->riffLengthAt_ = kRiffLengthOffset;
        PutLength(view->riffLength_, view->size_ - 8);
      }
      view->position_ = 0;
      return view;
    }
    at += 8 + int64_t{length} + (length & 1);
  }
  return nullptr;
}

UnfinishedWav::~UnfinishedWav() {
  if (file_) std::fclose(file_);
}

sf_count_t UnfinishedWav::Read(void* to, sf_count_t count) {
  if (fseeko(file_, position_, SEEK_SET) != 0) return 0;
  const auto got = static_cast<sf_count_t>(std::fread(to, 1, static_cast<size_t>(count), file_));
  auto* bytes = static_cast<uint8_t*>(to);
  for (const auto& [at, value] : {std::pair{riffLengthAt_, riffLength_}, {dataLengthAt_, dataLength_}}) {
    if (at < 0) continue;
    for (int i = 0; i < 4; ++i)
      if (at + i >= position_ && at + i < position_ + got) bytes[at + i - position_] = value[i];
  }
  position_ += got;
  return got;
}

SF_VIRTUAL_IO& UnfinishedWav::Io() {
  static SF_VIRTUAL_IO io = {
      [](void* view) -> sf_count_t { return static_cast<UnfinishedWav*>(view)->size_; },
      [](sf_count_t offset, int whence, void* data) -> sf_count_t {
        auto* view = static_cast<UnfinishedWav*>(data);
        const sf_count_t base = whence == SEEK_CUR ? view->position_ : whence == SEEK_END ? view->size_ : 0;
        if (base + offset < 0) return -1;
        view->position_ = base + offset;
        return view->position_;
      },
      [](void* to, sf_count_t count, void* view) { return static_cast<UnfinishedWav*>(view)->Read(to, count); },
      [](const void*, sf_count_t, void*) -> sf_count_t { return 0; },
      [](void* view) -> sf_count_t { return static_cast<UnfinishedWav*>(view)->position_; },
  };
  return io;
}

}  // namespace sonatap
