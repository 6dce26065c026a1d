#include "support/tape_channel.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace sonatap::channel {
namespace {

// The tape file's layout in bytes: leader, then the data mark and the
// record count twice; then per record two copies of: gap, mark, 64 data
// bytes, checksum.
constexpr int kMinLeaderCells = 100;  // zeros before the mark that count as a leader
constexpr int kHeaderBytes = 3;
constexpr int kGapBytes = 8;
constexpr int kDataBytes = 64;
constexpr int kCopyBytes = kGapBytes + 1 + kDataBytes + 1;
constexpr uint8_t kMark = 0xFF;

constexpr float kCrossingMargin = 0.05f;  // hysteresis of the clean reader, in full scale
constexpr double kLongInterval = 0.75;   // in cells: longer is a 0 bit, shorter half a 1 bit

constexpr double kHumThirdHarmonic = 0.3;      // rectifier buzz on top of the mains tone
constexpr double kAzimuthDelayMs = 0.35;
constexpr double kAzimuthDullHz = 3000;        // the skewed gap loses the top end
constexpr double kDeadChannelNoiseDb = -66;    // a sound card input with nothing plugged in
constexpr double kFlutterPhase = 1.0;          // radians, so wow and flutter do not start together
constexpr double kClickLevel = 0.6;            // the record key's click, of the clean peak
constexpr double kClickMs = 2;                 // its decay
constexpr double kBiasBurstLevel = 0.1;        // bias noise while the head switches on, of the clean peak
constexpr double kBiasBurstSeconds = 0.4;      // at most

double FromDb(double db) { return std::pow(10.0, db / 20.0); }

// Seeded Gaussian noise that gives the same numbers on every platform.
class Noise {
 public:
  explicit Noise(uint32_t seed) : rng_(seed) {}
  double Uniform() { return (rng_() + 0.5) / 4294967296.0; }
  double Gaussian() {
    return std::sqrt(-2.0 * std::log(Uniform())) * std::cos(2.0 * std::numbers::pi * Uniform());
  }

 private:
  std::mt19937 rng_;
};

// First-order sections: the coupling capacitors and the head's losses.
class HighPass {
 public:
  HighPass(double hz, double rate) : a_(hz > 0 ? 1.0 / (1.0 + 2 * std::numbers::pi * hz / rate) : 1.0) {}
  double operator()(double x) {
    y_ = a_ * (y_ + x - x_);
    x_ = x;
    return y_;
  }

 private:
  double a_, x_ = 0, y_ = 0;
};

class LowPass {
 public:
  LowPass(double hz, double rate) {
    const double w = 2 * std::numbers::pi * hz / rate;
    alpha_ = hz > 0 ? w / (1.0 + w) : 1.0;
  }
  double operator()(double x) { return y_ += alpha_ * (x - y_); }

 private:
  double alpha_, y_ = 0;
};

// One second-order section of a Butterworth low-pass (audio-cookbook form);
// a cascade of them with the right Qs makes one of any even order. The model
// keeps its own filters, apart from the decoder's, so that a fault in one is
// not mirrored in the other.
class LowPassSection {
 public:
  LowPassSection(double hz, double rate, double q) {
    const double w = 2 * std::numbers::pi * std::min(hz, rate * 0.45) / rate;
    const double alpha = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + alpha;
    b0_ = (1 - c) / 2 / a0, b1_ = (1 - c) / a0, a1_ = -2 * c / a0, a2_ = (1 - alpha) / a0;
  }
  double operator()(double x) {
    const double y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b0_ * x - a2_ * y;
    return y;
  }

