#include "crypto/security_handler.h"

#include <algorithm>

#include "crypto/password_forms.h"
#include "crypto/primitives.h"

namespace papyrion::pdf {
namespace {

// The 32 bytes that pad a password (ISO 32000-1 7.6.3.3, Algorithm 2).
constexpr char kPasswordPadding[] =
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";
constexpr std::string_view kPadding(kPasswordPadding, 32);

std::string Padded(std::string_view password) {
    std::string out(password.substr(0, 32));
    out.append(kPadding.substr(0, 32 - out.size()));
    return out;
}

std::string LittleEndian(std::uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
    return out;
}

std::string XorKey(std::string_view key, int value) {
    std::string out(key);
    for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) ^ value);
    return out;
}

// Key length in bytes for the RC4 / AES-128 revisions; 0 when unusable.
std::size_t LegacyKeyLength(const EncryptionParams& p) {
    if (p.r == 2) return 5;
    if (p.lengthBits < 40 || p.lengthBits > 128 || p.lengthBits % 8 != 0) {
        return p.v == 4 ? 16 : 0;
    }
    return static_cast<std::size_t>(p.lengthBits / 8);
}

bool IsSupported(EncryptionParams& p) {
    if (p.filter != "Standard") return false;
    auto legacyMethod = [](CryptMethod m) {
        return m == CryptMethod::kNone || m == CryptMethod::kRC4 || m == CryptMethod::kAESV2;
    };
    auto modernMethod = [](CryptMethod m) {
        return m == CryptMethod::kNone || m == CryptMethod::kAESV3;
    };
    if ((p.v == 1 || p.v == 2) && (p.r == 2 || p.r == 3)) {
        p.streamMethod = p.stringMethod = CryptMethod::kRC4;
        if (p.v == 1) p.lengthBits = 40;
    } else if (p.v == 4 && p.r == 4) {
        if (!legacyMethod(p.streamMethod) || !legacyMethod(p.stringMethod)) return false;
        if (p.streamMethod == CryptMethod::kAESV2 || p.stringMethod == CryptMethod::kAESV2) {
            p.lengthBits = 128;
        }
    } else if (p.v == 5 && (p.r == 5 || p.r == 6)) {
        if (!modernMethod(p.streamMethod) || !modernMethod(p.stringMethod)) return false;
        // Longer values occur (padded by some writers); only the defined part counts.
        if (p.o.size() < 48 || p.u.size() < 48 || p.oe.size() < 32 || p.ue.size() < 32) {
            return false;
        }
        p.o.resize(48);
        p.u.resize(48);
        p.oe.resize(32);
        p.ue.resize(32);
        return true;
    } else {
        return false;
    }
    if (p.o.size() < 32 || p.u.size() < 32 || LegacyKeyLength(p) == 0) return false;
    p.o.resize(32);
    p.u.resize(32);
    return true;
}

// --- RC4 and AES-128 revisions (R 2 to 4) -------------------------------

// Algorithm 2: the file key from a (user) password.
std::string LegacyFileKey(const EncryptionParams& p, std::string_view password) {
    const std::size_t n = LegacyKeyLength(p);
    std::string input =
        Padded(password) + p.o + LittleEndian(static_cast<std::uint32_t>(p.p), 4) + p.id0;
    if (p.r >= 4 && !p.encryptMetadata) input += "\xFF\xFF\xFF\xFF";
    std::string hash = crypto::Md5(input);
    if (p.r >= 3) {
        for (int i = 0; i < 50; ++i) hash = crypto::Md5(std::string_view(hash).substr(0, n));
    }
    return hash.substr(0, n);
}

// Algorithms 4 and 5: does this key produce the stored "U"?
bool LegacyUserKeyMatches(const EncryptionParams& p, const std::string& key) {
    if (p.r == 2) return crypto::Rc4(key, kPadding) == p.u;
    std::string x = crypto::Rc4(key, crypto::Md5(std::string(kPadding) + p.id0));
    for (int i = 1; i <= 19; ++i) x = crypto::Rc4(XorKey(key, i), x);
    return x == std::string_view(p.u).substr(0, 16);
}

std::optional<std::string> LegacyUser(const EncryptionParams& p, std::string_view password) {
    std::string key = LegacyFileKey(p, password);
    if (LegacyUserKeyMatches(p, key)) return key;
    return std::nullopt;
}

// Algorithm 7: the owner password decrypts "O" to the padded user password.
std::optional<std::string> LegacyOwner(const EncryptionParams& p, std::string_view password) {
    const std::size_t n = LegacyKeyLength(p);
    std::string hash = crypto::Md5(Padded(password));
    if (p.r >= 3) {
        for (int i = 0; i < 50; ++i) hash = crypto::Md5(hash);
    }
    const std::string rc4Key = hash.substr(0, n);
    std::string userPassword = p.o;
    if (p.r == 2) {
        userPassword = crypto::Rc4(rc4Key, userPassword);
    } else {
        for (int i = 19; i >= 0; --i) userPassword = crypto::Rc4(XorKey(rc4Key, i), userPassword);
    }
    return LegacyUser(p, userPassword);
}

// --- AES-256 revisions (R 5 and 6) ---------------------------------------

