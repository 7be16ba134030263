// Uniform random integers from a rotating lagged generator (17 pairs of 32-bit words,
// lag 10, rotations by 19 and 27 bits), and pauses.
#pragma once

#include <cstdint>

struct RandomBits {
  std::uint32_t high;
  std::uint32_t low;
};

// Seeds from the tick count.
void InitRandom();
void RandomSeed(std::uint32_t seed);
RandomBits NextRandomBits();
// 0 to maximum, each with practically equal frequency; -2^31 for a negative maximum.
std::int32_t RandomNumber(std::int32_t maximum);
void PauseMilliseconds(std::uint32_t milliseconds);
