#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "filters/decode.h"
#include "testsupport/files.h"
#include "testsupport/program.h"

namespace papyrion::pdf {
namespace {

using namespace std::string_literals;

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

std::string RandomText(std::size_t size, unsigned seed) {
    // Words from a small alphabet: compressible like page content, not trivial.
    std::mt19937 gen(seed);
    std::string out;
    while (out.size() < size) {
        const int length = 1 + static_cast<int>(gen() % 8);
        for (int i = 0; i < length; ++i) out += static_cast<char>('a' + gen() % 6);
        out += gen() % 5 == 0 ? '\n' : ' ';
    }
    out.resize(size);
    return out;
}

struct Case {
    const char* what;
    std::string input;
    std::string expected;
    DecodeStatus status;
};

// --- Flate -------------------------------------------------------------

TEST(FlateDecode, DecodesKnownStreamAndRoundTrips) {
    // zlib.compress(b"hello") at the default level.
    const std::string hello =
        Bytes({0x78, 0x9c, 0xcb, 0x48, 0xcd, 0xc9, 0xc9, 0x07, 0x00, 0x06, 0x2c, 0x02, 0x15});
    DecodeResult known = FlateDecode(hello);
    EXPECT_TRUE(known.ok()) << known.message;
    EXPECT_EQ(known.data, "hello");

    for (const std::string& original :
         {std::string(), "x"s, RandomText(3 * 1024 * 1024 + 17, 1), std::string(70000, '\0')}) {
        const std::string encoded = FlateEncode(original);
        ASSERT_FALSE(encoded.empty());
        DecodeResult decoded = FlateDecode(encoded);
        EXPECT_TRUE(decoded.ok()) << decoded.message;
        EXPECT_EQ(decoded.data, original);
    }
}

TEST(FlateDecode, KeepsWhatInflatedBeforeDamage) {
    const std::string original = RandomText(200000, 2);
    const std::string encoded = FlateEncode(original);

    std::string corrupt = encoded;
    for (std::size_t i = encoded.size() / 2; i < encoded.size() / 2 + 64; ++i) corrupt[i] ^= 0x5a;

    const Case cases[] = {
        {"cut in half", encoded.substr(0, encoded.size() / 2), "", DecodeStatus::kDataError},
        {"checksum missing", encoded.substr(0, encoded.size() - 4), "", DecodeStatus::kDataError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DecodeResult result = FlateDecode(c.input);
        EXPECT_EQ(result.status, c.status);
        EXPECT_FALSE(result.message.empty());
        ASSERT_FALSE(result.data.empty());
        ASSERT_LE(result.data.size(), original.size());
        EXPECT_EQ(result.data, original.substr(0, result.data.size()));
    }
    // Damage is found some bytes after it happens; what came before is intact.
    DecodeResult damaged = FlateDecode(corrupt);
    EXPECT_EQ(damaged.status, DecodeStatus::kDataError);
    const auto mismatch =
        std::mismatch(damaged.data.begin(), damaged.data.end(), original.begin(), original.end());
    EXPECT_GT(mismatch.first - damaged.data.begin(),
              static_cast<std::ptrdiff_t>(original.size() / 4));

    // Once the deflate data has ended, trailing bytes do not matter.
    DecodeResult trailing = FlateDecode(encoded + "\r\nendstream junk");
    EXPECT_TRUE(trailing.ok());
    EXPECT_EQ(trailing.data, original);
}

TEST(FlateDecode, ToleratesMissingZlibHeaderAndRejectsGarbage) {
    const std::string original = RandomText(5000, 3);
    const std::string encoded = FlateEncode(original);
    // Without the 2-byte header and the 4-byte checksum: raw deflate.
    DecodeResult raw = FlateDecode(encoded.substr(2, encoded.size() - 6));
    EXPECT_TRUE(raw.ok()) << raw.message;
    EXPECT_EQ(raw.data, original);

    for (const std::string& garbage : {"not compressed at all"s, "\x78"s, "\xff\xff\xff\xff"s}) {
        DecodeResult result = FlateDecode(garbage);
        EXPECT_EQ(result.status, DecodeStatus::kDataError) << garbage;
        EXPECT_TRUE(result.data.empty());
    }
    EXPECT_TRUE(FlateDecode("").data.empty());
}

// Deflates `total` zero bytes without holding them in memory.
std::string ZeroBomb(std::size_t total) {
    z_stream z{};
    EXPECT_EQ(deflateInit(&z, Z_BEST_SPEED), Z_OK);
    const std::string zeros(1 << 20, '\0');
    std::string out;
    char buffer[1 << 16];
    for (std::size_t fed = 0;;) {
        const bool last = fed >= total;
        if (!last) {
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
            z.avail_in = static_cast<uInt>(zeros.size());
            fed += zeros.size();
        }
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
        if (last) break;
    }
    deflateEnd(&z);
    return out;
}

TEST(FlateDecode, StopsAtTheOutputLimit) {
    const std::string bomb = ZeroBomb(std::size_t{300} << 20);
    ASSERT_LT(bomb.size(), std::size_t{2} << 20);

    DecodeResult capped = FlateDecode(bomb, 1000000);
    EXPECT_EQ(capped.status, DecodeStatus::kLimitExceeded);
    EXPECT_EQ(capped.data.size(), 1000000u);

    DecodeResult byDefault = FlateDecode(bomb);
    EXPECT_EQ(byDefault.status, DecodeStatus::kLimitExceeded);
    EXPECT_EQ(byDefault.data.size(), kDefaultDecodeLimit);

    // Exactly at the limit is still fine.
    DecodeResult exact = FlateDecode(FlateEncode(std::string(4096, 'a')), 4096);
    EXPECT_TRUE(exact.ok());
}

// --- ASCII85 and ASCIIHex -----------------------------------------------

TEST(ASCII85Decode, Table) {
    // Encodings produced by Python's base64.a85encode.
    const Case cases[] = {
        {"full groups", "9jqo^BlbD-BleB1DJ+*+F(f,q~>", "Man is distinguished", DecodeStatus::kOk},
        {"partial final group", "87cURD_*#TDfTZ)+T~>", "Hello, world!", DecodeStatus::kOk},
        {"z for four zeros", "z@:E^~>", "\0\0\0\0abc"s, DecodeStatus::kOk},
        {"highest group", "s8W-!~>", "\xff\xff\xff\xff", DecodeStatus::kOk},
        {"whitespace anywhere", " 87cU\r\nRD_*#\tTDfTZ)+T ~>", "Hello, world!", DecodeStatus::kOk},
        {"opening bracket, no end marker", "<~@:E^", "abc", DecodeStatus::kOk},
        {"data after the end marker ignored", "@:E^~>garbage", "abc", DecodeStatus::kOk},
        {"empty", "~>", "", DecodeStatus::kOk},
        {"invalid character keeps earlier groups", "@:E_Wv", "abcd", DecodeStatus::kDataError},
        {"group above 2^32", "s8W-\"~>", "", DecodeStatus::kDataError},
        {"lone final character", "@:E_Wa~>", "abcd", DecodeStatus::kDataError},
        {"z inside a group", "@:zE^~>", "", DecodeStatus::kDataError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DecodeResult result = ASCII85Decode(c.input);
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_EQ(result.data, c.expected);
    }
}

TEST(ASCII85Decode, StopsAtTheOutputLimit) {
    DecodeResult result = ASCII85Decode(std::string(1000, 'z'), 10);
    EXPECT_EQ(result.status, DecodeStatus::kLimitExceeded);
    EXPECT_LE(result.data.size(), 10u);
}

TEST(ASCIIHexDecode, Table) {
    const Case cases[] = {
        {"pairs", "48656c6C6F>", "Hello", DecodeStatus::kOk},
        {"whitespace and odd final digit", "4 8\n65 6>", "He`", DecodeStatus::kOk},
        {"no end marker", "4142", "AB", DecodeStatus::kOk},
        {"invalid digit", "41g2>", "A", DecodeStatus::kDataError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DecodeResult result = ASCIIHexDecode(c.input);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.data, c.expected);
    }
}

// --- LZW -----------------------------------------------------------------

TEST(LZWDecode, Table) {
    const Case cases[] = {
        // The worked example of the LZWDecode filter in the PDF reference
        // (codes 256 45 258 258 65 259 66 257).
        {"reference example", Bytes({0x80, 0x0B, 0x60, 0x50, 0x22, 0x0C, 0x0C, 0x85, 0x01}),
         "\x2d\x2d\x2d\x2d\x2d\x41\x2d\x2d\x2d\x42", DecodeStatus::kOk},
        {"missing end code", Bytes({0x80, 0x0B, 0x60, 0x50, 0x22, 0x0C, 0x0C, 0x85}),
         "\x2d\x2d\x2d\x2d\x2d\x41\x2d\x2d\x2d\x42", DecodeStatus::kOk},
        {"empty", "", "", DecodeStatus::kOk},
        // 9-bit codes 256 (clear) then 300, which is not yet defined.
        {"undefined code", Bytes({0x80, 0x4B, 0x00}), "", DecodeStatus::kDataError},
        // 65 then 400 (undefined): the first byte survives.
        {"undefined code after data", Bytes({0x20, 0xE4, 0x00}), "A", DecodeStatus::kDataError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DecodeResult result = LZWDecode(c.input);
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_EQ(result.data, c.expected);
    }
}

// Ghostscript's LZWEncode is an independent encoder; the input is long enough
// to pass every code width and several table resets.
TEST(LZWDecode, DecodesGhostscriptOutputForBothEarlyChangeValues) {
    test::TempFolder dir;
    const std::string original = RandomText(300000, 4) + std::string(20000, 'Z');
    dir.Write("in.bin", original);
    for (int early : {0, 1}) {
        SCOPED_TRACE(early);
        const auto out = dir / ("out" + std::to_string(early) + ".bin");
        const std::string program =
            "/o (" + out.filename().string() + ") (w) file << /EarlyChange " +
            std::to_string(early) +
            " >> /LZWEncode filter def /i (in.bin) (r) file def "
            "{ i 65536 string readstring exch o exch writestring not { exit } if } loop "
            "o closefile";
        test::ProgramOptions options;
        options.directory = dir.Path();
        const auto gs = test::RunProgram(
            {"gs", "-q", "-dNOSAFER", "-dBATCH", "-dNODISPLAY", "-c", program}, options);
        ASSERT_EQ(gs.exit_code, 0) << gs.err;
        const std::string encoded = test::ReadFile(out);
        ASSERT_GT(encoded.size(), 1000u);
        DecodeResult result = LZWDecode(encoded, early);
        EXPECT_TRUE(result.ok()) << result.message;
        EXPECT_EQ(result.data.size(), original.size());
        EXPECT_TRUE(result.data == original);
        // The other setting misreads the width changes.
        EXPECT_FALSE(LZWDecode(encoded, 1 - early).data == original);

        DecodeResult capped = LZWDecode(encoded, early, 1000);
        EXPECT_EQ(capped.status, DecodeStatus::kLimitExceeded);
        EXPECT_LE(capped.data.size(), 1000u);
    }
}

// --- Predictors ----------------------------------------------------------

struct PredictorCase {
    const char* what;
    DecodeParams params;
    std::string input;
    std::string expected;
    DecodeStatus status;
};

DecodeParams Png(int columns, int colors = 1, int bpc = 8) { return {12, colors, bpc, columns, 1}; }
DecodeParams Tiff(int columns, int colors = 1, int bpc = 8) { return {2, colors, bpc, columns, 1}; }

TEST(UndoPredictor, Table) {
    const PredictorCase cases[] = {
        {"PNG none, sub, up", Png(3), Bytes({0, 1, 2, 3, 1, 1, 1, 1, 2, 1, 1, 1}),
         Bytes({1, 2, 3, 1, 2, 3, 2, 3, 4}), DecodeStatus::kOk},
        // Average and Paeth over the row 1 2 3 (values worked by hand).
        {"PNG average", Png(3), Bytes({0, 1, 2, 3, 3, 10, 10, 10}), Bytes({1, 2, 3, 10, 16, 19}),
         DecodeStatus::kOk},
        {"PNG paeth", Png(3), Bytes({0, 1, 2, 3, 4, 5, 6, 7}), Bytes({1, 2, 3, 6, 12, 19}),
         DecodeStatus::kOk},
        {"PNG sub wraps modulo 256", Png(2), Bytes({1, 200, 100}), Bytes({200, 44}),
         DecodeStatus::kOk},
        {"PNG sub, 3 colours: left is one pixel away", Png(2, 3), Bytes({1, 10, 20, 30, 1, 2, 3}),
         Bytes({10, 20, 30, 11, 22, 33}), DecodeStatus::kOk},
        {"PNG 1-bit rows: left is the previous byte", Png(16, 1, 1), Bytes({1, 0x0F, 0x01}),
         Bytes({0x0F, 0x10}), DecodeStatus::kOk},
        {"PNG short last row decoded as far as it goes", Png(3), Bytes({0, 1, 2, 3, 2, 1}),
         Bytes({1, 2, 3, 2}), DecodeStatus::kOk},
        {"PNG unknown row type copied and reported", Png(2), Bytes({0, 1, 2, 9, 5, 5}),
         Bytes({1, 2, 5, 5}), DecodeStatus::kDataError},
        {"TIFF 8-bit, 2 colours", Tiff(3, 2), Bytes({1, 2, 1, 1, 1, 1, 5, 5, 1, 1, 1, 1}),
         Bytes({1, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7, 7}), DecodeStatus::kOk},
        {"TIFF 16-bit carries into the high byte", Tiff(2, 1, 16), Bytes({0x00, 0xFF, 0x00, 0x02}),
         Bytes({0x00, 0xFF, 0x01, 0x01}), DecodeStatus::kOk},
        // Samples 1,1,1,1 | 2,1,... packed as 2-bit values.
        {"TIFF 2-bit samples", Tiff(4, 1, 2), Bytes({0b01010101, 0b10010000}),
         Bytes({0b01101100, 0b10111111}), DecodeStatus::kOk},
        {"TIFF 4-bit, row ends mid-byte", Tiff(3, 1, 4), Bytes({0x11, 0x1F, 0x22, 0x2F}),
         Bytes({0x12, 0x3F, 0x24, 0x6F}), DecodeStatus::kOk},
        {"predictor 1 leaves data", DecodeParams{}, "abc", "abc", DecodeStatus::kOk},
        {"3 bits per component", Png(4, 1, 3), "\x01\x02", "\x01\x02",
         DecodeStatus::kBadParameters},
        {"zero columns", Png(0), "\x01\x02", "\x01\x02", DecodeStatus::kBadParameters},
        {"huge row", Png(1 << 30, 32, 16), "\x01\x02", "\x01\x02", DecodeStatus::kBadParameters},
        {"predictor 5", {5, 1, 8, 1, 1}, "\x01\x02", "\x01\x02", DecodeStatus::kBadParameters},
    };
    for (const PredictorCase& c : cases) {
        SCOPED_TRACE(c.what);
        DecodeResult result = UndoPredictor(c.input, c.params);
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_EQ(result.data, c.expected);
    }
}

// --- Chains ---------------------------------------------------------------

TEST(DecodeFilters, UndoesChainsAndStopsWhereItMust) {
    const std::string text = RandomText(10000, 5);
    const std::string flate = FlateEncode(text);
    // ASCIIHex on top of Flate, as in a hand-edited content stream.
    std::string hex;
    for (unsigned char c : flate) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    hex += '>';
    // A PNG-predicted Flate stream (type 2 rows over 4 columns).
    const std::string rows = Bytes({2, 1, 2, 3, 4, 2, 1, 1, 1, 1});
    const DecodeParams png{12, 1, 8, 4, 1};

    struct ChainCase {
        const char* what;
        std::string input;
        std::vector<FilterStep> filters;
        std::string expected;
        DecodeStatus status;
        std::size_t applied;
    };
    const ChainCase cases[] = {
        {"no filters", "raw", {}, "raw", DecodeStatus::kOk, 0},
        {"abbreviated names", hex, {{"AHx", {}}, {"Fl", {}}}, text, DecodeStatus::kOk, 2},
        {"Flate with predictor",
         FlateEncode(rows),
         {{"FlateDecode", png}},
         Bytes({1, 2, 3, 4, 2, 3, 4, 5}),
         DecodeStatus::kOk,
         1},
        {"image filter left encoded",
         flate,
         {{"FlateDecode", {}}, {"DCTDecode", {}}},
         text,
         DecodeStatus::kUnsupportedFilter,
         1},
        {"unknown first filter",
         flate,
         {{"JBIG2Decode", {}}, {"FlateDecode", {}}},
         flate,
         DecodeStatus::kUnsupportedFilter,
         0},
        {"bad predictor leaves that filter undone",
         hex,
         {{"ASCIIHexDecode", {}}, {"FlateDecode", {12, 1, 7, 4, 1}}},
         flate,
         DecodeStatus::kBadParameters,
         1},
        {"damage goes on through the chain",
         flate.substr(0, flate.size() / 2) + "\x01\x02",
         {{"FlateDecode", {}}, {"ASCIIHexDecode", {}}},
         "",
         DecodeStatus::kDataError,
         2},
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.what);
        ChainResult result = DecodeFilters(c.input, c.filters);
        EXPECT_EQ(result.status, c.status) << result.message;
        EXPECT_EQ(result.filtersApplied, c.applied);
        if (c.status != DecodeStatus::kDataError) {
            EXPECT_EQ(result.data, c.expected);
        }
    }

    ChainResult capped = DecodeFilters(flate, {{"FlateDecode", {}}, {"ASCIIHexDecode", {}}}, 100);
    EXPECT_EQ(capped.status, DecodeStatus::kLimitExceeded);
    EXPECT_EQ(capped.filtersApplied, 0u);
    EXPECT_EQ(capped.data.size(), 100u);

    EXPECT_TRUE(IsSupportedFilter("LZWDecode"));
    EXPECT_FALSE(IsSupportedFilter("DCTDecode"));
}

}  // namespace
}  // namespace papyrion::pdf
