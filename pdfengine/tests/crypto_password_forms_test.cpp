#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crypto/password_forms.h"

namespace papyrion::pdf::crypto {
namespace {

using Forms = std::vector<std::string>;

TEST(PasswordForms, LegacyFilesAlsoGetThePdfDocEncodingBytes) {
    const struct {
        const char* what;
        std::string typed;
        Forms expected;
    } cases[] = {
        {"ASCII stays as it is", "secret", {"secret"}},
        {"Latin-1 letters", "h\xc3\xb4tel", {"h\xc3\xb4tel", "h\xf4tel"}},
        {"euro sign and en dash have their own bytes",
         "\xe2\x82\xac\xe2\x80\x93",
         {"\xe2\x82\xac\xe2\x80\x93", "\xa0\x85"}},
        {"a character without a byte: typed form only", "\xe4\xb8\xad", {"\xe4\xb8\xad"}},
        {"not UTF-8: as given", "\xf4tel", {"\xf4tel"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(LegacyPasswordForms(c.typed), c.expected);
    }
}

TEST(PasswordForms, UnicodeFilesGetThePreparedFormFirst) {
    const std::string long_password = std::string(126, 'a') + "\xc3\xa9" + "tail";
    const struct {
        const char* what;
        std::string typed;
        Forms expected;
    } cases[] = {
        {"nothing to prepare", "secret", {"secret"}},
        {"soft hyphen removed, ordinal a normalised",
         "S\xc2\xaaSL\xc2\xadprep",
         {"SaSLprep", "S\xc2\xaaSL\xc2\xadprep"}},
        {"no-break space becomes a space",
         "a\xc2\xa0"
         "b",
         {"a b",
          "a\xc2\xa0"
          "b"}},
        {"cut at 127 bytes, not inside a character", long_password, {std::string(126, 'a')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(UnicodePasswordForms(c.typed), c.expected);
    }
}

}  // namespace
}  // namespace papyrion::pdf::crypto
