#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>

namespace core {

/// Standard normal numbers from the 64-bit words of a random engine, by the
/// Box-Muller transform. The same engine and seed give the same numbers with
/// every standard library (std::normal_distribution differs between them).
template <typename Engine> class NormalDraws {
public:
    explicit NormalDraws(Engine engine) : m_engine(std::move(engine)) {}

    double next() {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        const double u1 = uniform();
        const double u2 = uniform();
        const double radius = std::sqrt(-2.0 * std::log(u1));
        const double angle = 2.0 * std::numbers::pi * u2;
        m_spare = radius * std::sin(angle);
        m_hasSpare = true;
        return radius * std::cos(angle);
    }

private:
    /// Uniform in (0, 1].
    double uniform() { return (static_cast<double>(m_engine() >> 11) + 1.0) * 0x1p-53; }

    Engine m_engine;
    double m_spare = 0;
    bool m_hasSpare = false;
};

/// SplitMix64: an engine of one 64-bit word, cheap to seed, so that every
/// Monte Carlo trial can have a stream of its own.
class SplitMix64 {
public:
    using result_type = std::uint64_t;
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}
    static constexpr result_type min() { return 0; }
    static constexpr result_type max() { return ~result_type{0}; }

    result_type operator()() { return mix(m_state += 0x9e3779b97f4a7c15ULL); }

    /// The engine's output function: a bijection that scatters neighbouring words.
    static constexpr std::uint64_t mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t m_state;
};

/// The draws of one trial: the same seed and trial index give the same numbers,
/// whichever thread makes them and in whatever order the trials run.
inline NormalDraws<SplitMix64> trialDraws(std::uint64_t seed, std::uint64_t trial) {
    return NormalDraws<SplitMix64>(SplitMix64(SplitMix64::mix(seed) ^ SplitMix64::mix(~trial)));
}

} // namespace core
