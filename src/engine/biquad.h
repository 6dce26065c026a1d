#pragma once
// A second-order filter section (the usual audio-cookbook forms), run in
// single precision, one sample at a time.
#include <algorithm>
#include <cmath>
#include <numbers>

namespace sonatap {

class Biquad {
 public:
  static Biquad HighPass(double rate, double corner) { return Make(rate, corner, true, std::numbers::sqrt2 / 2); }
  static Biquad LowPass(double rate, double corner, double q = std::numbers::sqrt2 / 2) {
    return Make(rate, corner, false, q);
  }

  float operator()(float x) {
    const float y = b0_ * x + z1_;
    z1_ = b1_ * x - a1_ * y + z2_;
    z2_ = b2_ * x - a2_ * y;
    return y;
  }

 private:
  // Q = 1/sqrt 2 is a Butterworth section: flat pass band, no ringing to speak of.
  static Biquad Make(double rate, double corner, bool highPass, double q) {
    const double w = 2 * std::numbers::pi * std::min(corner, rate * 0.45) / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    Biquad f;
    const double edge = highPass ? (1 + c) / 2 : (1 - c) / 2;
    f.b0_ = static_cast<float>(edge / a0);
    f.b1_ = static_cast<float>((highPass ? -2 * edge : 2 * edge) / a0);
    f.b2_ = f.b0_;
    f.a1_ = static_cast<float>(-2 * c / a0);
    f.a2_ = static_cast<float>((1 - alpha) / a0);
    return f;
  }

  float b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0;
  float z1_ = 0, z2_ = 0;
};

}  // namespace sonatap
