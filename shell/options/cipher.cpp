// DES as defined in FIPS PUB 46. Tables number bits from 1 at the most
// significant end, as the standard does; performance is of no concern for
// files of a few kilobytes, so every permutation goes through one loop.
#include "options/cipher.h"

#include <utility>

namespace {

template <std::size_t N> using BitTable = std::array<std::uint8_t, N>;

constexpr BitTable<64> kInitialPermutation = {
    58, 50, 42, 34, 26, 18, 10, 2,  60, 52, 44, 36, 28, 20, 12, 4,  62, 54, 46, 38, 30, 22,
    14, 6,  64, 56, 48, 40, 32, 24, 16, 8,  57, 49, 41, 33, 25, 17, 9,  1,  59, 51, 43, 35,
    27, 19, 11, 3,  61, 53, 45, 37, 29, 21, 13, 5,  63, 55, 47, 39, 31, 23, 15, 7};

constexpr BitTable<64> kFinalPermutation = {
    40, 8,  48, 16, 56, 24, 64, 32, 39, 7,  47, 15, 55, 23, 63, 31, 38, 6,  46, 14, 54, 22,
    62, 30, 37, 5,  45, 13, 53, 21, 61, 29, 36, 4,  44, 12, 52, 20, 60, 28, 35, 3,  43, 11,
    51, 19, 59, 27, 34, 2,  42, 10, 50, 18, 58, 26, 33, 1,  41, 9,  49, 17, 57, 25};

constexpr BitTable<48> kExpansion = {32, 1,  2,  3,  4,  5,  4,  5,  6,  7,  8,  9,  8,  9,  10, 11,
                                     12, 13, 12, 13, 14, 15, 16, 17, 16, 17, 18, 19, 20, 21, 20, 21,
                                     22, 23, 24, 25, 24, 25, 26, 27, 28, 29, 28, 29, 30, 31, 32, 1};

constexpr BitTable<32> kRoundPermutation = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23,
                                            26, 5, 18, 31, 10, 2,  8,  24, 14, 32, 27,
                                            3,  9, 19, 13, 30, 6,  22, 11, 4,  25};

