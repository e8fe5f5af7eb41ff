#pragma once
// The password cipher of the settings file: a keyed substitution over the 95 printable ASCII characters,
// whose key stream comes from the classic BASIC runtime's generator. Cipher texts already stored by
// earlier versions decipher only with exactly that generator, so it is reproduced bit for bit.
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

// The key built into the system; it only keeps the password from being readable at a glance.
inline constexpr std::string_view CipherKey = "586130947";

// The BASIC runtime's random number generator: a 24-bit linear congruential state.
class BasicRandom {
public:
    static constexpr uint32_t kInitialState = 0x50000;

    // Puts the generator into its fixed state: the draw with the argument -1 (its value is consumed).
    void Reset();
    // Mixes the upper half of the double `seed` into bits 8..23 of the state (the runtime's randomize).
    void Reseed(double seed);
    void Reseed(int32_t seed) { Reseed(static_cast<double>(seed)); }
    // Advances and returns the next value in [0, 1); every value is exact in single precision.
    float Draw();
    // The runtime's draw with an argument: negative re-seeds from the argument's bits and then advances,
    // zero repeats the last value without advancing, positive is Draw().
    float Draw(float n);
    // Advances and returns floor(draw * 96), computed in integers.
    int DrawKey();

    uint32_t State() const { return state_; }

private:
    void Step();
    uint32_t state_ = kInitialState;
};

int32_t DeriveCipherSeed(std::string_view key);

// Both take and give UTF-8; every byte outside 32..126 (so every byte of a non-ASCII character) is
// dropped without consuming a key value. Deciphering an enciphered text gives back its ASCII part.
std::string EncipherPassword(std::string_view plain);
std::string DecipherPassword(std::string_view cipher);

}  // namespace vt
