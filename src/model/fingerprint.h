// A 64-bit fingerprint of a run of values: what tells, without keeping a copy, whether
// data is as it was (the mesh rebuild's skip, the radii's checks, undo steps sharing what
// did not change). Values of up to eight bytes are taken as one word each, longer runs in
// words, into four lanes (word i to lane i mod 4) mixed by the xxHash64 round. Each round is a bijection of its
// lane, so a change in any one word always changes the result before the final mix;
// lists and texts carry their length, so that neighbours cannot trade elements unseen.
//
// Two runs of calls give the same fingerprint exactly when they feed the same words, so a
// fingerprint is only compared with one made by the same sequence of calls.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace orv {

class Fingerprint {
public:
    explicit Fingerprint(uint64_t seed = 0) : lane_{seed + kP1 + kP2, seed + kP2, seed, seed - kP1} {}

    void Add(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        total_ += n;
        // Words wait until four are at hand, one for each lane; whole groups of four are
        // taken straight from the data.
        for (; n >= 8 && pending_ > 0; p += 8, n -= 8)
            Word(Load(p));
        for (; n >= 32; p += 32, n -= 32)
            Group(Load(p), Load(p + 8), Load(p + 16), Load(p + 24));
        for (; n >= 8; p += 8, n -= 8)
            Word(Load(p));
        if (n > 0) {
            uint64_t w = 0;
            std::memcpy(&w, p, n);
            Word(w ^ (static_cast<uint64_t>(n) << 59));
        }
    }

    template <typename T>
    void Value(const T& v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        if constexpr (sizeof(T) <= 8) {
            uint64_t w = 0;
            std::memcpy(&w, &v, sizeof(T));
            total_ += sizeof(T);
            Word(w);
        } else {
            Add(&v, sizeof(T));
        }
    }

    template <typename T>
    void List(const std::vector<T>& v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        Value(static_cast<uint64_t>(v.size()));
        Add(v.data(), v.size() * sizeof(T));
    }
    void Text(const std::string& s)
    {
        Value(static_cast<uint64_t>(s.size()));
        Add(s.data(), s.size());
    }

    uint64_t Finish() const
    {
        uint64_t lanes[4] = {lane_[0], lane_[1], lane_[2], lane_[3]};
        for (uint64_t i = 0; i < pending_; ++i)
            lanes[i] = Round(lanes[i], word_[i]);
        const uint64_t words = groups_ * 4 + pending_;
        uint64_t h =
            std::rotl(lanes[0], 1) + std::rotl(lanes[1], 7) + std::rotl(lanes[2], 12) + std::rotl(lanes[3], 18);
        for (uint64_t l : lanes)
            h = (h ^ Round(0, l)) * kP1 + kP4;
        h += total_ ^ (words << 32);
        h ^= h >> 33;
        h *= kP2;
        h ^= h >> 29;
        h *= kP3;
        h ^= h >> 32;
        return h;
    }

private:
    static constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull;
    static constexpr uint64_t kP2 = 0xC2B2AE3D27D4EB4Full;
    static constexpr uint64_t kP3 = 0x165667B19E3779F9ull;
    static constexpr uint64_t kP4 = 0x85EBCA77C2B2AE63ull;

    static uint64_t Load(const uint8_t* p)
    {
        uint64_t w;
        std::memcpy(&w, p, 8);
        return w;
    }
    static uint64_t Round(uint64_t acc, uint64_t w) { return std::rotl(acc + w * kP2, 31) * kP1; }
    void Word(uint64_t w)
    {
        word_[pending_++] = w;
        if (pending_ == 4) {
            pending_ = 0;
            Group(word_[0], word_[1], word_[2], word_[3]);
        }
    }
    void Group(uint64_t a, uint64_t b, uint64_t c, uint64_t d)
    {
        lane_[0] = Round(lane_[0], a);
        lane_[1] = Round(lane_[1], b);
        lane_[2] = Round(lane_[2], c);
        lane_[3] = Round(lane_[3], d);
        ++groups_;
    }

    uint64_t lane_[4];
    uint64_t word_[4] = {};
    uint64_t pending_ = 0;
    uint64_t groups_ = 0;
    uint64_t total_ = 0;
};

}  // namespace orv