 private:
  double b0_, b1_, a1_, a2_, z1_ = 0, z2_ = 0;
};

std::vector<LowPassSection> Butterworth(double hz, double rate, int order) {
  std::vector<LowPassSection> sections;
  for (int k = 1; k <= order / 2; ++k)
    sections.emplace_back(hz, rate, 1.0 / (2 * std::cos((2 * k - 1) * std::numbers::pi / (2 * order))));
  return sections;
}

// Takes out a stretch of each named copy, at its place or a seeded one: where
// the tape lifts off the head nothing of the cells is left, only the hiss
// added later.
std::vector<float> CutDropouts(const Recording& clean, const TapeMap& map, const std::vector<Dropout>& dropouts,
                               Noise& noise) {
  std::vector<float> tape = clean.samples;
  for (const Dropout& d : dropouts) {
    for (const CopySpan& span : map.copies) {
      if (span.record != d.record || span.copy != d.copy) continue;
      const auto length = static_cast<int64_t>(d.ms * clean.rate / 1000);
      const auto room = std::max<int64_t>(1, span.end - span.begin - length);
      const double place = noise.Uniform();  // drawn for every dropout, so that placed ones move no others
      const int64_t from = span.begin + (d.at >= 0 ? static_cast<int64_t>(d.at * static_cast<double>(span.end - span.begin))
                                                   : static_cast<int64_t>(place * static_cast<double>(room)));
      const int64_t to = std::min<int64_t>(from + length, static_cast<int64_t>(tape.size()));
      std::fill(tape.begin() + from, tape.begin() + to, 0.0f);
    }
  }
  return tape;
}

// Plays the tape at a drifting speed into the output rate. Each output
// sample is the mean of the tape over the stretch that passed the head
// during it (tape held between its samples), which interpolates when the
// stretch is short and keeps the cells' energy without aliasing when it is
// long.
// The drift runs from start to end of the tape's `length` samples of data.
std::vector<double> Transport(const std::vector<float>& tape, size_t length, const Impairments& f) {
  std::vector<double> sum(tape.size() + 1, 0.0);
  for (size_t i = 0; i < tape.size(); ++i) sum[i + 1] = sum[i] + tape[i];
  const auto last = static_cast<double>(tape.size());
  auto integral = [&](double at) {
    const auto whole = static_cast<size_t>(at);
    return whole >= tape.size() ? sum.back() : sum[whole] + (at - whole) * tape[whole];
  };
  std::vector<double> out;
  out.reserve(static_cast<size_t>(last / f.speed * f.rate / kCleanRate) + 16);
  const double step = static_cast<double>(kCleanRate) / f.rate;
  double at = 0;
  for (int64_t n = 0;; ++n) {
    const double t = static_cast<double>(n) / f.rate;
    const double drift = 1.0 + f.drift * (2 * at / static_cast<double>(length) - 1);
    const double speed = f.speed * drift * (1.0 + f.wow * std::sin(2 * std::numbers::pi * f.wowHz * t) +
                                    f.flutter * std::sin(2 * std::numbers::pi * f.flutterHz * t + kFlutterPhase));
    const double next = at + speed * step;
    if (next > last) break;
    out.push_back((integral(next) - integral(at)) / (next - at));
    at = next;
  }
  return out;
}

int16_t Quantise(double x, SampleFormat format) {
  const double step = format == SampleFormat::U8 ? 256.0 : 1.0;
  const double q = std::round(std::clamp(x, -1.0, 1.0) * 32768.0 / step) * step;
  return static_cast<int16_t>(std::clamp(q, -32768.0, 32767.0 - (step - 1)));
}

}  // namespace

Recording ReadRecording(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  Recording r;
  if (!file) return r;
  r.rate = info.samplerate;
  std::vector<float> frames(static_cast<size_t>(info.frames) * info.channels);
  const sf_count_t got = sf_readf_float(file, frames.data(), info.frames);
  sf_close(file);
  r.samples.resize(static_cast<size_t>(got));
  for (sf_count_t i = 0; i < got; ++i) r.samples[i] = frames[i * info.channels];
  return r;
}

