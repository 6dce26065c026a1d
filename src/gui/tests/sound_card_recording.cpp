// sound_card_recording CLEAN.wav OUT.flac: a clean tape recording as a sound
// card records it (16-bit stereo 48000 Hz FLAC, the tape on the right
// channel, 12 dB down), for the desktop program's smoke test.
#include "support/tape_channel.h"

int main(int argc, char** argv) {
  using namespace sonatap::channel;
  if (argc != 3) return 2;
  const Recording clean = ReadRecording(argv[1]);
  Impairments card;
  card.rate = 48000;
  card.format = SampleFormat::S16;
  card.channels = Channels::DeadLeft;
  card.container = Container::Flac;
  card.levelDb = -12;
  return WriteImpaired(clean, MapTape(clean), card, 1, argv[2]) ? 0 : 1;
}
