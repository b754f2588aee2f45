#pragma once
// The engine's last-error codes, shared by both public doors: PdfEngine's
// LastError and PdfFile's OpenErrorCode give the same numbers.

namespace papyrion::pdf {

inline constexpr int kErrorNone = 0;
// A document key that cannot be written (SetDocInfo).
inline constexpr int kErrorInfoKeyNotWritable = 202;
// Not a readable PDF.
inline constexpr int kErrorFileNotReadable = 401;
// Encrypted, and the password opens it neither as user nor as owner.
inline constexpr int kErrorWrongPassword = 404;
// A page list that names no page of the document.
inline constexpr int kErrorNoListedPage = 412;

}  // namespace papyrion::pdf
