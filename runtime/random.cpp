// Random numbers from a rotating lagged generator, and pauses.
#include "runtime/random.h"

#include <bit>

#include "platform/win32.h"
#include "runtime/runtime_state.h"

RandomGenerator RandomState;

void InitRandom() { RandomSeed(GetTickCount()); }

void RandomSeed(std::uint32_t seed) {
  for (std::uint32_t& word : RandomState.words) {
    seed = seed * 2891336453u + 1;
    word = seed;
  }
  RandomState.firstIndex = 0;
  RandomState.secondIndex = 10;
  // Stirring makes the first results independent of the simple filling.
  for (int i = 0; i < 31; ++i) NextRandomBits();
}

RandomBits NextRandomBits() {
  std::uint32_t* p = &RandomState.words[2 * RandomState.firstIndex];
  const std::uint32_t* q = &RandomState.words[2 * RandomState.secondIndex];
  std::uint32_t z = std::rotl(p[0], 19) + q[0];
  std::uint32_t y = std::rotl(p[1], 27) + q[1];
  p[0] = y;
  p[1] = z;
  RandomState.firstIndex = RandomState.firstIndex == 0 ? 16 : RandomState.firstIndex - 1;
  RandomState.secondIndex = RandomState.secondIndex == 0 ? 16 : RandomState.secondIndex - 1;
  return {z, y};
}

std::int32_t RandomNumber(std::int32_t maximum) {
  RandomBits bits = NextRandomBits();
  if (maximum < 0) return INT32_MIN;
  // The high 32 bits of the 64-bit fraction high:low scaled by maximum + 1.
  std::uint64_t range = static_cast<std::uint32_t>(maximum) + 1u;
  std::uint64_t sum = std::uint64_t{bits.high} * range + ((std::uint64_t{bits.low} * range) >> 32);
  return static_cast<std::int32_t>(sum >> 32);
}

void PauseMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }
