// DES known-answer tests: the published variable-plaintext, variable-key and
// substitution-table sets, and classic worked examples.
#include "options/cipher.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

constexpr std::uint64_t kOddParityZeroKey = 0x0101010101010101;

// Key 0101010101010101; plaintext i has only bit i set (bit 0 the top bit).
constexpr std::array<std::uint64_t, 64> kVariablePlaintext = {
    0x95F8A5E5DD31D900, 0xDD7F121CA5015619, 0x2E8653104F3834EA, 0x4BD388FF6CD81D4F,
    0x20B9E767B2FB1456, 0x55579380D77138EF, 0x6CC5DEFAAF04512F, 0x0D9F279BA5D87260,
    0xD9031B0271BD5A0A, 0x424250B37C3DD951, 0xB8061B7ECD9A21E5, 0xF15D0F286B65BD28,
    0xADD0CC8D6E5DEBA1, 0xE6D5F82752AD63D1, 0xECBFE3BD3F591A5E, 0xF356834379D165CD,
    0x2B9F982F20037FA9, 0x889DE068A16F0BE6, 0xE19E275D846A1298, 0x329A8ED523D71AEC,
    0xE7FCE22557D23C97, 0x12A9F5817FF2D65D, 0xA484C3AD38DC9C19, 0xFBE00A8A1EF8AD72,
    0x750D079407521363, 0x64FEED9C724C2FAF, 0xF02B263B328E2B60, 0x9D64555A9A10B852,
    0xD106FF0BED5255D7, 0xE1652C6B138C64A5, 0xE428581186EC8F46, 0xAEB5F5EDE22D1A36,
    0xE943D7568AEC0C5C, 0xDF98C8276F54B04B, 0xB160E4680F6C696F, 0xFA0752B07D9C4AB8,
    0xCA3A2B036DBC8502, 0x5E0905517BB59BCF, 0x814EEB3B91D90726, 0x4D49DB1532919C9F,
    0x25EB5FC3F8CF0621, 0xAB6A20C0620D1C6F, 0x79E90DBC98F92CCA, 0x866ECEDD8072BB0E,
    0x8B54536F2F3E64A8, 0xEA51D3975595B86B, 0xCAFFC6AC4542DE31, 0x8DD45A2DDF90796C,
    0x1029D55E880EC2D0, 0x5D86CB23639DBEA9, 0x1D1CA853AE7C0C5F, 0xCE332329248F3228,
    0x8405D1ABE24FB942, 0xE643D78090CA4207, 0x48221B9937748A23, 0xDD7C0BBD61FAFD54,
    0x2FBC291A570DB5C4, 0xE07C30D7E4E26E12, 0x0953E2258E8E90A1, 0x5B711BC4CEEBF2EE,
    0xCC083F1E6D9E85F6, 0xD2FD8867D50D2DFE, 0x06E7EA22CE92708F, 0x166B40B44ABA4BD6,
};

