// Reads arbitrary bytes as a PDF, asks what a caller of the engine asks
// (page count, first page size), writes the document and reads the result
// again. The written file must always read back with the same page count.
// Then drives the engine facade through a short stamping sequence (open,
// append to a new document, capture, place, save) on the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pdfengine/pdf_file.h"
#include "support/facade_sequences.h"

// The replay test gives the entry function its own name, so that several
// fuzz targets can share one test executable.
#ifndef PAPYRION_FUZZ_ENTRY
#define PAPYRION_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace {

// Passwords of the encrypted seed files, so that their decryption and
// re-encryption paths get exercised too.
const char* const kPasswords[] = {"", "user", "view", "password", "asdfzxcv", "foo"};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "pdf_read_write_fuzzer: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int PAPYRION_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size) {
    using namespace papyrion::pdf;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    papyrion::pdf::testing::RunFacadeSequence(bytes);
    PdfFile file;
    const char* password = nullptr;
    for (const char* candidate : kPasswords) {
        const PdfReadResult result = file.OpenBytes(bytes, candidate);
        if (result == PdfReadResult::kRead) {
            password = candidate;
            break;
        }
        if (result != PdfReadResult::kPasswordRejected) return 0;
    }
    if (password == nullptr) return 0;

    const int pages = file.PageCount();
    (void)file.PageSize(1);
    (void)file.Version();
    (void)file.Warnings();

    std::string written;
    if (!file.SaveToBytes(written)) return 0;
    PdfFile again;
    if (again.OpenBytes(written, password) != PdfReadResult::kRead) {
        Fail("the written file does not read back");
    }
    if (again.PageCount() != pages) Fail("the written file has another page count");
    return 0;
}
