#pragma once

#include <cstdint>

// Clock, random numbers and sleeping, behind one small seam each so that logic that uses them
// can be tested with fixed values.
namespace corvina {

// Milliseconds from an unspecified start, never going back.
std::uint64_t MonotonicMilliseconds() noexcept;

// A high-resolution reading of the clock, suitable as a seed: it differs between calls.
std::uint64_t ClockSeed() noexcept;

// Sleeps for at least `milliseconds`.
void SleepMilliseconds(unsigned milliseconds);

// The clock and sleep as a run sees them: the system's in the program, a recording or instant
// one in tests.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::uint64_t MonotonicMilliseconds() = 0;
    virtual void SleepMilliseconds(unsigned milliseconds) = 0;
    // A seed for Random that differs between calls.
    virtual std::uint64_t Seed() = 0;
};

// The functions above.
class SystemClock : public Clock {
public:
    std::uint64_t MonotonicMilliseconds() override { return corvina::MonotonicMilliseconds(); }
    void SleepMilliseconds(unsigned milliseconds) override {
        corvina::SleepMilliseconds(milliseconds);
    }
    std::uint64_t Seed() override { return ClockSeed(); }
};

// A small random generator (xoshiro256**). The same seed gives the same sequence.
class Random {
public:
    explicit Random(std::uint64_t seed) noexcept;
    static Random SeededFromClock() noexcept { return Random(ClockSeed()); }

    // A number from 0 to bound - 1, every value with the same chance (0 when bound is 0).
    std::uint32_t Below(std::uint32_t bound) noexcept;

private:
    std::uint64_t Next() noexcept;
    std::uint64_t state_[4];
};

}  // namespace corvina