// Plaintext 0; key i has only the i-th non-parity bit set (8001010101010101,
// 4001010101010101, ..., 0101010101010102), the other bytes 01.
constexpr std::array<std::uint64_t, 56> kVariableKey = {
    0x95A8D72813DAA94D, 0x0EEC1487DD8C26D5, 0x7AD16FFB79C45926, 0xD3746294CA6A6CF3,
    0x809F5F873C1FD761, 0xC02FAFFEC989D1FC, 0x4615AA1D33E72F10, 0x2055123350C00858,
    0xDF3B99D6577397C8, 0x31FE17369B5288C9, 0xDFDD3CC64DAE1642, 0x178C83CE2B399D94,
    0x50F636324A9B7F80, 0xA8468EE3BC18F06D, 0xA2DC9E92FD3CDE92, 0xCAC09F797D031287,
    0x90BA680B22AEB525, 0xCE7A24F350E280B6, 0x882BFF0AA01A0B87, 0x25610288924511C2,
    0xC71516C29C75D170, 0x5199C29A52C9F059, 0xC22F0A294A71F29F, 0xEE371483714C02EA,
    0xA81FBD448F9E522F, 0x4F644C92E192DFED, 0x1AFA9A66A6DF92AE, 0xB3C1CC715CB879D8,
    0x19D032E64AB0BD8B, 0x3CFAA7A7DC8720DC, 0xB7265F7F447AC6F3, 0x9DB73B3C0D163F54,
    0x8181B65BABF4A975, 0x93C9B64042EAA240, 0x5570530829705592, 0x8638809E878787A0,
    0x41B9A79AF79AC208, 0x7A9BE42F2009A892, 0x29038D56BA6D2745, 0x5495C6ABF1E5DF51,
    0xAE13DBD561488933, 0x024D1FFA8904E389, 0xD1399712F99BF02E, 0x14C1D7C1CFFEC79E,
    0x1DE5279DAE3BED6F, 0xE941A33F85501303, 0xDA99DBBC9A03F379, 0xB7FC92F91D8E92E9,
    0xAE8E5CAA3CA04E85, 0x9CC62DF43B6EED74, 0xD863DBB5C59A91A0, 0xA1AB2190545B91D7,
    0x0875041E64C570F7, 0x5A594528BEBEF1CC, 0xFCDB3291DE21F0C0, 0x869EFD7F9F265A09,
};

struct Vector {
    std::uint64_t key;
    std::uint64_t plain;
    std::uint64_t cipher;
};

// The substitution-table set, which drives every S-box entry, plus classic
// worked examples.
constexpr std::array<Vector, 21> kKnownAnswers = {{
    {0x7CA110454A1A6E57, 0x01A1D6D039776742, 0x690F5B0D9A26939B},
    {0x0131D9619DC1376E, 0x5CD54CA83DEF57DA, 0x7A389D10354BD271},
    {0x07A1133E4A0B2686, 0x0248D43806F67172, 0x868EBB51CAB4599A},
    {0x3849674C2602319E, 0x51454B582DDF440A, 0x7178876E01F19B2A},
    {0x04B915BA43FEB5B6, 0x42FD443059577FA2, 0xAF37FB421F8C4095},
    {0x0113B970FD34F2CE, 0x059B5E0851CF143A, 0x86A560F10EC6D85B},
    {0x0170F175468FB5E6, 0x0756D8E0774761D2, 0x0CD3DA020021DC09},
    {0x43297FAD38E373FE, 0x762514B829BF486A, 0xEA676B2CB7DB2B7A},
    {0x07A7137045DA2A16, 0x3BDD119049372802, 0xDFD64A815CAF1A0F},
    {0x04689104C2FD3B2F, 0x26955F6835AF609A, 0x5C513C9C4886C088},
    {0x37D06BB516CB7546, 0x164D5E404F275232, 0x0A2AEEAE3FF4AB77},
    {0x1F08260D1AC2465E, 0x6B056E18759F5CCA, 0xEF1BF03E5DFA575A},
    {0x584023641ABA6176, 0x004BD6EF09176062, 0x88BF0DB6D70DEE56},
    {0x025816164629B007, 0x480D39006EE762F2, 0xA1F9915541020B56},
    {0x49793EBC79B3258F, 0x437540C8698F3CFA, 0x6FBF1CAFCFFD0556},
    {0x4FB05E1515AB73A7, 0x072D43A077075292, 0x2F22E49BAB7CA1AC},
    {0x49E95D6D4CA229BF, 0x02FE55778117F12A, 0x5A6B612CC26CCE4A},
    {0x018310DC409B26D6, 0x1D9D5C5018F728C2, 0x5F4C038ED12B2E41},
    {0x1C587F1C13924FEF, 0x305532286D6F295A, 0x63FAC0D034D9F793},
    {0x133457799BBCDFF1, 0x0123456789ABCDEF, 0x85E813540F0AB405},
    {0x0123456789ABCDEF, 0x4E6F772069732074, 0x3FA40E8A984D4815}, // "Now is t"
}};

std::uint64_t SingleBit(std::size_t fromTop) {
    return std::uint64_t{1} << (63 - fromTop);
}

