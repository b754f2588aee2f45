#pragma once
// The cryptographic building blocks of the security handler. Digests and AES
// come from OpenSSL's libcrypto; RC4 is small enough to keep here. None of
// these throws.

#include <cstddef>
#include <string>
#include <string_view>

namespace papyrion::pdf::crypto {

std::string Md5(std::string_view data);
std::string Sha256(std::string_view data);
std::string Sha384(std::string_view data);
std::string Sha512(std::string_view data);

// RC4 is symmetric: the same call encrypts and decrypts. An empty key gives
// the data unchanged.
std::string Rc4(std::string_view key, std::string_view data);

// AES in CBC mode with a 16-, 24- or 32-byte key and a 16-byte IV. Without
// padding the data must be a whole number of blocks (extra bytes are
// dropped). An unusable key or IV gives an empty result.
std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data,
                          bool pkcs7Padding);
std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data);

// One AES block in ECB mode (for "Perms").
std::string AesEcbDecryptBlock(std::string_view key, std::string_view block);

// Bytes from the system's random source. Empty when it fails.
std::string RandomBytes(std::size_t count);

}  // namespace papyrion::pdf::crypto
