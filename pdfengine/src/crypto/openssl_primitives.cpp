#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

#include "crypto/primitives.h"

namespace papyrion::pdf::crypto {
namespace {

std::string Digest(const EVP_MD* md, std::string_view data) {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), out, &length, md, nullptr) != 1) return {};
    return std::string(reinterpret_cast<const char*>(out), length);
}

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

const EVP_CIPHER* CbcCipher(std::size_t keySize) {
    switch (keySize) {
        case 16:
            return EVP_aes_128_cbc();
        case 24:
            return EVP_aes_192_cbc();
        case 32:
            return EVP_aes_256_cbc();
        default:
            return nullptr;
    }
}

const auto* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Runs one cipher pass; padding is always handled by the callers' choice.
std::string RunCipher(const EVP_CIPHER* cipher, std::string_view key, std::string_view iv,
                      std::string_view data, bool encrypt, bool padding) {
    if (cipher == nullptr || data.size() > INT_MAX - 32) return {};
    CipherContext ctx(EVP_CIPHER_CTX_new());
    if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, Bytes(key),
                                  iv.empty() ? nullptr : Bytes(iv), encrypt ? 1 : 0) != 1) {
        return {};
    }
    EVP_CIPHER_CTX_set_padding(ctx.get(), padding ? 1 : 0);
    std::string out(data.size() + 32, '\0');
    int written = 0;
    int finalWritten = 0;
    auto* dest = reinterpret_cast<unsigned char*>(out.data());
    if (EVP_CipherUpdate(ctx.get(), dest, &written, Bytes(data), static_cast<int>(data.size())) !=
            1 ||
        EVP_CipherFinal_ex(ctx.get(), dest + written, &finalWritten) != 1) {
        return {};
    }
    out.resize(static_cast<std::size_t>(written + finalWritten));
    return out;
}

}  // namespace

std::string Md5(std::string_view data) { return Digest(EVP_md5(), data); }
std::string Sha256(std::string_view data) { return Digest(EVP_sha256(), data); }
std::string Sha384(std::string_view data) { return Digest(EVP_sha384(), data); }
std::string Sha512(std::string_view data) { return Digest(EVP_sha512(), data); }

std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data,
                          bool pkcs7Padding) {
    if (iv.size() != 16) return {};
    if (!pkcs7Padding) data = data.substr(0, data.size() - data.size() % 16);
    return RunCipher(CbcCipher(key.size()), key, iv, data, true, pkcs7Padding);
}

std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data) {
    if (iv.size() != 16) return {};
    data = data.substr(0, data.size() - data.size() % 16);
    return RunCipher(CbcCipher(key.size()), key, iv, data, false, false);
}

std::string AesEcbDecryptBlock(std::string_view key, std::string_view block) {
    if (key.size() != 32 || block.size() != 16) return {};
    return RunCipher(EVP_aes_256_ecb(), key, {}, block, false, false);
}

std::string RandomBytes(std::size_t count) {
    std::string out(count, '\0');
    if (count > INT_MAX ||
        RAND_bytes(reinterpret_cast<unsigned char*>(out.data()), static_cast<int>(count)) != 1) {
        return {};
    }
    return out;
}

}  // namespace papyrion::pdf::crypto