// The variable-key set's key i: byte i / 7 holds bit 7 - i % 7, the others 01.
std::uint64_t VariableKey(std::size_t i) {
    const std::size_t byte = i / 7;
    const std::uint64_t bits = std::uint64_t{1} << (7 - i % 7);
    const std::uint64_t others = kOddParityZeroKey & ~(std::uint64_t{0xFF} << (8 * (7 - byte)));
    return others | (bits << (8 * (7 - byte)));
}

TEST(CipherKnownAnswers, VariablePlaintext) {
    const Cipher cipher(kOddParityZeroKey);
    for (std::size_t i = 0; i < kVariablePlaintext.size(); ++i) {
        EXPECT_EQ(cipher.EncipherBlock(SingleBit(i)), kVariablePlaintext[i]) << "bit " << i;
        EXPECT_EQ(cipher.DecipherBlock(kVariablePlaintext[i]), SingleBit(i)) << "bit " << i;
    }
}

TEST(CipherKnownAnswers, VariableKey) {
    ASSERT_EQ(VariableKey(0), 0x8001010101010101u);
    ASSERT_EQ(VariableKey(7), 0x0180010101010101u);
    ASSERT_EQ(VariableKey(55), 0x0101010101010102u);
    for (std::size_t i = 0; i < kVariableKey.size(); ++i) {
        const Cipher cipher(VariableKey(i));
        EXPECT_EQ(cipher.EncipherBlock(0), kVariableKey[i]) << "key bit " << i;
        EXPECT_EQ(cipher.DecipherBlock(kVariableKey[i]), 0u) << "key bit " << i;
    }
}

TEST(CipherKnownAnswers, SubstitutionTableAndClassicVectors) {
    for (const Vector& v : kKnownAnswers) {
        const Cipher cipher(v.key);
        EXPECT_EQ(cipher.EncipherBlock(v.plain), v.cipher) << std::hex << "key " << v.key;
        EXPECT_EQ(cipher.DecipherBlock(v.cipher), v.plain) << std::hex << "key " << v.key;
    }
}

TEST(CipherKey, CharactersAreKeyBytesAndParityBitsDoNotCount) {
    const std::array<char, Cipher::kKeyLength> text = {'1', '2', '3', '4', '5', '6', '7', '8'};
    const std::uint64_t block = 0x0123456789ABCDEF;
    const std::uint64_t expected = Cipher(0x3132333435363738).EncipherBlock(block);
    EXPECT_EQ(Cipher(text).EncipherBlock(block), expected);
    EXPECT_EQ(Cipher(0x3132333435363738 ^ kOddParityZeroKey).EncipherBlock(block), expected);
    EXPECT_NE(Cipher(0x3132333435363738 ^ 0x0200000000000000).EncipherBlock(block), expected);
}

TEST(CipherBuffers, WholeBlocksWithZeroFillAndPartialBlocksRefused) {
    const Cipher cipher(0x0123456789ABCDEF);
    std::string out = "stale";
    EXPECT_EQ(cipher.Encipher(out, "Now is the time for all "), 24u);
    EXPECT_EQ(out, std::string("\x3F\xA4\x0E\x8A\x98\x4D\x48\x15\x6A\x27\x17\x87\xAB\x88\x83\xF9"
                               "\x89\x3D\x51\xEC\x4B\x56\x3B\x53",
                               24));

    EXPECT_EQ(cipher.Encipher(out, "abcdefghi"), 16u);
    std::string back;
    ASSERT_TRUE(cipher.Decipher(back, out));
    EXPECT_EQ(back, std::string("abcdefghi\0\0\0\0\0\0\0", 16));

    back = "untouched";
    EXPECT_FALSE(cipher.Decipher(back, out.substr(0, 15)));
    EXPECT_FALSE(cipher.Decipher(back, out + "x"));
    EXPECT_EQ(back, "untouched");
    EXPECT_EQ(cipher.Encipher(out, ""), 0u);
    EXPECT_TRUE(out.empty());
}

} // namespace
