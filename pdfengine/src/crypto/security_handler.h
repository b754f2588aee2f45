#pragma once
// The standard security handler: password check, file key and per-object
// encryption of strings and streams for RC4 (40 to 128 bits), AES-128 and
// AES-256 files. ISO 32000-1 7.6.3 to 7.6.4 and ISO 32000-2 7.6.4.3.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace papyrion::pdf {

// How strings or streams are encrypted ("CFM" of the crypt filter in use).
enum class CryptMethod {
    kNone,  // "None", or the "Identity" crypt filter: data stays as it is
    kRC4,   // "V2", and every V 1/2 file
    kAESV2,
    kAESV3,
};

// The values of the encryption dictionary and the trailer that the handler
// needs, taken as the reader found them (strings already unescaped, never
// decrypted).
struct EncryptionParams {
    std::string filter = "Standard";  // "Filter" name
    int v = 0;                        // "V"
    int r = 0;                        // "R"
    int lengthBits = 40;              // "Length" (bits; 40 when absent)
    std::string o;                    // "O"
    std::string u;                    // "U"
    std::string oe;                   // "OE" (R 5 and 6)
    std::string ue;                   // "UE" (R 5 and 6)
    std::string perms;                // "Perms" (R 5 and 6)
    std::int32_t p = 0;               // "P"
    std::string id0;                  // first element of the trailer's "ID"
    bool encryptMetadata = true;      // "EncryptMetadata"
    // For V 4 and 5: the "CFM" of the crypt filters named by "StmF" and
    // "StrF" (kNone for "Identity" or a missing entry). V 1 and 2 always use
    // RC4 and ignore these.
    CryptMethod streamMethod = CryptMethod::kNone;
    CryptMethod stringMethod = CryptMethod::kNone;
};

// Opened with a password; holds the file key. Immutable once opened and
// cheap to copy. Never throws.
//
// The caller decides which objects are encrypted at all: the encryption
// dictionary itself, cross-reference streams and (when EncryptMetadata is
// false) the metadata stream are left as they are.
class StandardSecurityHandler {
  public:
    // Tries `password` as the user password, then as the owner password.
    // nullopt when neither opens the file or the encryption is not one this
    // handler supports. The password is UTF-8 text as the user typed it; for
    // the RC4/AES-128 revisions its Latin-1 form is tried as well.
    static std::optional<StandardSecurityHandler> Open(const EncryptionParams& params,
                                                       std::string_view password);

    bool OpenedAsOwner() const { return openedAsOwner_; }
    const EncryptionParams& Params() const { return params_; }
    // The file encryption key (5 to 32 bytes).
    const std::string& FileKey() const { return fileKey_; }

    // Decryption is tolerant: AES data with bad padding keeps its last block
    // as decrypted; AES data shorter than its IV decrypts to nothing.
    std::string DecryptString(std::string_view data, std::uint32_t objNum, std::uint16_t gen) const;
    std::string DecryptStream(std::string_view data, std::uint32_t objNum, std::uint16_t gen) const;
    // AES output starts with a random IV from the system and is PKCS#7 padded.
    std::string EncryptString(std::string_view data, std::uint32_t objNum, std::uint16_t gen) const;
    std::string EncryptStream(std::string_view data, std::uint32_t objNum, std::uint16_t gen) const;

  private:
    StandardSecurityHandler(EncryptionParams params, std::string fileKey, bool owner)
        : params_(std::move(params)), fileKey_(std::move(fileKey)), openedAsOwner_(owner) {}

    std::string Crypt(CryptMethod method, std::string_view data, std::uint32_t objNum,
                      std::uint16_t gen, bool encrypt) const;

    EncryptionParams params_;
    std::string fileKey_;
    bool openedAsOwner_ = false;
};

}  // namespace papyrion::pdf
