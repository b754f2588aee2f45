// papyrion-pdf: the PDF engine's reading and writing from the command line.
//   papyrion-pdf info FILE [--password P]
//   papyrion-pdf resave IN OUT [--password P]

#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "pdfengine/pdf_file.h"

namespace {

using papyrion::pdf::PdfFile;
using papyrion::pdf::PdfReadResult;

int Usage() {
    std::cerr << "usage: papyrion-pdf info FILE [--password P]\n"
                 "       papyrion-pdf resave IN OUT [--password P]\n";
    return 2;
}

std::string FormatPoints(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

// Opens `path`; on failure prints one line naming the file and the reason.
bool Open(PdfFile& file, const std::string& path, const std::string& password) {
    const PdfReadResult result = file.OpenFile(path, password);
    const char* reason = nullptr;
    switch (result) {
        case PdfReadResult::kRead:
            return true;
        case PdfReadResult::kPasswordRejected:
            reason = "the password opens this encrypted file neither as user nor as owner";
            break;
        case PdfReadResult::kNotReadable:
            reason = "not a readable PDF";
            break;
        case PdfReadResult::kFileError:
            reason = "cannot read the file";
            break;
    }
    std::cerr << "papyrion-pdf: " << path << ": " << reason;
    if (int code = papyrion::pdf::OpenErrorCode(result)) std::cerr << " (error " << code << ")";
    std::cerr << "\n";
    return false;
}

int Info(const std::string& path, const std::string& password) {
    PdfFile file;
    if (!Open(file, path, password)) return 1;
    std::cout << "pages: " << file.PageCount() << "\n";
    // A document without pages, or whose first page has no usable MediaBox, has no size.
    const auto size = file.PageSize(1).value_or(papyrion::pdf::PdfPageSize{});
    std::cout << "width: " << FormatPoints(size.width) << "\n";
    std::cout << "height: " << FormatPoints(size.height) << "\n";
    std::cout << "version: " << file.Version() << "\n";
    std::cout << "encrypted: " << (file.IsEncrypted() ? "yes" : "no") << "\n";
    return 0;
}

int Resave(const std::string& in, const std::string& out, const std::string& password) {
    PdfFile file;
    if (!Open(file, in, password)) return 1;
    if (!file.SaveToFile(out)) {
        std::cerr << "papyrion-pdf: " << out << ": cannot write the file\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> positional;
    std::optional<std::string> password;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--password") {
            if (i + 1 >= argc) return Usage();
            password = argv[++i];
        } else if (arg.rfind("--password=", 0) == 0) {
            password = arg.substr(11);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) return Usage();
    const std::string& command = positional[0];
    if (command == "info" && positional.size() == 2) {
        return Info(positional[1], password.value_or(""));
    }
    if (command == "resave" && positional.size() == 3) {
        return Resave(positional[1], positional[2], password.value_or(""));
    }
    return Usage();
}