TapeMap MapTape(const Recording& clean) {
  TapeMap map;
  // Changes of level, where the signal passes the middle line by a margin.
  std::vector<int64_t> changes;
  int side = 0;
  for (size_t i = 0; i < clean.samples.size(); ++i) {
    const float x = clean.samples[i];
    const int now = x > kCrossingMargin ? 1 : x < -kCrossingMargin ? -1 : side;
    if (now != side && side != 0) changes.push_back(static_cast<int64_t>(i));
    side = now;
  }
  changes.push_back(static_cast<int64_t>(clean.samples.size()));  // the last cell ends with the recording
  if (changes.size() < 2 * kMinLeaderCells) return map;
  // Every cell starts with a change; a 1 bit has one more in its middle. The
  // leader's zeros give the cell length.
  std::vector<int64_t> leader;
  for (size_t i = 1; i < 2 * kMinLeaderCells; ++i) leader.push_back(changes[i] - changes[i - 1]);
  std::nth_element(leader.begin(), leader.begin() + kMinLeaderCells, leader.end());
  map.cellSamples = static_cast<double>(leader[kMinLeaderCells]);

  std::vector<std::pair<int, int64_t>> bits;  // value, first sample
  for (size_t i = 1; i < changes.size(); ++i) {
    const int64_t interval = changes[i] - changes[i - 1];
    if (interval > kLongInterval * map.cellSamples) {
      bits.emplace_back(0, changes[i - 1]);
    } else if (i + 1 < changes.size()) {
      bits.emplace_back(1, changes[i - 1]);
      ++i;
    }
  }
  size_t start = kMinLeaderCells;
  while (start < bits.size() && bits[start].first == 0) ++start;
  std::vector<int64_t> byteStart;
  for (size_t b = start; b + 8 <= bits.size(); b += 8) {
    int value = 0;
    for (size_t k = 0; k < 8; ++k) value = value * 2 + bits[b + k].first;
    map.bytes.push_back(static_cast<uint8_t>(value));
    byteStart.push_back(bits[b].second);
  }
  byteStart.push_back(static_cast<int64_t>(clean.samples.size()));
  if (map.bytes.size() < kHeaderBytes || map.bytes[0] != kMark) return map;
  map.sync = byteStart[0];

  const int records = map.bytes[1];
  for (int r = 0; r < records; ++r) {
    for (int c = 0; c < 2; ++c) {
      const size_t block = kHeaderBytes + static_cast<size_t>(2 * r + c) * kCopyBytes;
      if (block + kCopyBytes > map.bytes.size()) return map;
      map.copies.push_back({r + 1, c + 1, byteStart[block + kGapBytes], byteStart[block + kCopyBytes]});
      if (c == 0) {
        const auto data = map.bytes.begin() + static_cast<std::ptrdiff_t>(block + kGapBytes + 1);
        map.recordData.emplace_back(data, data + kDataBytes);
      }
    }
  }
  map.records = records;
  return map;
}

std::vector<Dropout> ScatterDropouts(const TapeMap& map, int count, Hit hit, double minMs, double maxMs,
                                     uint32_t seed) {
  Noise pick(seed);
  std::vector<Dropout> dropouts;
  if (map.records == 0) return dropouts;
  // Records are dealt from a shuffled deck, so that no record is hit twice
  // before every record has been hit once.
  std::vector<int> deck;
  for (int i = 0; i < count; ++i) {
    if (deck.empty()) {
      for (int r = map.records; r >= 1; --r) deck.push_back(r);
      for (size_t k = deck.size() - 1; k > 0; --k)
        std::swap(deck[k], deck[std::min(k, static_cast<size_t>(pick.Uniform() * static_cast<double>(k + 1)))]);
    }
    const int record = deck.back();
    deck.pop_back();
    const double ms = minMs + pick.Uniform() * (maxMs - minMs);
    const CopySpan& span = map.copies[static_cast<size_t>(2 * (record - 1))];
    const double share = ms * kCleanRate / 1000 / static_cast<double>(span.end - span.begin);
    const int copy = pick.Uniform() < 0.5 ? 1 : 2;
    const double first = pick.Uniform(), second = pick.Uniform();
    switch (hit) {
      case Hit::OneCopy:
        dropouts.push_back({record, copy, ms, first * (1 - share)});
        break;
      case Hit::BothApart:  // one copy loses a stretch of its first half, the other of its second
        dropouts.push_back({record, copy, ms, first * std::max(0.0, 0.5 - share)});
        dropouts.push_back({record, 3 - copy, ms, 0.5 + second * std::max(0.0, 0.5 - share)});
        break;
      case Hit::BothSame:
        dropouts.push_back({record, 1, ms, first * (1 - share)});
        dropouts.push_back({record, 2, ms, first * (1 - share)});
        break;
    }
  }
  return dropouts;
}