constexpr BitTable<56> kKeyChoice1 = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                      10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                      63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                      14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr BitTable<48> kKeyChoice2 = {
    14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10, 23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
    41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48, 44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

// Left rotation of each 28-bit key half before each round.
constexpr std::array<std::uint8_t, Cipher::kRounds> kKeyShifts = {1, 1, 2, 2, 2, 2, 2, 2,
                                                                  1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::size_t kSboxCount = 8;
constexpr std::size_t kSboxEntries = 64;

// Each box: four rows of 16, row chosen by the outer bits of the 6-bit input.
constexpr std::array<std::array<std::uint8_t, kSboxEntries>, kSboxCount> kSboxes = {{
    {14, 4,  13, 1, 2,  15, 11, 8, 3, 10, 6, 12, 5,  9,  0,  7,  0,  15, 7,  4,  14, 2,
     13, 1,  10, 6, 12, 11, 9,  5, 3, 8,  4, 1,  14, 8,  13, 6,  2,  11, 15, 12, 9,  7,
     3,  10, 5,  0, 15, 12, 8,  2, 4, 9,  1, 7,  5,  11, 3,  14, 10, 0,  6,  13},
    {15, 1,  8,  14, 6,  11, 3,  4, 9,  7,  2, 13, 12, 0,  5,  10, 3,  13, 4,  7, 15, 2,
     8,  14, 12, 0,  1,  10, 6,  9, 11, 5,  0, 14, 7,  11, 10, 4,  13, 1,  5,  8, 12, 6,
     9,  3,  2,  15, 13, 8,  10, 1, 3,  15, 4, 2,  11, 6,  7,  12, 0,  5,  14, 9},
    {10, 0,  9,  14, 6, 3,  15, 5,  1,  13, 12, 7, 11, 4,  2,  8,  13, 7, 0,  9, 3, 4,
     6,  10, 2,  8,  5, 14, 12, 11, 15, 1,  13, 6, 4,  9,  8,  15, 3,  0, 11, 1, 2, 12,
     5,  10, 14, 7,  1, 10, 13, 0,  6,  9,  8,  7, 4,  15, 14, 3,  11, 5, 2,  12},
    {7, 13, 14, 3, 0, 6,  9, 10, 1,  2, 8,  5, 11, 12, 4,  15, 13, 8,  11, 5, 6, 15,
     0, 3,  4,  7, 2, 12, 1, 10, 14, 9, 10, 6, 9,  0,  12, 11, 7,  13, 15, 1, 3, 14,
     5, 2,  8,  4, 3, 15, 0, 6,  10, 1, 13, 8, 9,  4,  5,  11, 12, 7,  2,  14},
    {2,  12, 4, 1,  7,  10, 11, 6, 8, 5,  3, 15, 13, 0,  14, 9,  14, 11, 2,  12, 4,  7,
     13, 1,  5, 0,  15, 10, 3,  9, 8, 6,  4, 2,  1,  11, 10, 13, 7,  8,  15, 9,  12, 5,
     6,  3,  0, 14, 11, 8,  12, 7, 1, 14, 2, 13, 6,  15, 0,  9,  10, 4,  5,  3},
    {12, 1,  10, 15, 9,  2,  6, 8,  0, 13, 3,  4,  14, 7,  5, 11, 10, 15, 4, 2, 7, 12,
     9,  5,  6,  1,  13, 14, 0, 11, 3, 8,  9,  14, 15, 5,  2, 8,  12, 3,  7, 0, 4, 10,
     1,  13, 11, 6,  4,  3,  2, 12, 9, 5,  15, 10, 11, 14, 1, 7,  6,  0,  8, 13},
    {4, 11, 2,  14, 15, 0,  8,  13, 3, 12, 9,  7, 5,  10, 6,  1,  13, 0,  11, 7,  4, 9,
     1, 10, 14, 3,  5,  12, 2,  15, 8, 6,  1,  4, 11, 13, 12, 3,  7,  14, 10, 15, 6, 8,
     0, 5,  9,  2,  6,  11, 13, 8,  1, 4,  10, 7, 9,  5,  0,  15, 14, 2,  3,  12},
    {13, 2, 8,  4, 6, 15, 11, 1,  10, 9,  3, 14, 5,  0,  12, 7,  1,  15, 13, 8, 10, 3,
     7,  4, 12, 5, 6, 11, 0,  14, 9,  2,  7, 11, 4,  1,  9,  12, 14, 2,  0,  6, 10, 13,
     15, 3, 5,  8, 2, 1,  14, 7,  4,  10, 8, 13, 15, 12, 9,  0,  3,  5,  6,  11},
}};

constexpr unsigned kBlockBits = 64;
constexpr unsigned kHalfBlockBits = 32;
constexpr unsigned kKeyChoiceBits = 56; // key bits left after dropping the parity bits
constexpr unsigned kHalfKeyBits = 28;
constexpr unsigned kExpandedBits = 48;
constexpr unsigned kSboxInputBits = 6;
constexpr unsigned kSboxColumns = 16;
constexpr std::uint64_t kHalfKeyMask = (std::uint64_t{1} << kHalfKeyBits) - 1;
constexpr std::uint64_t kHalfBlockMask = 0xFFFFFFFFu;

// Output bit i (from the top of an N-bit result) is bit table[i] of the
// `inputBits`-wide input.
template <std::size_t N>
std::uint64_t Permute(std::uint64_t input, unsigned inputBits, const BitTable<N>& table) {
    std::uint64_t output = 0;
    for (const std::uint8_t source : table) {
        output = (output << 1) | ((input >> (inputBits - source)) & 1u);
    }
    return output;
}

std::uint64_t RotateHalfKey(std::uint64_t half, unsigned count) {
    return ((half << count) | (half >> (kHalfKeyBits - count))) & kHalfKeyMask;
}

// The cipher function f(R, K): expand, mix in the round key, substitute
// through the eight boxes, permute.
std::uint64_t RoundFunction(std::uint64_t right, std::uint64_t subkey) {
    const std::uint64_t mixed = Permute(right, kHalfBlockBits, kExpansion) ^ subkey;
    std::uint64_t substituted = 0;
    for (std::size_t box = 0; box < kSboxCount; ++box) {
        const auto shift = static_cast<unsigned>(kExpandedBits - kSboxInputBits * (box + 1));
        const auto six = static_cast<unsigned>((mixed >> shift) & 0x3Fu);
        const unsigned row = ((six >> 4) & 2u) | (six & 1u); // outer bits
        const unsigned column = (six >> 1) & 0xFu;           // inner four bits
        substituted = (substituted << 4) | kSboxes[box][row * kSboxColumns + column];
    }
    return Permute(substituted, kHalfBlockBits, kRoundPermutation);
}

template <typename Subkeys> std::uint64_t Transform(std::uint64_t block, const Subkeys& subkeys) {
    const std::uint64_t permuted = Permute(block, kBlockBits, kInitialPermutation);
    std::uint64_t left = permuted >> kHalfBlockBits;
    std::uint64_t right = permuted & kHalfBlockMask;
    for (const std::uint64_t subkey : subkeys) {
        const std::uint64_t next = left ^ RoundFunction(right, subkey);
        left = right;
        right = next;
    }
    // The halves are swapped once more after the last round.
    return Permute((right << kHalfBlockBits) | left, kBlockBits, kFinalPermutation);
}

std::uint64_t LoadBlock(const char* bytes) {
    std::uint64_t block = 0;
    for (std::size_t i = 0; i < Cipher::kBlockSize; ++i) {
        block = (block << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return block;
}

void StoreBlock(std::uint64_t block, char* bytes) {
    for (std::size_t i = Cipher::kBlockSize; i-- > 0;) {
        bytes[i] = static_cast<char>(static_cast<unsigned char>(block & 0xFFu));
        block >>= 8;
    }
}

} // namespace

Cipher::Cipher(std::uint64_t key) {
    const std::uint64_t chosen = Permute(key, kBlockBits, kKeyChoice1);
    std::uint64_t c = chosen >> kHalfKeyBits;
    std::uint64_t d = chosen & kHalfKeyMask;
    for (std::size_t round = 0; round < kRounds; ++round) {
        c = RotateHalfKey(c, kKeyShifts[round]);
        d = RotateHalfKey(d, kKeyShifts[round]);
        subkeys_[round] = Permute((c << kHalfKeyBits) | d, kKeyChoiceBits, kKeyChoice2);
    }
}

Cipher::Cipher(const std::array<char, kKeyLength>& key) : Cipher(LoadBlock(key.data())) {}

std::uint64_t Cipher::EncipherBlock(std::uint64_t block) const {
    return Transform(block, subkeys_);
}

// Deciphering runs the same rounds with the round keys in reverse order.
std::uint64_t Cipher::DecipherBlock(std::uint64_t block) const {
    std::array<std::uint64_t, kRounds> reversed{};
    for (std::size_t round = 0; round < kRounds; ++round) {
        reversed[round] = subkeys_[kRounds - 1 - round];
    }
    return Transform(block, reversed);
}

std::size_t Cipher::Encipher(std::string& out, std::string_view in) const {
    std::string padded(in);
    padded.resize(in.size() + (kBlockSize - in.size() % kBlockSize) % kBlockSize, '\0');
    for (std::size_t offset = 0; offset < padded.size(); offset += kBlockSize) {
        StoreBlock(EncipherBlock(LoadBlock(padded.data() + offset)), padded.data() + offset);
    }
    out = std::move(padded);
    return out.size();
}

bool Cipher::Decipher(std::string& out, std::string_view in) const {
    if (in.size() % kBlockSize != 0) {
        return false;
    }
    std::string plain(in);
    for (std::size_t offset = 0; offset < plain.size(); offset += kBlockSize) {
        StoreBlock(DecipherBlock(LoadBlock(plain.data() + offset)), plain.data() + offset);
    }
    out = std::move(plain);
    return true;
}
