// Where the cipher's initialisation vectors come from: the operating system's secure random
// source in the program, a fixed sequence in tests.
#pragma once

#include <cstdint>
#include <span>

namespace v7400 {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Fills the bytes. Throws std::runtime_error when no random bytes can be had.
  virtual void Fill(std::span<std::uint8_t> bytes) = 0;
};

// OpenSSL's RAND_bytes, seeded by the operating system.
class SystemRandom : public RandomSource {
 public:
  void Fill(std::span<std::uint8_t> bytes) override;
};

}  // namespace v7400
