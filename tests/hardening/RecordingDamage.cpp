#include "RecordingDamage.h"

#include <algorithm>

namespace hardening {

namespace {

std::size_t Uniform(std::mt19937& rng, std::size_t low, std::size_t high)  // [low, high]
{
    return std::uniform_int_distribution<std::size_t>(low, high)(rng);
}

std::uint64_t BigEndian(const std::string& bytes, std::size_t at, int count)
{
    std::uint64_t v = 0;
    for (int i = 0; i < count; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

// Flips `count` random bytes (each XOR a non-zero value) inside the given ranges.
void Flip(std::string& bytes, const std::vector<Box>& ranges, int count, std::mt19937& rng)
{
    std::size_t total = 0;
    for (const Box& r : ranges)
        total += r.end - r.begin;
    if (total == 0)
        return;
    for (int i = 0; i < count; ++i) {
        std::size_t pick = Uniform(rng, 0, total - 1);
        for (const Box& r : ranges) {
            if (pick < r.end - r.begin) {
                bytes[r.begin + pick] = static_cast<char>(bytes[r.begin + pick] ^ Uniform(rng, 1, 255));
                break;
            }
            pick -= r.end - r.begin;
        }
    }
}

}  // namespace

const char* DamageName(Damage damage)
{
    switch (damage) {
        case Damage::Truncate: return "truncated";
        case Damage::IndexFlips: return "index-flips";
        case Damage::PayloadFlips: return "payload-flips";
        case Damage::ZeroedRange: return "zeroed-range";
    }
    return "?";
}

std::vector<Box> TopLevelBoxes(const std::string& bytes)
{
    std::vector<Box> boxes;
    std::size_t at = 0;
    while (at + 8 <= bytes.size()) {
        std::uint64_t size = BigEndian(bytes, at, 4);
        std::size_t header = 8;
        if (size == 1 && at + 16 <= bytes.size()) {
            size = BigEndian(bytes, at + 8, 8);
            header = 16;
        } else if (size == 0) {
            size = bytes.size() - at;
        }
        if (size < header || size > bytes.size() - at)
            break;
        boxes.push_back(Box{bytes.substr(at + 4, 4), at, at + static_cast<std::size_t>(size)});
        at += static_cast<std::size_t>(size);
    }
    return boxes;
}

std::string Damaged(const std::string& bytes, Damage damage, std::mt19937& rng)
{
    std::string out = bytes;
    if (out.empty())
        return out;
    const std::vector<Box> boxes = TopLevelBoxes(out);
    std::vector<Box> index, payload;
    for (const Box& b : boxes)
        (b.type == "mdat" ? payload : index).push_back(b);
    switch (damage) {
        case Damage::Truncate:
            out.resize(Uniform(rng, 0, out.size() - 1));
            break;
        case Damage::IndexFlips:
            Flip(out, index, static_cast<int>(Uniform(rng, 1, 24)), rng);
            break;
        case Damage::PayloadFlips:
            Flip(out, payload, static_cast<int>(Uniform(rng, 1, 400)), rng);
            break;
        case Damage::ZeroedRange: {
            const std::size_t length = Uniform(rng, 16, std::max<std::size_t>(16, out.size() / 4));
            const std::size_t begin = Uniform(rng, 0, out.size() - 1);
            std::fill(out.begin() + begin, out.begin() + std::min(out.size(), begin + length), '\0');
            break;
        }
    }
    return out;
}

std::string GarbageText(std::mt19937& rng)
{
    static const char kJsonish[] = "{}[]:,\"0123456789.-eE GPSFIXLALOALGOPSRPFIDtruefalsenull\\u";
    static const char kCsvish[] = "0123456789,,,,///...--+eEnaif ";
    const bool json = Uniform(rng, 0, 1) == 0;
    std::string text = json ? "{" : "";
    const std::size_t length = Uniform(rng, 0, 400);
    while (text.size() < length) {
        switch (Uniform(rng, 0, 3)) {
            case 0: text += static_cast<char>(Uniform(rng, 0, 255)); break;  // any byte, zero included
            case 1: text += json ? kJsonish[Uniform(rng, 0, sizeof kJsonish - 2)] : kCsvish[Uniform(rng, 0, sizeof kCsvish - 2)]; break;
            default: text += json ? "\"GPS\":{\"FIX\":1,\"LA\":" : "50,2000,1,0,1/"; break;
        }
    }
    return text;
}

}  // namespace hardening
