// Encrypted documents: passwords, decryption on reading and encryption
// again on writing. The encrypted fixtures are made by qpdf from a plain
// file the test builds.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "support/pdf_fixtures.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/program.h"

namespace papyrion::pdf {
namespace {

constexpr std::string_view kMarker = "Papyrion marker text";

std::string PlainSource() {
    auto objects = testing::SimplePageObjects(1);
    objects[2].body = "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>";
    std::string content = "BT /F1 12 Tf 72 700 Td (" + std::string(kMarker) + ") Tj ET";
    objects.push_back({4, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                              content + "\nendstream"});
    objects.push_back({5, "<< /Title (" + std::string(kMarker) + ") >>"});
    testing::ClassicOptions options;
    options.trailer_extra = "/Info 5 0 R";
    return testing::BuildClassicPdf(objects, options);
}

// The first "ID" string and the information "Title", empty when missing.
std::string FirstId(TPDFDocument& document) {
    const TPDFArray* ids = document.Trailer().TryArray(trailer_key::kId);
    const TPDFObject* first = ids != nullptr ? ids->Resolve(0) : nullptr;
    const TPDFString* id = first != nullptr ? first->As<TPDFString>() : nullptr;
    return id != nullptr ? id->Bytes() : std::string();
}

std::string Title(TPDFDocument& document) {
    const TPDFDictionary* info = document.Trailer().TryDictionary(trailer_key::kInfo);
    const TPDFString* title = info != nullptr ? info->TryString("Title") : nullptr;
    return title != nullptr ? title->Bytes() : std::string();
}

struct Encryption {
    const char* what;
    std::vector<std::string> qpdf_arguments;  // user password, owner password, key length
};

const Encryption kEncryptions[] = {
    {"RC4 128-bit", {"", "owner", "128", "--use-aes=n"}},
    {"AES-128", {"", "owner", "128", "--use-aes=y"}},
    {"AES-256", {"", "owner", "256"}},
    {"RC4 40-bit", {"", "owner", "40"}},
};

std::string Encrypted(const test::TempFolder& folder, const Encryption& encryption) {
    auto plain = folder.Write("plain.pdf", PlainSource());
    auto locked = folder.Path() / "locked.pdf";
    std::vector<std::string> command{"qpdf", "--allow-weak-crypto", "--encrypt"};
    command.insert(command.end(), encryption.qpdf_arguments.begin(),
                   encryption.qpdf_arguments.end());
    command.insert(command.end(), {"--", plain.string(), locked.string()});
    const auto result = test::RunProgram(command);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    return test::ReadFile(locked);
}

TEST(EncryptedDocument, OwnerPasswordOnlyOpensEmptyAndIsWrittenEncryptedAgain) {
    for (const Encryption& encryption : kEncryptions) {
        test::TempFolder folder;
        std::string locked = Encrypted(folder, encryption);
        ASSERT_NE(locked.find("/Encrypt"), std::string::npos) << encryption.what;

        TPDFDocument document;
        ASSERT_EQ(document.Read(locked, ""), ReadResult::kRead) << encryption.what;
        EXPECT_TRUE(document.IsEncrypted());
        EXPECT_EQ(Title(document), kMarker) << encryption.what;
        auto pages = CollectPages(document);
        ASSERT_FALSE(pages.empty());
        auto* content = testing::Deref(pages.front()).TryStream(page_key::kContents);
        ASSERT_NE(content, nullptr);
        EXPECT_NE(document.DecodedStreamData(*content).find(kMarker), std::string::npos)
            << encryption.what;
        const std::string id = FirstId(document);
        EXPECT_FALSE(id.empty());

        std::ostringstream out;
        ASSERT_TRUE(document.Write(out));
        std::string written = out.str();
        EXPECT_EQ(written.find(kMarker), std::string::npos) << encryption.what;
        // Writing left the objects in memory decrypted.
        EXPECT_EQ(Title(document), kMarker) << encryption.what;

        auto file = folder.Write("written.pdf", written);
        EXPECT_EQ(test::QpdfProblems(file), "") << encryption.what;
        const auto show = test::RunProgram({"qpdf", "--show-encryption", file.string()});
        EXPECT_EQ(show.out.find("not encrypted"), std::string::npos) << show.out;

        TPDFDocument again;
        ASSERT_EQ(again.Read(written, ""), ReadResult::kRead) << encryption.what;
        EXPECT_TRUE(again.IsEncrypted());
        EXPECT_EQ(Title(again), kMarker);
        EXPECT_EQ(FirstId(again), id);
    }
}

TEST(EncryptedDocument, PasswordsAreCheckedAsUserThenOwner) {
    test::TempFolder folder;
    Encryption user_and_owner{"AES-256 user+owner", {"user", "owner", "256"}};
    std::string locked = Encrypted(folder, user_and_owner);
    const std::pair<const char*, ReadResult> cases[] = {
        {"", ReadResult::kPasswordRejected},
        {"wrong", ReadResult::kPasswordRejected},
        {"user", ReadResult::kRead},
        {"owner", ReadResult::kRead},
    };
    for (const auto& [password, expected] : cases) {
        TPDFDocument document;
        EXPECT_EQ(document.Read(locked, password), expected) << password;
        if (expected != ReadResult::kRead) {
            EXPECT_TRUE(document.IndirectObjects().empty());
        }
    }
}

TEST(EncryptedDocument, UnsupportedHandlerOpensWithNoPassword) {
    auto objects = testing::SimplePageObjects(1);
    objects.push_back({4, "<< /Filter /Adobe.PubSec /V 4 /R 4 /Length 128 >>"});
    testing::ClassicOptions options;
    options.trailer_extra = "/Encrypt 4 0 R /ID [ <00112233445566778899AABBCCDDEEFF> <00> ]";
    TPDFDocument document;
    EXPECT_EQ(document.Read(testing::BuildClassicPdf(objects, options), ""),
              ReadResult::kPasswordRejected);
}

}  // namespace
}  // namespace papyrion::pdf
