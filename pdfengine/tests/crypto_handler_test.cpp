// The security handler against files encrypted by other programs: the corpus
// (Acrobat, LibreOffice, WPS, Quartz, qpdf) and files that qpdf encrypts here.
// The encryption values are picked out of the files with a small parser of
// its own, so these tests do not depend on the engine's reader.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "crypto/primitives.h"
#include "crypto/security_handler.h"
#include "filters/decode.h"
#include "testsupport/files.h"
#include "testsupport/program.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;

// --- A small PDF object parser, enough for encryption dictionaries ---------

struct Obj {
    enum class Kind { kNull, kNumber, kBool, kName, kString, kArray, kDict, kRef };
    Kind kind = Kind::kNull;
    double number = 0;
    std::string text;  // name or string bytes
    std::vector<Obj> items;
    std::vector<std::pair<std::string, Obj>> entries;
    int refNum = 0;

    const Obj* Get(const std::string& key) const {
        for (const auto& [k, v] : entries) {
            if (k == key) return &v;
        }
        return nullptr;
    }
};

class MiniParser {
  public:
    MiniParser(std::string_view text, std::size_t pos) : s_(text), pos_(pos) {}
    std::size_t Pos() const { return pos_; }

    Obj Parse() {
        SkipSpace();
        Obj o;
        if (pos_ >= s_.size()) return o;
        const char c = s_[pos_];
        if (s_.substr(pos_, 2) == "<<") {
            pos_ += 2;
            o.kind = Obj::Kind::kDict;
            for (;;) {
                SkipSpace();
                if (pos_ >= s_.size() || s_.substr(pos_, 2) == ">>") break;
                Obj key = Parse();
                if (key.kind != Obj::Kind::kName) break;
                o.entries.emplace_back(key.text, Parse());
            }
            pos_ += 2;
        } else if (c == '[') {
            ++pos_;
            o.kind = Obj::Kind::kArray;
            for (;;) {
                SkipSpace();
                if (pos_ >= s_.size() || s_[pos_] == ']') break;
                o.items.push_back(Parse());
            }
            ++pos_;
        } else if (c == '/') {
            ++pos_;
            o.kind = Obj::Kind::kName;
            while (pos_ < s_.size() && !IsDelimiterOrSpace(s_[pos_])) o.text += s_[pos_++];
        } else if (c == '(') {
            o.kind = Obj::Kind::kString;
            o.text = LiteralString();
        } else if (c == '<') {
            ++pos_;
            o.kind = Obj::Kind::kString;
            std::string hex;
            while (pos_ < s_.size() && s_[pos_] != '>') {
                if (std::isxdigit(static_cast<unsigned char>(s_[pos_]))) hex += s_[pos_];
                ++pos_;
            }
            ++pos_;
            if (hex.size() % 2) hex += '0';
            for (std::size_t i = 0; i < hex.size(); i += 2) {
                o.text += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            }
        } else if (c == '-' || c == '+' || c == '.' ||
                   std::isdigit(static_cast<unsigned char>(c))) {
            o.kind = Obj::Kind::kNumber;
            o.number = std::stod(Token());
            // "n g R"
            const std::size_t save = pos_;
            SkipSpace();
            if (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) {
                Token();
                SkipSpace();
                if (pos_ < s_.size() && s_[pos_] == 'R') {
                    ++pos_;
                    o.kind = Obj::Kind::kRef;
                    o.refNum = static_cast<int>(o.number);
                    return o;
                }
            }
            pos_ = save;
        } else {
            const std::string word = Token();
            if (word == "true" || word == "false") {
                o.kind = Obj::Kind::kBool;
                o.number = word == "true";
            }
            if (word.empty()) ++pos_;
        }
        return o;
    }

