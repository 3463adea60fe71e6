// Damaged variants of a recording, the way a card's files go bad: cut short by a power loss,
// bit errors in the index or in the media data, zeroed blocks. Deterministic per seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace hardening {

enum class Damage {
    Truncate,      // cut at a random point
    IndexFlips,    // random bytes flipped in the file type and movie index boxes
    PayloadFlips,  // random bytes flipped in the media data box
    ZeroedRange,   // a random range overwritten with zeros
};

const char* DamageName(Damage damage);

// A top-level box of an ISO media file: [begin, end) in the file.
struct Box {
    std::string type;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The top-level boxes of `bytes`, as far as their sizes stay inside the file.
std::vector<Box> TopLevelBoxes(const std::string& bytes);

// Applies `damage` to a copy of `bytes`, with choices drawn from `rng`.
std::string Damaged(const std::string& bytes, Damage damage, std::mt19937& rng);

// A telemetry payload of random junk: half of them start like the JSON form, the others like
// the comma-separated form, with random bytes (zeros included), lengths 0 to 400.
std::string GarbageText(std::mt19937& rng);

}  // namespace hardening
