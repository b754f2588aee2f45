#include <gtest/gtest.h>

#include <string>

#include "crypto/primitives.h"

namespace papyrion::pdf::crypto {
namespace {

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string Unhex(std::string_view hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return out;
}

struct DigestVector {
    std::string (*digest)(std::string_view);
    const char* name;
    std::string message;
    const char* expectedHex;
};

class DigestKnownAnswer : public testing::TestWithParam<DigestVector> {};

TEST_P(DigestKnownAnswer, MatchesPublishedDigest) {
    const DigestVector& v = GetParam();
    EXPECT_EQ(Hex(v.digest(v.message)), v.expectedHex) << v.name << " of \"" << v.message << "\"";
}

const std::string kTwoBlock256 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kTwoBlock512 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnop"
    "qrsmnopqrstnopqrstu";

// RFC 1321, appendix A.5 (test suite).
INSTANTIATE_TEST_SUITE_P(
    Md5Rfc1321, DigestKnownAnswer,
    testing::Values(
        DigestVector{Md5, "MD5", "", "d41d8cd98f00b204e9800998ecf8427e"},
        DigestVector{Md5, "MD5", "a", "0cc175b9c0f1b6a831c399e269772661"},
        DigestVector{Md5, "MD5", "abc", "900150983cd24fb0d6963f7d28e17f72"},
        DigestVector{Md5, "MD5", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        DigestVector{Md5, "MD5", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        DigestVector{Md5, "MD5", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                     "d174ab98d277d9f5a5611c2c9f419d9f"},
        DigestVector{
            Md5, "MD5",
            "123456789012345678901234567890123456789012345678901234567890123456789012345678"
            "90",
            "57edf4a22be3c955ac49da2e2107b67a"}));

// FIPS 180-2, appendices B, C and D (one-block and multi-block messages).
INSTANTIATE_TEST_SUITE_P(
    ShaFips180, DigestKnownAnswer,
    testing::Values(
        DigestVector{Sha256, "SHA-256", "abc",
                     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        DigestVector{Sha256, "SHA-256", kTwoBlock256,
                     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        DigestVector{Sha384, "SHA-384", "abc",
                     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7"
                     "cc2358baeca134c825a7"},
        DigestVector{Sha384, "SHA-384", kTwoBlock512,
                     "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e"
                     "2db966c3e9fa91746039"},
        DigestVector{Sha512, "SHA-512", "abc",
                     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274f"
                     "c1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
        DigestVector{Sha512, "SHA-512", kTwoBlock512,
                     "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900"
                     "f7e4331b99dec4b5433ac7d329eeb6dd26545e96e55b874be909"}));

struct Rc4Vector {
    const char* keyHex;
    const char* plainHex;
    const char* cipherHex;
};

class Rc4KnownAnswer : public testing::TestWithParam<Rc4Vector> {};

TEST_P(Rc4KnownAnswer, EncryptsAndDecrypts) {
    const Rc4Vector& v = GetParam();
    const std::string key = Unhex(v.keyHex);
    const std::string plain = Unhex(v.plainHex);
    EXPECT_EQ(Hex(Rc4(key, plain)), v.cipherHex);
    EXPECT_EQ(Rc4(key, Rc4(key, plain)), plain);
}

// RFC 6229 (key stream bytes 0-31 for a 40-bit and a 128-bit key), and the
// three classic vectors of the original RC4 publication ("Key"/"Plaintext",
// "Wiki"/"pedia", "Secret"/"Attack at dawn").
INSTANTIATE_TEST_SUITE_P(
    Rc4Rfc6229AndClassic, Rc4KnownAnswer,
    testing::Values(
        Rc4Vector{"0102030405", "0000000000000000000000000000000000000000000000000000000000000000",
                  "b2396305f03dc027ccc3524a0a1118a86982944f18fc82d589c403a47a0d0919"},
        Rc4Vector{"0102030405060708090a0b0c0d0e0f10",
                  "0000000000000000000000000000000000000000000000000000000000000000",
                  "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c"},
        Rc4Vector{"4b6579", "506c61696e74657874", "bbf316e8d940af0ad3"},
        Rc4Vector{"57696b69", "7065646961", "1021bf0420"},
        Rc4Vector{"536563726574", "41747461636b206174206461776e", "45a01f645fc35b383552544b9bf5"}));

struct AesVector {
    const char* source;
    const char* keyHex;
    const char* ivHex;
    const char* plainHex;
    const char* cipherHex;
};

class AesKnownAnswer : public testing::TestWithParam<AesVector> {};

TEST_P(AesKnownAnswer, EncryptsAndDecryptsWithoutPadding) {
    const AesVector& v = GetParam();
    const std::string key = Unhex(v.keyHex);
    const std::string iv = Unhex(v.ivHex);
    EXPECT_EQ(Hex(AesCbcEncrypt(key, iv, Unhex(v.plainHex), false)), v.cipherHex) << v.source;
    EXPECT_EQ(Hex(AesCbcDecrypt(key, iv, Unhex(v.cipherHex))), v.plainHex) << v.source;
}

constexpr const char* kSp80038aPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e5130c81c46a35ce411e5fbc1191a0a52"
    "eff69f2445df4f9b17ad2b417be66c3710";

// FIPS 197 appendix C.1 and C.3 (one block: CBC with a zero IV is the block
// cipher itself) and SP 800-38A F.2.1 and F.2.5 (CBC, four blocks).
INSTANTIATE_TEST_SUITE_P(
    AesFips197AndSp80038a, AesKnownAnswer,
    testing::Values(
        AesVector{"FIPS 197 C.1", "000102030405060708090a0b0c0d0e0f",
                  "00000000000000000000000000000000", "00112233445566778899aabbccddeeff",
                  "69c4e0d86a7b0430d8cdb78070b4c55a"},
        AesVector{"FIPS 197 C.3",
                  "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
                  "00000000000000000000000000000000", "00112233445566778899aabbccddeeff",
                  "8ea2b7ca516745bfeafc49904b496089"},
        AesVector{"SP 800-38A F.2.1", "2b7e151628aed2a6abf7158809cf4f3c",
                  "000102030405060708090a0b0c0d0e0f", kSp80038aPlain,
                  "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b273bed6b8e3c174"
                  "3b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
        AesVector{"SP 800-38A F.2.5",
                  "603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
                  "000102030405060708090a0b0c0d0e0f", kSp80038aPlain,
                  "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d39f23369a9d9ba"
                  "cfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b"}));

TEST(Aes, EcbBlockAndPaddingAndBadInput) {
    // FIPS 197 C.3 decrypted through the single-block call.
    EXPECT_EQ(Hex(AesEcbDecryptBlock(
                  Unhex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"),
                  Unhex("8ea2b7ca516745bfeafc49904b496089"))),
              "00112233445566778899aabbccddeeff");
    // PKCS#7: 16 bytes of data get a whole block of padding.
    const std::string key(16, 'k');
    const std::string iv(16, 'i');
    EXPECT_EQ(AesCbcEncrypt(key, iv, std::string(16, 'x'), true).size(), 32u);
    EXPECT_EQ(AesCbcEncrypt(key, iv, std::string(5, 'x'), true).size(), 16u);
    EXPECT_TRUE(AesCbcEncrypt(std::string(15, 'k'), iv, "data", true).empty());
    EXPECT_TRUE(AesCbcDecrypt(key, std::string(8, 'i'), std::string(16, 'c')).empty());
}

TEST(RandomBytes, GivesDistinctValuesOfTheAskedSize) {
    const std::string a = RandomBytes(16);
    const std::string b = RandomBytes(16);
    EXPECT_EQ(a.size(), 16u);
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace papyrion::pdf::crypto