    void SkipSpace() {
        while (pos_ < s_.size()) {
            if (std::isspace(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '\0') {
                ++pos_;
            } else if (s_[pos_] == '%') {
                while (pos_ < s_.size() && s_[pos_] != '\n' && s_[pos_] != '\r') ++pos_;
            } else {
                break;
            }
        }
    }

  private:
    static bool IsDelimiterOrSpace(char c) {
        return std::isspace(static_cast<unsigned char>(c)) || c == '\0' ||
               std::string_view("()<>[]{}/%").find(c) != std::string_view::npos;
    }
    std::string Token() {
        std::string t;
        while (pos_ < s_.size() && !IsDelimiterOrSpace(s_[pos_])) t += s_[pos_++];
        return t;
    }
    std::string LiteralString() {
        std::string out;
        int depth = 0;
        ++pos_;
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '(') ++depth;
            if (c == ')' && depth-- == 0) break;
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = s_[pos_++];
            switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case '\r':
                    if (pos_ < s_.size() && s_[pos_] == '\n') ++pos_;
                    break;
                case '\n':
                    break;
                default:
                    if (e >= '0' && e <= '7') {
                        int value = e - '0';
                        for (int i = 0;
                             i < 2 && pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '7'; ++i) {
                            value = value * 8 + (s_[pos_++] - '0');
                        }
                        out += static_cast<char>(value);
                    } else {
                        out += e;
                    }
            }
        }
        return out;
    }

    std::string_view s_;
    std::size_t pos_;
};

struct IndirectObject {
    int num = 0;
    int gen = 0;
    Obj value;
    std::size_t dataOffset = 0;  // stream data, when `hasStream`
    bool hasStream = false;
};

// Every "n g obj" of the file in file order (later ones are newer).
std::vector<IndirectObject> ScanObjects(const std::string& file) {
    std::vector<IndirectObject> out;
    static const std::regex header(R"((\d+)[ \r\n]+(\d+)[ \r\n]+obj\b)");
    for (auto it = std::sregex_iterator(file.begin(), file.end(), header);
         it != std::sregex_iterator(); ++it) {
        const std::size_t at = static_cast<std::size_t>(it->position(0));
        if (at > 0 && std::isdigit(static_cast<unsigned char>(file[at - 1]))) continue;
        IndirectObject o;
        o.num = std::stoi((*it)[1]);
        o.gen = std::stoi((*it)[2]);
        MiniParser parser(file, at + static_cast<std::size_t>(it->length(0)));
        o.value = parser.Parse();
        parser.SkipSpace();
        std::size_t pos = parser.Pos();
        if (file.compare(pos, 6, "stream") == 0) {
            pos += 6;
            if (pos < file.size() && file[pos] == '\r') ++pos;
            if (pos < file.size() && file[pos] == '\n') ++pos;
            o.hasStream = true;
            o.dataOffset = pos;
        }
        out.push_back(std::move(o));
    }
    return out;
}

const IndirectObject* FindObject(const std::vector<IndirectObject>& objects, int num) {
    const IndirectObject* found = nullptr;
    for (const auto& o : objects) {
        if (o.num == num) found = &o;
    }
    return found;
}

std::optional<std::size_t> StreamLength(const std::vector<IndirectObject>& objects,
                                        const IndirectObject& o) {
    const Obj* length = o.value.Get("Length");
    if (!length) return std::nullopt;
    if (length->kind == Obj::Kind::kRef) {
        const IndirectObject* target = FindObject(objects, length->refNum);
        if (!target || target->value.kind != Obj::Kind::kNumber) return std::nullopt;
        length = &target->value;
    }
    if (length->kind != Obj::Kind::kNumber) return std::nullopt;
    return static_cast<std::size_t>(length->number);
}

CryptMethod MethodOf(const Obj& dict, const char* key) {
    const Obj* filterName = dict.Get(key);
    const Obj* filters = dict.Get("CF");
    if (!filterName || filterName->text == "Identity" || !filters) return CryptMethod::kNone;
    const Obj* filter = filters->Get(filterName->text);
    const Obj* cfm = filter ? filter->Get("CFM") : nullptr;
    if (!cfm) return CryptMethod::kNone;
    if (cfm->text == "V2") return CryptMethod::kRC4;
    if (cfm->text == "AESV2") return CryptMethod::kAESV2;
    if (cfm->text == "AESV3") return CryptMethod::kAESV3;
    return CryptMethod::kNone;
}

