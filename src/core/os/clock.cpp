#include "core/os/clock.h"

#include <chrono>
#include <functional>
#include <limits>
#include <thread>

namespace corvina {

namespace {

// splitmix64: spreads any 64-bit value over all bits; seeds xoshiro as its authors advise.
std::uint64_t SplitMix64(std::uint64_t& state) noexcept {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

constexpr std::uint64_t RotateLeft(std::uint64_t x, int k) noexcept {
    return (x << k) | (x >> (64 - k));
}

}  // namespace

std::uint64_t MonotonicMilliseconds() noexcept {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::uint64_t ClockSeed() noexcept {
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    const auto system = std::chrono::system_clock::now().time_since_epoch();
    const auto steadyNs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(steady).count());
    const auto systemNs = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(system).count());
    // A stack address differs between processes (address space randomisation) and threads,
    // so two processes started in the same nanosecond still get different seeds.
    int local = 0;
    std::uint64_t state = steadyNs ^ RotateLeft(systemNs, 21) ^
                          RotateLeft(reinterpret_cast<std::uintptr_t>(&local), 42) ^
                          std::hash<std::thread::id>{}(std::this_thread::get_id());
    return SplitMix64(state);
}

void SleepMilliseconds(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

Random::Random(std::uint64_t seed) noexcept {
    for (std::uint64_t& word : state_) word = SplitMix64(seed);
}

std::uint64_t Random::Next() noexcept {
    // xoshiro256** 1.0 (Blackman and Vigna, public domain).
    const std::uint64_t result = RotateLeft(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = RotateLeft(state_[3], 45);
    return result;
}

std::uint32_t Random::Below(std::uint32_t bound) noexcept {
    if (bound == 0) return 0;
    // Lemire's multiply-and-reject: the high half of x * bound is uniform once the low half
    // avoids the first (2^32 mod bound) values.
    std::uint64_t product = (Next() >> 32) * bound;
    auto low = static_cast<std::uint32_t>(product);
    if (low < bound) {
        const std::uint32_t threshold = static_cast<std::uint32_t>(-bound) % bound;
        while (low < threshold) {
            product = (Next() >> 32) * bound;
            low = static_cast<std::uint32_t>(product);
        }
    }
    return static_cast<std::uint32_t>(product >> 32);
}

}  // namespace corvina
