#include "services/cipher.h"

#include <bit>

namespace vt {
namespace {

constexpr uint32_t kStateMask = 0xFFFFFF;
constexpr uint32_t kMultiplier = 0x43FD43FD;
constexpr uint32_t kIncrement = 0xC39EC3;
constexpr int kFirstPrintable = 32;
constexpr int kLastPrintable = 126;
constexpr int kAlphabetSize = kLastPrintable - kFirstPrintable + 1;  // 95

bool IsPrintable(unsigned char c) { return c >= kFirstPrintable && c <= kLastPrintable; }

// Both directions share the generator set-up; only the per-character mapping differs.
template <typename Map>
std::string Transform(std::string_view text, Map map) {
    BasicRandom random;
    random.Reset();
    random.Reseed(DeriveCipherSeed(CipherKey));
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (!IsPrintable(c)) continue;  // dropped, and no key value spent on it
        int position = map(c - kFirstPrintable, random.DrawKey());
        out.push_back(static_cast<char>(position + kFirstPrintable));
    }
    return out;
}

}  // namespace

void BasicRandom::Step() { state_ = (state_ * kMultiplier + kIncrement) & kStateMask; }

void BasicRandom::Reset() { Draw(-1.0f); }

void BasicRandom::Reseed(double seed) {
    uint32_t hi = static_cast<uint32_t>(std::bit_cast<uint64_t>(seed) >> 32);
    uint32_t mixed = ((hi & 0xFFFF) ^ (hi >> 16)) & 0xFFFF;
    state_ = (state_ & 0xFF0000FF) | (mixed << 8);
}

// S is below 2^24, so S / 2^24 is exact in a float.
float BasicRandom::Draw() {
    Step();
    return static_cast<float>(state_) / 16777216.0f;
}

float BasicRandom::Draw(float n) {
    if (n < 0) {
        uint32_t bits = std::bit_cast<uint32_t>(n);
        state_ = (bits + (bits >> 24)) & kStateMask;
    } else if (n == 0) {
        return static_cast<float>(state_) / 16777216.0f;
    }
    return Draw();
}

// floor(S / 2^24 * 96) = floor(S * 3 / 2^19): no rounding can move a value across a key boundary.
int BasicRandom::DrawKey() {
    Step();
    return static_cast<int>((state_ * 3) >> 19);
}

int32_t DeriveCipherSeed(std::string_view key) {
    uint32_t acc = 0;
    unsigned a = 0, b = 0;
    for (char ch : key) {
        uint32_t c = static_cast<unsigned char>(ch);
        acc ^= (c << a) ^ (c << b);
        a = (a + 7) % 19;
        b = (b + 13) % 23;
    }
    return static_cast<int32_t>(acc);
}

std::string EncipherPassword(std::string_view plain) {
    return Transform(plain, [](int p, int r) { return (p + r) % kAlphabetSize; });
}

std::string DecipherPassword(std::string_view cipher) {
    return Transform(cipher, [](int p, int r) {
        int d = (p - r) % kAlphabetSize;
        return d < 0 ? d + kAlphabetSize : d;
    });
}

}  // namespace vt