struct EncryptedFile {
    std::string bytes;
    std::vector<IndirectObject> objects;
    EncryptionParams params;
    int encryptObject = 0;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::optional<EncryptedFile> LoadEncrypted(const fs::path& path) {
    EncryptedFile f;
    f.bytes = ReadFile(path);
    f.objects = ScanObjects(f.bytes);
    // The trailer (or cross-reference stream dictionary) that names the
    // encryption dictionary also holds the ID.
    const std::size_t at = f.bytes.rfind("/Encrypt");
    const std::size_t idAt = f.bytes.rfind("/ID");
    if (at == std::string::npos || idAt == std::string::npos) return std::nullopt;
    Obj encrypt = MiniParser(f.bytes, at + 8).Parse();
    if (encrypt.kind == Obj::Kind::kRef) {
        f.encryptObject = encrypt.refNum;
        const IndirectObject* target = FindObject(f.objects, encrypt.refNum);
        if (!target) return std::nullopt;
        encrypt = target->value;
    }
    const Obj id = MiniParser(f.bytes, idAt + 3).Parse();
    if (id.kind != Obj::Kind::kArray || id.items.empty()) return std::nullopt;

    EncryptionParams& p = f.params;
    auto number = [&](const char* key, int fallback) {
        const Obj* o = encrypt.Get(key);
        return o && o->kind == Obj::Kind::kNumber ? static_cast<long long>(o->number) : fallback;
    };
    auto string = [&](const char* key) {
        const Obj* o = encrypt.Get(key);
        return o ? o->text : std::string();
    };
    p.filter = string("Filter");
    p.v = static_cast<int>(number("V", 0));
    p.r = static_cast<int>(number("R", 0));
    p.lengthBits = static_cast<int>(number("Length", 40));
    p.o = string("O");
    p.u = string("U");
    p.oe = string("OE");
    p.ue = string("UE");
    p.perms = string("Perms");
    p.p = static_cast<std::int32_t>(number("P", 0));
    p.id0 = id.items.front().text;
    const Obj* metadata = encrypt.Get("EncryptMetadata");
    p.encryptMetadata = !metadata || metadata->number != 0;
    p.streamMethod = MethodOf(encrypt, "StmF");
    p.stringMethod = MethodOf(encrypt, "StrF");
    return f;
}

bool IsPlainText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isprint(static_cast<unsigned char>(c)) ||
               std::isspace(static_cast<unsigned char>(c));
    });
}

// Decrypts every encrypted Flate stream of the file, which must then inflate
// cleanly, and every unfiltered content stream, which must then be text.
// Returns how many were checked.
int CheckStreamsDecrypt(const EncryptedFile& f, const StandardSecurityHandler& handler) {
    int checked = 0;
    for (const IndirectObject& o : f.objects) {
        if (!o.hasStream || o.num == f.encryptObject) continue;
        const Obj* type = o.value.Get("Type");
        if (type &&
            (type->text == "XRef" || (type->text == "Metadata" && !f.params.encryptMetadata))) {
            continue;
        }
        const Obj* filter = o.value.Get("Filter");
        const bool flate = filter && filter->text == "FlateDecode" && !o.value.Get("DecodeParms");
        const bool content = !filter && !type && !o.value.Get("Subtype");
        if (!flate && !content) continue;
        const auto length = StreamLength(f.objects, o);
        if (!length || o.dataOffset + *length > f.bytes.size()) continue;
        const std::string plain = handler.DecryptStream(
            std::string_view(f.bytes).substr(o.dataOffset, *length),
            static_cast<std::uint32_t>(o.num), static_cast<std::uint16_t>(o.gen));
        if (flate) {
            const DecodeResult inflated = FlateDecode(plain);
            EXPECT_TRUE(inflated.ok()) << "object " << o.num << ": " << inflated.message;
        } else {
            EXPECT_TRUE(IsPlainText(plain)) << "object " << o.num << ": " << plain;
        }
        ++checked;
    }
    return checked;
}

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// qpdf's encryption options as written in the cases below ("128 --use-aes=n"),
// one argument a word.
std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// `qpdf [leading...] plain --encrypt user owner options... -- out`; true when
// qpdf wrote the file.
bool QpdfEncrypt(const fs::path& plain, const fs::path& out, const std::string& options,
                 std::vector<std::string> leading = {}) {
    std::vector<std::string> command{"qpdf", "--allow-weak-crypto"};
    command.insert(command.end(), leading.begin(), leading.end());
    command.insert(command.end(), {plain.string(), "--encrypt", "user", "owner"});
    for (std::string& word : Words(options)) command.push_back(std::move(word));
    command.insert(command.end(), {"--", out.string()});
    const auto run = test::RunProgram(command);
    if (run.exit_code != 0) ADD_FAILURE() << "qpdf: " << run.err;
    return run.exit_code == 0;
}

