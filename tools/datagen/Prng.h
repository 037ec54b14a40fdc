#pragma once
#include <cstdint>
#include <vector>

namespace DataGen {

// A small deterministic generator (SplitMix64): the same seed gives the same
// sequence on every machine and every run, unlike std::rand or the standard
// distributions, whose results differ between library versions.
class Prng {
public:
    explicit Prng(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // A whole number in [0, n).
    int below(int n) { return n <= 0 ? 0 : int((next() >> 33) % std::uint64_t(n)); }
    // A whole number in [lo, hi].
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    // A fraction in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    bool chance(double p) { return unit() < p; }
    // An index drawn with the given relative weights.
    int weighted(const std::vector<int>& weights) {
        int total = 0;
        for (int w : weights)
            total += w;
        int pick = below(total);
        for (int i = 0; i < int(weights.size()); ++i) {
            if (pick < weights[i])
                return i;
            pick -= weights[i];
        }
        return int(weights.size()) - 1;
    }

private:
    std::uint64_t m_state;
};

}  // namespace DataGen
