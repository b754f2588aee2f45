#pragma once
// The byte forms in which a typed (UTF-8) password is tried against a file.

#include <string>
#include <string_view>
#include <vector>

namespace papyrion::pdf::crypto {

// RC4 and AES-128 files take the password in PDFDocEncoding. Returns the
// password as given and, when it holds non-ASCII characters that all have a
// PDFDocEncoding byte, that encoded form.
std::vector<std::string> LegacyPasswordForms(std::string_view utf8);

// AES-256 files take the password as SASLprep-processed UTF-8, at most 127
// bytes. The preparation is simplified: characters mapped to nothing are
// removed, non-ASCII spaces become a space and the compatibility characters
// of the Latin-1 range are normalised; other NFKC mappings, the prohibited
// characters and bidirectional checks are not applied. Returns the
// prepared form and, when it differs, the password as typed (both truncated).
std::vector<std::string> UnicodePasswordForms(std::string_view utf8);

}  // namespace papyrion::pdf::crypto