// The file key as qpdf computes it, in hexadecimal.
std::string QpdfFileKey(const fs::path& file, const std::string& password) {
    const std::string out = test::RunProgram({"qpdf", "--show-encryption", "--show-encryption-key",
                                              "--password=" + password, file.string()})
                                .out;
    std::smatch m;
    static const std::regex key(R"(Encryption key = ([0-9a-f]+))");
    return std::regex_search(out, m, key) ? m[1].str() : std::string();
}

// --- Corpus ------------------------------------------------------------------

enum class Opens { kAsUser, kAsOwner, kNot };

struct CorpusCase {
    const char* file;
    const char* password;
    Opens expected;
    // The password form that qpdf accepts, when it differs (qpdf takes only
    // the SASLprep-processed form).
    const char* qpdfPassword = nullptr;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << c.file << " / \"" << c.password << '"';
}

class CorpusPasswords : public testing::TestWithParam<CorpusCase> {};

TEST_P(CorpusPasswords, OpenAsExpectedWithQpdfsKeyAndStreamsInflate) {
    const CorpusCase& c = GetParam();
    const fs::path path = fs::path(PAPYRION_SHARED_DIR) / "corpus" / "encrypted" / c.file;
    ASSERT_TRUE(fs::exists(path)) << "corpus file missing: " << path;
    const auto file = LoadEncrypted(path);
    ASSERT_TRUE(file) << "no encryption dictionary found in " << path;

    const auto handler = StandardSecurityHandler::Open(file->params, c.password);
    if (c.expected == Opens::kNot) {
        EXPECT_FALSE(handler);
        return;
    }
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->OpenedAsOwner(), c.expected == Opens::kAsOwner);
    EXPECT_EQ(Hex(handler->FileKey()),
              QpdfFileKey(path, c.qpdfPassword ? c.qpdfPassword : c.password));
    EXPECT_GT(CheckStreamsDecrypt(*file, *handler), 0);
}

// Passwords from the corpus manifest.
INSTANTIATE_TEST_SUITE_P(
    Corpus, CorpusPasswords,
    testing::Values(
        CorpusCase{"enc-R2,V1,U=view,O=master.pdf", "view", Opens::kAsUser},
        CorpusCase{"enc-R2,V1,U=view,O=master.pdf", "master", Opens::kAsOwner},
        CorpusCase{"enc-R2,V1,U=view,O=master.pdf", "", Opens::kNot},
        CorpusCase{"enc-R3,V2,U=view,O=master.pdf", "view", Opens::kAsUser},
        CorpusCase{"enc-R3,V2,U=view,O=master.pdf", "master", Opens::kAsOwner},
        CorpusCase{"enc-R3,V2,U=view,O=master.pdf", "View", Opens::kNot},
        CorpusCase{"enc-R3,V2,O=master.pdf", "", Opens::kAsUser},
        CorpusCase{"enc-R3,V2,O=master.pdf", "master", Opens::kAsOwner},
        CorpusCase{"enc-XI-R6,V5,U=view,O=master.pdf", "view", Opens::kAsUser},
        CorpusCase{"enc-XI-R6,V5,U=view,O=master.pdf", "master", Opens::kAsOwner},
        CorpusCase{"enc-XI-R6,V5,U=view,O=master.pdf", "", Opens::kNot},
        CorpusCase{"PasswordEncrypted.pdf", "password", Opens::kAsUser},
        CorpusCase{"PasswordEncrypted.pdf", "passwor", Opens::kNot},
        CorpusCase{"r4-user-password.pdf", "asdfzxcv", Opens::kAsUser},
        CorpusCase{"r5-user-password.pdf", "asdfzxcv", Opens::kAsUser},
        CorpusCase{"r5-user-password.pdf", "asdfzxcV", Opens::kNot},
        CorpusCase{"r6-both-passwords.pdf", "foo", Opens::kAsUser},
        CorpusCase{"r6-both-passwords.pdf", "bar", Opens::kAsOwner},
        CorpusCase{"r6-both-passwords.pdf", "", Opens::kNot},
        CorpusCase{"libreoffice-writer-password.pdf", "openpassword", Opens::kAsUser},
        CorpusCase{"libreoffice-writer-password.pdf", "permissionpassword", Opens::kAsOwner},
        // Latin-1 passwords typed as UTF-8.
        CorpusCase{"encrypted_hello_world_r2.pdf", "h\xc3\xb4tel", Opens::kAsUser},
        CorpusCase{"encrypted_hello_world_r2.pdf", "\xc3\xa2ge", Opens::kAsOwner},
        CorpusCase{"encrypted_hello_world_r2.pdf", "hotel", Opens::kNot},
        // U+00AA and a soft hyphen: SASLprep gives "SaSLprep".
        CorpusCase{"saslprep-r6.pdf", "S\xc2\xaaSL\xc2\xadprep", Opens::kAsUser, "SaSLprep"},
        CorpusCase{"saslprep-r6.pdf", "SaSLprep", Opens::kAsUser},
        CorpusCase{"empty_protected.pdf", "", Opens::kAsUser},
        CorpusCase{"orientation.pdf", "", Opens::kAsUser},
        CorpusCase{"orientation.pdf", "foo", Opens::kAsOwner},
        // The public-key handler is not ours: opens with nothing.
        CorpusCase{"AESkeylength128.pdf", "", Opens::kNot}));