// ISO 32000-2 Algorithm 2.B; R 5 uses a single SHA-256 instead.
std::string PasswordHash(int revision, std::string_view password, std::string_view salt,
                         std::string_view userData) {
    const std::string start = std::string(password) + std::string(salt) + std::string(userData);
    std::string k = crypto::Sha256(start);
    if (revision == 5) return k;
    std::string e;
    for (int round = 0; round < 64 || static_cast<unsigned char>(e.back()) > round - 32; ++round) {
        const std::string block = std::string(password) + k + std::string(userData);
        std::string k1;
        k1.reserve(block.size() * 64);
        for (int i = 0; i < 64; ++i) k1 += block;
        e = crypto::AesCbcEncrypt(std::string_view(k).substr(0, 16),
                                  std::string_view(k).substr(16, 16), k1, false);
        if (e.size() < 16) return {};
        int sum = 0;
        for (int i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[i]);
        switch (sum % 3) {
            case 0:
                k = crypto::Sha256(e);
                break;
            case 1:
                k = crypto::Sha384(e);
                break;
            default:
                k = crypto::Sha512(e);
                break;
        }
    }
    return k.substr(0, 32);
}

const std::string kZeroIv(16, '\0');

std::optional<std::string> ModernUser(const EncryptionParams& p, std::string_view password) {
    const std::string_view u(p.u);
    if (PasswordHash(p.r, password, u.substr(32, 8), {}) != u.substr(0, 32)) return std::nullopt;
    const std::string key = PasswordHash(p.r, password, u.substr(40, 8), {});
    std::string fileKey = crypto::AesCbcDecrypt(key, kZeroIv, p.ue);
    if (fileKey.size() != 32) return std::nullopt;
    return fileKey;
}

std::optional<std::string> ModernOwner(const EncryptionParams& p, std::string_view password) {
    const std::string_view o(p.o);
    if (PasswordHash(p.r, password, o.substr(32, 8), p.u) != o.substr(0, 32)) return std::nullopt;
    const std::string key = PasswordHash(p.r, password, o.substr(40, 8), p.u);
    std::string fileKey = crypto::AesCbcDecrypt(key, kZeroIv, p.oe);
    if (fileKey.size() != 32) return std::nullopt;
    return fileKey;
}

// The length of the data without its PKCS#7 padding when that padding is
// well formed; otherwise the whole length.
std::size_t UnpaddedLength(std::string_view data) {
    if (data.empty()) return 0;
    const auto pad = static_cast<unsigned char>(data.back());
    if (pad == 0 || pad > 16 || pad > data.size()) return data.size();
    for (std::size_t i = data.size() - pad; i < data.size(); ++i) {
        if (static_cast<unsigned char>(data[i]) != pad) return data.size();
    }
    return data.size() - pad;
}

}  // namespace

std::optional<StandardSecurityHandler> StandardSecurityHandler::Open(const EncryptionParams& params,
                                                                     std::string_view password) {
    EncryptionParams p = params;
    if (!IsSupported(p)) return std::nullopt;
    if (p.v == 5) {
        const auto forms = crypto::UnicodePasswordForms(password);
        for (const auto& form : forms) {
            if (auto key = ModernUser(p, form)) return StandardSecurityHandler(p, *key, false);
        }
        for (const auto& form : forms) {
            if (auto key = ModernOwner(p, form)) return StandardSecurityHandler(p, *key, true);
        }
        return std::nullopt;
    }
    const auto forms = crypto::LegacyPasswordForms(password);
    for (const auto& form : forms) {
        if (auto key = LegacyUser(p, form)) return StandardSecurityHandler(p, *key, false);
    }
    for (const auto& form : forms) {
        if (auto key = LegacyOwner(p, form)) return StandardSecurityHandler(p, *key, true);
    }
    return std::nullopt;
}

std::string StandardSecurityHandler::Crypt(CryptMethod method, std::string_view data,
                                           std::uint32_t objNum, std::uint16_t gen,
                                           bool encrypt) const {
    if (method == CryptMethod::kNone) return std::string(data);
    std::string key = fileKey_;
    if (method != CryptMethod::kAESV3) {
        // Algorithm 1: the object key.
        std::string input = fileKey_ + LittleEndian(objNum, 3) + LittleEndian(gen, 2);
        if (method == CryptMethod::kAESV2) input += "sAlT";
        key = crypto::Md5(input).substr(0, std::min<std::size_t>(fileKey_.size() + 5, 16));
    }
    if (method == CryptMethod::kRC4) return crypto::Rc4(key, data);
    if (encrypt) {
        std::string iv = crypto::RandomBytes(16);
        if (iv.size() != 16) {
            // CBC needs an unpredictable IV, not a secret one; this only runs
            // when the system's random source is unavailable.
            iv = crypto::Md5(key + std::string(data) + LittleEndian(objNum, 4));
        }
        return iv + crypto::AesCbcEncrypt(key, iv, data, true);
    }
    if (data.size() < 16) return {};
    const std::string plain = crypto::AesCbcDecrypt(key, data.substr(0, 16), data.substr(16));
    return std::string(std::string_view(plain).substr(0, UnpaddedLength(plain)));
}

std::string StandardSecurityHandler::DecryptString(std::string_view data, std::uint32_t objNum,
                                                   std::uint16_t gen) const {
    return Crypt(params_.stringMethod, data, objNum, gen, false);
}

std::string StandardSecurityHandler::DecryptStream(std::string_view data, std::uint32_t objNum,
                                                   std::uint16_t gen) const {
    return Crypt(params_.streamMethod, data, objNum, gen, false);
}

std::string StandardSecurityHandler::EncryptString(std::string_view data, std::uint32_t objNum,
                                                   std::uint16_t gen) const {
    return Crypt(params_.stringMethod, data, objNum, gen, true);
}

std::string StandardSecurityHandler::EncryptStream(std::string_view data, std::uint32_t objNum,
                                                   std::uint16_t gen) const {
    return Crypt(params_.streamMethod, data, objNum, gen, true);
}

}  // namespace papyrion::pdf
