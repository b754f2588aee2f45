#include <zlib.h>

#include <algorithm>

#include "filters/decode.h"

namespace papyrion::pdf {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

struct InflateStream {
    z_stream z{};
    bool initialised = false;

    explicit InflateStream(int windowBits) { initialised = inflateInit2(&z, windowBits) == Z_OK; }
    ~InflateStream() {
        if (initialised) inflateEnd(&z);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;
};

// zlib's avail_in is 32 bits wide; feed big inputs in pieces.
uInt FeedSize(std::size_t remaining) {
    return static_cast<uInt>(std::min<std::size_t>(remaining, 1u << 30));
}

DecodeResult Inflate(std::string_view data, std::size_t limit, int windowBits) {
    DecodeResult result;
    InflateStream stream(windowBits);
    if (!stream.initialised) {
        result.status = DecodeStatus::kDataError;
        result.message = "zlib could not be initialised";
        return result;
    }
    z_stream& z = stream.z;
    const auto* next = reinterpret_cast<const Bytef*>(data.data());
    std::size_t remaining = data.size();
    z.next_in = const_cast<Bytef*>(next);
    z.avail_in = FeedSize(remaining);
    remaining -= z.avail_in;

    std::string& out = result.data;
    for (;;) {
        // Room for one byte past the limit, so that reaching it is seen.
        const std::size_t room = std::min(kChunk, limit + 1 - out.size());
        const std::size_t before = out.size();
        out.resize(before + room);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        z.avail_out = static_cast<uInt>(room);
        const int rc = inflate(&z, Z_NO_FLUSH);
        out.resize(before + room - z.avail_out);
        if (out.size() > limit) {
            out.resize(limit);
            result.status = DecodeStatus::kLimitExceeded;
            result.message =
                "inflated data exceeds the limit of " + std::to_string(limit) + " bytes";
            return result;
        }
        if (rc == Z_STREAM_END) return result;  // bytes after the end are ignored
        if (z.avail_in == 0 && remaining > 0) {
            z.avail_in = FeedSize(remaining);
            remaining -= z.avail_in;
            continue;
        }
        if (rc == Z_OK) continue;
        if (rc == Z_BUF_ERROR && z.avail_in == 0) {
            result.status = DecodeStatus::kDataError;
            result.message = "deflate data ends early";
            return result;
        }
        if (rc == Z_BUF_ERROR) continue;  // output room was full; loop makes more
        result.status = DecodeStatus::kDataError;
        result.message = std::string("deflate data damaged: ") + (z.msg ? z.msg : "zlib error");
        return result;
    }
}

}  // namespace

DecodeResult FlateDecode(std::string_view data, std::size_t limit) {
    DecodeResult result = Inflate(data, limit, MAX_WBITS);
    // Some writers omit the two-byte zlib header; a header error before any
    // output is the sign of that.
    if (result.status == DecodeStatus::kDataError && result.data.empty() && !data.empty()) {
        DecodeResult raw = Inflate(data, limit, -MAX_WBITS);
        if (raw.status != DecodeStatus::kDataError || !raw.data.empty()) return raw;
    }
    return result;
}

std::string FlateEncode(std::string_view data) {
    z_stream z{};
    if (deflateInit(&z, Z_DEFAULT_COMPRESSION) != Z_OK) return {};
    std::string out;
    const auto* next = reinterpret_cast<const Bytef*>(data.data());
    std::size_t remaining = data.size();
    z.next_in = const_cast<Bytef*>(next);
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
        if (z.avail_in == 0 && remaining > 0) {
            z.avail_in = FeedSize(remaining);
            remaining -= z.avail_in;
        }
        const std::size_t before = out.size();
        out.resize(before + kChunk);
        z.next_out = reinterpret_cast<Bytef*>(out.data() + before);
        z.avail_out = static_cast<uInt>(kChunk);
        rc = deflate(&z, remaining == 0 ? Z_FINISH : Z_NO_FLUSH);
        out.resize(before + kChunk - z.avail_out);
        if (rc == Z_STREAM_ERROR) break;
    }
    deflateEnd(&z);
    return out;
}

}  // namespace papyrion::pdf