// --- Files encrypted by qpdf ------------------------------------------------

const std::string kContent = "BT /F1 24 Tf 72 700 Td (Known page content) Tj ET\n";
const std::string kReplacement = "BT /F1 24 Tf 72 700 Td (Other page content) Tj ET\n";
const std::string kTitle = "Papyrion (secret) title";

// A one-page PDF with an uncompressed content stream and a title.
void WritePlainPdf(const fs::path& path) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
        "<< /Length " + std::to_string(kContent.size()) + " >>\nstream\n" + kContent + "endstream",
        "<< /Title (Papyrion \\(secret\\) title) >>",
    };
    std::string out = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char line[21];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R /Info 5 0 R /ID [<0123456789abcdef0123456789abcdef> "
           "<0123456789abcdef0123456789abcdef>] >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(path, std::ios::binary) << out;
}

struct QpdfCase {
    const char* what;
    const char* options;  // after --encrypt user owner
    int v;
    int r;
};

void PrintTo(const QpdfCase& c, std::ostream* os) { *os << c.what; }

class QpdfEncrypted : public testing::TestWithParam<QpdfCase> {
  protected:
    test::TempFolder folder_;
    const fs::path& dir_ = folder_.Path();
};

TEST_P(QpdfEncrypted, OpensDecryptsAndEncryptsForQpdf) {
    const QpdfCase& c = GetParam();
    const fs::path plain = dir_ / "plain.pdf";
    const fs::path encrypted = dir_ / "encrypted.pdf";
    WritePlainPdf(plain);
    ASSERT_TRUE(
        QpdfEncrypt(plain, encrypted, c.options,
                    {"--object-streams=disable", "--compress-streams=n", "--decode-level=none"}));

    const auto file = LoadEncrypted(encrypted);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->params.v, c.v);
    EXPECT_EQ(file->params.r, c.r);

    EXPECT_FALSE(StandardSecurityHandler::Open(file->params, "wrong"));
    EXPECT_FALSE(StandardSecurityHandler::Open(file->params, ""));
    const auto asOwner = StandardSecurityHandler::Open(file->params, "owner");
    ASSERT_TRUE(asOwner);
    EXPECT_TRUE(asOwner->OpenedAsOwner());
    const auto handler = StandardSecurityHandler::Open(file->params, "user");
    ASSERT_TRUE(handler);
    EXPECT_FALSE(handler->OpenedAsOwner());
    EXPECT_EQ(handler->FileKey(), asOwner->FileKey());
    EXPECT_EQ(Hex(handler->FileKey()), QpdfFileKey(encrypted, "user"));

    // qpdf's strings and streams decrypt to what was written.
    const IndirectObject* content = nullptr;
    bool titleSeen = false;
    for (const IndirectObject& o : file->objects) {
        const auto num = static_cast<std::uint32_t>(o.num);
        const auto gen = static_cast<std::uint16_t>(o.gen);
        if (const Obj* title = o.value.Get("Title")) {
            EXPECT_EQ(handler->DecryptString(title->text, num, gen), kTitle);
            titleSeen = true;
        }
        if (o.hasStream && o.num != file->encryptObject) {
            const auto length = StreamLength(file->objects, o);
            ASSERT_TRUE(length);
            const std::string data = file->bytes.substr(o.dataOffset, *length);
            if (handler->DecryptStream(data, num, gen) == kContent) content = &o;
        }
    }
    EXPECT_TRUE(titleSeen);
    ASSERT_NE(content, nullptr) << "no stream decrypted to the page content";

    // Our encryption of a text of the same length, put in place of qpdf's,
    // is what qpdf decrypts.
    const auto length = *StreamLength(file->objects, *content);
    const std::string ours =
        handler->EncryptStream(kReplacement, static_cast<std::uint32_t>(content->num),
                               static_cast<std::uint16_t>(content->gen));
    ASSERT_EQ(ours.size(), length);
    std::string patched = file->bytes;
    patched.replace(content->dataOffset, length, ours);
    const fs::path patchedPath = dir_ / "patched.pdf";
    std::ofstream(patchedPath, std::ios::binary) << patched;
    EXPECT_EQ(test::RunProgram({"qpdf", "--password=user",
                                "--show-object=" + std::to_string(content->num),
                                "--filtered-stream-data", patchedPath.string()})
                  .out,
              kReplacement);
}