std::set<int> WipedInBoth(const TapeMap& map, const std::vector<Dropout>& dropouts) {
  constexpr double kByteCells = 8;
  std::set<int> wiped;
  for (size_t i = 0; i < dropouts.size(); ++i)
    for (size_t j = i + 1; j < dropouts.size(); ++j) {
      const Dropout &a = dropouts[i], &b = dropouts[j];
      if (a.record != b.record || a.copy == b.copy || a.at < 0 || b.at < 0) continue;
      const size_t k = static_cast<size_t>(2 * (a.record - 1));
      if (a.record < 1 || k >= map.copies.size()) continue;
      const auto length = static_cast<double>(map.copies[k].end - map.copies[k].begin);
      const double byte = kByteCells * map.cellSamples / length;
      const auto share = [&](const Dropout& d) { return d.ms * kCleanRate / 1000 / length; };
      if (a.at < b.at + share(b) + byte && b.at < a.at + share(a) + byte) wiped.insert(a.record);
    }
  return wiped;
}

Side ComposeSide(const std::vector<Recording>& files, double minGapSeconds, double maxGapSeconds, uint32_t seed) {
  Noise noise(seed);
  Side side;
  float peak = 0;
  for (const Recording& file : files)
    for (float x : file.samples) peak = std::max(peak, std::abs(x));
  std::vector<float>& tape = side.clean.samples;
  for (size_t i = 0; i < files.size(); ++i) {
    TapeMap map = MapTape(files[i]);
    if (map.records == 0) return {};
    if (i > 0) {
      // Erased tape; somewhere in it the record key clicks and the bias
      // oscillator's noise comes up and dies while the head settles.
      const auto gap = static_cast<size_t>((minGapSeconds + noise.Uniform() * (maxGapSeconds - minGapSeconds)) *
                                           kCleanRate);
      const size_t from = tape.size();
      tape.resize(from + gap, 0.0f);
      const size_t click = from + static_cast<size_t>(noise.Uniform() * static_cast<double>(gap) * 0.8);
      const auto burst = static_cast<size_t>(noise.Uniform() * kBiasBurstSeconds * kCleanRate);
      const double decay = kClickMs * kCleanRate / 1000;
      for (size_t n = click; n < std::min(tape.size(), click + burst + static_cast<size_t>(10 * decay)); ++n) {
        const auto k = static_cast<double>(n - click);
        double x = kClickLevel * std::exp(-k / decay);
        if (n - click < burst) x += kBiasBurstLevel * noise.Gaussian();
        tape[n] = static_cast<float>(peak * x);
      }
    }
    const auto offset = static_cast<int64_t>(tape.size());
    side.firstRecord.push_back(side.map.records + 1);
    side.syncs.push_back(offset + map.sync);
    for (CopySpan copy : map.copies) {
      copy.record += side.map.records, copy.begin += offset, copy.end += offset;
      side.map.copies.push_back(copy);
    }
    side.map.recordData.insert(side.map.recordData.end(), map.recordData.begin(), map.recordData.end());
    side.map.records += map.records;
    side.map.cellSamples = map.cellSamples;
    tape.insert(tape.end(), files[i].samples.begin(), files[i].samples.end());
    side.files.push_back(std::move(map));
  }
  return side;
}

double PlayedSeconds(const Impairments& f, int64_t at, int64_t length) {
  const double x = static_cast<double>(at), l = static_cast<double>(std::max<int64_t>(1, length));
  if (f.drift == 0) return x / (f.speed * kCleanRate);
  // The speed grows linearly along the tape: time is the integral of 1/speed.
  return l / (2 * f.speed * f.drift * kCleanRate) * std::log((1 + f.drift * (2 * x / l - 1)) / (1 - f.drift));
}

