// Cipher: DES (FIPS PUB 46) in ECB mode for the keyed option file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class Cipher {
public:
    static constexpr std::size_t kBlockSize = 8; // bytes per DES block
    static constexpr std::size_t kKeyLength = 8; // key bytes, parity bits included
    static constexpr std::size_t kRounds = 16;

    // Key as a 64-bit number, first key byte in the top 8 bits.
    explicit Cipher(std::uint64_t key);
    // Key as 8 characters taken as the 8 key bytes. The lowest bit of each
    // byte is the DES parity bit and plays no part.
    explicit Cipher(const std::array<char, kKeyLength>& key);

    // One block, first byte in the top 8 bits.
    std::uint64_t EncipherBlock(std::uint64_t block) const;
    std::uint64_t DecipherBlock(std::uint64_t block) const;

    // Enciphers `in` block by block into `out` (replacing its content). A last
    // partial block is filled with zero bytes before enciphering. Returns the
    // enciphered count: in.size() rounded up to whole blocks.
    std::size_t Encipher(std::string& out, std::string_view in) const;
    // Deciphers `in` block by block into `out`. Returns false, leaving `out`
    // untouched, unless in.size() is a multiple of kBlockSize.
    bool Decipher(std::string& out, std::string_view in) const;

private:
    std::array<std::uint64_t, kRounds> subkeys_{}; // 48-bit round keys
};