INSTANTIATE_TEST_SUITE_P(Revisions, QpdfEncrypted,
                         testing::Values(QpdfCase{"RC4 40-bit (R2)", "40", 1, 2},
                                         QpdfCase{"RC4 128-bit (R3)", "128 --use-aes=n", 2, 3},
                                         QpdfCase{"RC4 crypt filter (R4)",
                                                  "128 --use-aes=n --force-V4", 4, 4},
                                         QpdfCase{"AES-128 (R4)", "128 --use-aes=y", 4, 4},
                                         QpdfCase{"AES-128, clear metadata (R4)",
                                                  "128 --use-aes=y --cleartext-metadata", 4, 4},
                                         QpdfCase{"AES-256 (R6)", "256", 5, 6},
                                         QpdfCase{"AES-256 (R5)", "256 --force-R5", 5, 5}));

// --- Behaviour that needs no other program ------------------------------------

class HandlerRules : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = std::make_unique<test::TempFolder>();
        dir_ = folder_->Path();
        WritePlainPdf(dir_ / "plain.pdf");
        for (const auto& [name, bits] :
             {std::pair{"aes", "128 --use-aes=y"}, {"rc4", "40"}, {"aes256", "256"}}) {
            const fs::path out = dir_ / (std::string(name) + ".pdf");
            if (!QpdfEncrypt(dir_ / "plain.pdf", out, bits)) continue;
            if (auto f = LoadEncrypted(out)) params_[name] = f->params;
        }
    }
    static void TearDownTestSuite() { folder_.reset(); }

    static EncryptionParams Params(const std::string& name) {
        EXPECT_TRUE(params_.count(name)) << name;
        return params_[name];
    }

    static inline std::unique_ptr<test::TempFolder> folder_;
    static inline fs::path dir_;
    static inline std::map<std::string, EncryptionParams> params_;
};