std::vector<std::vector<float>> Play(const Recording& clean, const TapeMap& map, const Impairments& f,
                                     uint32_t seed) {
  Noise noise(seed);
  std::vector<float> tape = CutDropouts(clean, map, f.dropouts, noise);
  tape.resize(tape.size() + static_cast<size_t>(f.runOutSeconds * clean.rate), 0.0f);
  const std::vector<double> played = Transport(tape, clean.samples.size(), f);

  // The deck's electronics, then what the cable and the sound card add.
  HighPass highPass(f.highPassHz, f.rate);
  LowPass lowPass1(f.lowPassHz, f.rate), lowPass2(f.lowPassHz, f.rate);
  std::vector<LowPassSection> dullHead = Butterworth(f.lowPassHz, f.rate, f.lowPassOrder);
  float peak = 0;
  for (float x : clean.samples) peak = std::max(peak, std::abs(x));
  const double hum = peak * FromDb(f.humDb) / (1.0 + kHumThirdHarmonic);
  const double hiss = peak * FromDb(f.noiseDb);
  const double clip = f.clipAt > 0 ? f.clipAt * peak : std::numeric_limits<double>::infinity();
  const double gain = FromDb(f.levelDb) * (f.invert ? -1.0 : 1.0);
  std::vector<double> line(played.size());
  for (size_t n = 0; n < played.size(); ++n) {
    const double t = static_cast<double>(n) / f.rate;
    // The oxide's contact comes and goes: the level sinks smoothly and returns.
    double x = played[n];
    if (f.fadeDb > 0) x *= FromDb(-f.fadeDb * (1 - std::cos(2 * std::numbers::pi * f.fadeHz * t)) / 2);
    if (f.highPassHz > 0) x = highPass(x);
    if (f.lowPassHz > 0 && f.lowPassOrder > 0) {
      for (LowPassSection& section : dullHead) x = section(x);
    } else if (f.lowPassHz > 0) {
      x = lowPass2(lowPass1(x));
    }
    const double phase = 2 * std::numbers::pi * f.humHz * t;
    x += hum * (std::sin(phase) + kHumThirdHarmonic * std::sin(3 * phase));
    x += hiss * noise.Gaussian();
    x = std::clamp(x, -clip, clip);  // the card's input stage, overdriven
    line[n] = x * gain + f.dcOffset;
  }

  std::vector<std::vector<float>> out(f.channels == Channels::Mono ? 1 : 2, std::vector<float>(line.size()));
  if (f.channels == Channels::Mono) {
    std::copy(line.begin(), line.end(), out[0].begin());
  } else if (f.channels == Channels::DeadLeft) {
    const double floor = FromDb(kDeadChannelNoiseDb);
    for (size_t n = 0; n < line.size(); ++n) {
      out[0][n] = static_cast<float>(floor * noise.Gaussian());
      out[1][n] = static_cast<float>(line[n]);
    }
  } else {
    // The second gap of a skewed head reads the track a little later and
    // with less treble; a plain mix of the two cancels near 1.4 kHz.
    const double delay = kAzimuthDelayMs * f.rate / 1000;
    LowPass dull(kAzimuthDullHz, f.rate);
    for (size_t n = 0; n < line.size(); ++n) {
      const double at = static_cast<double>(n) - delay;
      const auto whole = static_cast<int64_t>(std::floor(at));
      const double frac = at - whole;
      auto tap = [&](int64_t i) { return i >= 0 && i < static_cast<int64_t>(line.size()) ? line[i] : f.dcOffset; };
      out[0][n] = static_cast<float>(line[n]);
      out[1][n] = static_cast<float>(dull((1 - frac) * tap(whole) + frac * tap(whole + 1)));
    }
  }
  return out;
}

bool WriteImpaired(const Recording& clean, const TapeMap& map, const Impairments& f, uint32_t seed,
                   const std::string& path) {
  const auto channels = Play(clean, map, f, seed);
  const size_t frames = channels[0].size();
  const int count = static_cast<int>(channels.size());
  SF_INFO info{};
  info.samplerate = f.rate;
  info.channels = count;
  const bool flac = f.container == Container::Flac;
  info.format = (flac ? SF_FORMAT_FLAC : SF_FORMAT_WAV) |
                (f.format == SampleFormat::U8    ? (flac ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_U8)
                 : f.format == SampleFormat::S16 ? SF_FORMAT_PCM_16
                                                 : SF_FORMAT_FLOAT);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  sf_count_t written = 0;
  if (f.format == SampleFormat::Float) {
    std::vector<float> interleaved(frames * count);
    for (size_t n = 0; n < frames; ++n)
      for (int c = 0; c < count; ++c) interleaved[n * count + c] = std::clamp(channels[c][n], -1.0f, 1.0f);
    written = sf_writef_float(file, interleaved.data(), static_cast<sf_count_t>(frames));
  } else {
    // Rounded to the file's own step here, so that 8-bit output of a clean
    // recording gives back its bytes.
    std::vector<int16_t> interleaved(frames * count);
    for (size_t n = 0; n < frames; ++n)
      for (int c = 0; c < count; ++c) interleaved[n * count + c] = Quantise(channels[c][n], f.format);
    written = sf_writef_short(file, interleaved.data(), static_cast<sf_count_t>(frames));
  }
  return sf_close(file) == 0 && written == static_cast<sf_count_t>(frames);
}

}  // namespace sonatap::channel
