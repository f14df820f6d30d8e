// RND and RANDOMIZE: a 24-bit linear congruential generator, the same sequence on every
// run unless the program reseeds it.
#include <cstring>

#include "runtime/values/conversions_internal.h"

uint32_t rnd_state = RND_INITIAL_STATE;

namespace {
constexpr uint32_t RND_MULTIPLIER = 16598013;
constexpr uint32_t RND_INCREMENT = 12820163;
constexpr uint32_t RND_MASK = 0xFFFFFF;

// The 16-bit seed taken from a DOUBLE: its upper 32 bits folded onto 16.
uint32_t seed_bits(double seed) {
  uint64_t pattern;
  std::memcpy(&pattern, &seed, sizeof pattern);
  uint32_t h = static_cast<uint32_t>(pattern >> 32);
  return (h ^ (h >> 16)) & 0xFFFF;
}
}  // namespace

float rt_rnd(float x, int32_t x_passed) {
  if (conversion_error_pending()) return 0;
  if (!x_passed) x = 1;
  if (x != 0) {
    if (x < 0) {
      uint32_t b;
      std::memcpy(&b, &x, sizeof b);
      rnd_state = (b & RND_MASK) + (b >> 24);
    }
    rnd_state = (rnd_state * RND_MULTIPLIER + RND_INCREMENT) & RND_MASK;
  }
  return static_cast<float>(rnd_state) / 16777216.0f;
}

void rt_randomize(double seed, int32_t mode) {
  if (conversion_error_pending()) return;
  switch (mode) {
    case RANDOMIZE_SEED:
      rnd_state = seed_bits(seed) * 256 + (rnd_state & 255);
      break;
    case RANDOMIZE_USING:
      rnd_state = seed_bits(seed) * 256 + (RND_INITIAL_STATE & 255);
      break;
    default:
      // Asking for a seed needs the console INPUT editor, which this runtime does not
      // have; the program learns it through the error instead of running unseeded.
      rt_error(ERR_FEATURE_UNAVAILABLE);
      break;
  }
}