TEST_F(HandlerRules, UnsupportedEncryptionOpensWithNeitherPassword) {
    struct Mutation {
        const char* what;
        const char* base;
        void (*change)(EncryptionParams&);
    };
    const Mutation mutations[] = {
        {"other handler", "rc4", [](EncryptionParams& p) { p.filter = "Adobe.PubSec"; }},
        {"V 3", "rc4", [](EncryptionParams& p) { p.v = 3; }},
        {"R 7", "aes256", [](EncryptionParams& p) { p.r = 7; }},
        {"V 4 with R 3", "aes", [](EncryptionParams& p) { p.r = 3; }},
        {"AES-256 filter on V 4", "aes",
         [](EncryptionParams& p) { p.streamMethod = CryptMethod::kAESV3; }},
        {"AES-128 filter on V 5", "aes256",
         [](EncryptionParams& p) { p.stringMethod = CryptMethod::kAESV2; }},
        {"short U", "rc4", [](EncryptionParams& p) { p.u.resize(31); }},
        {"short UE", "aes256", [](EncryptionParams& p) { p.ue.resize(16); }},
        {"Length not a whole byte", "rc4",
         [](EncryptionParams& p) {
             p.v = 2;
             p.r = 3;
             p.lengthBits = 44;
         }},
    };
    for (const Mutation& m : mutations) {
        SCOPED_TRACE(m.what);
        EncryptionParams p = Params(m.base);
        ASSERT_TRUE(StandardSecurityHandler::Open(p, "user"));
        m.change(p);
        EXPECT_FALSE(StandardSecurityHandler::Open(p, "user"));
        EXPECT_FALSE(StandardSecurityHandler::Open(p, "owner"));
    }
    // Values padded beyond their defined length are accepted.
    EncryptionParams padded = Params("aes256");
    padded.u += std::string(79, '\0');
    padded.o += std::string(79, '\0');
    EXPECT_TRUE(StandardSecurityHandler::Open(padded, "user"));
}

TEST_F(HandlerRules, AesUsesFreshIvsAndToleratesDamagedInput) {
    for (const char* name : {"aes", "aes256"}) {
        SCOPED_TRACE(name);
        const auto handler = StandardSecurityHandler::Open(Params(name), "owner");
        ASSERT_TRUE(handler);
        const std::string text = "0123456789abcdef";  // one block: padding is a whole block
        const std::string a = handler->EncryptString(text, 7, 0);
        const std::string b = handler->EncryptString(text, 7, 0);
        EXPECT_EQ(a.size(), 48u);
        EXPECT_NE(a.substr(0, 16), b.substr(0, 16));
        EXPECT_EQ(handler->DecryptString(a, 7, 0), text);
        EXPECT_EQ(handler->DecryptString(b, 7, 0), text);
        EXPECT_EQ(handler->DecryptStream(handler->EncryptStream("", 3, 1), 3, 1), "");

        // Shorter than an IV: nothing. A cut final block: the whole blocks.
        EXPECT_EQ(handler->DecryptString(a.substr(0, 10), 7, 0), "");
        EXPECT_EQ(handler->DecryptString(a.substr(0, 40), 7, 0), text);
        // Wrong padding: the decrypted block stays as it is.
        const std::string key =
            std::string(name) == "aes256"
                ? handler->FileKey()
                : crypto::Md5(handler->FileKey() + std::string("\x07\0\0\0\0sAlT", 9))
                      .substr(0, 16);
        const std::string iv(16, 'v');
        const std::string unpadded = "no padding here, 32 bytes long!!";
        const std::string raw = iv + crypto::AesCbcEncrypt(key, iv, unpadded, false);
        EXPECT_EQ(handler->DecryptString(raw, 7, 0), unpadded);
    }
}

TEST_F(HandlerRules, Rc4IsSymmetricAndKeyedPerObject) {
    const auto handler = StandardSecurityHandler::Open(Params("rc4"), "user");
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->FileKey().size(), 5u);
    const std::string text = "Some string (with parentheses)";
    const std::string encrypted = handler->EncryptString(text, 12, 0);
    EXPECT_EQ(encrypted.size(), text.size());
    EXPECT_NE(encrypted, text);
    EXPECT_EQ(handler->DecryptString(encrypted, 12, 0), text);
    EXPECT_NE(handler->EncryptString(text, 13, 0), encrypted);
    EXPECT_NE(handler->EncryptString(text, 12, 1), encrypted);
}

TEST_F(HandlerRules, IdentityFiltersLeaveDataAlone) {
    EncryptionParams p = Params("aes");
    p.stringMethod = CryptMethod::kNone;
    const auto handler = StandardSecurityHandler::Open(p, "user");
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->DecryptString("plain", 4, 0), "plain");
    EXPECT_EQ(handler->EncryptString("plain", 4, 0), "plain");
    EXPECT_NE(handler->EncryptStream("plain", 4, 0), "plain");
}

}  // namespace
}  // namespace papyrion::pdf
