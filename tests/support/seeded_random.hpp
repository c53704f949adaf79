#pragma once

// The random source of the model-based tests: a fixed seed gives the same
// sequence of steps on every run and every machine.

#include <cstddef>
#include <random>

namespace tessaly::test {

class SeededRandom {
 public:
  explicit SeededRandom(unsigned seed) : random_(seed) {}

  // A number from 0 to n - 1 (n > 0).
  std::size_t Below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  bool Coin() { return Below(2) == 0; }

 private:
  std::mt19937 random_;
};

}  // namespace tessaly::test
