#include <array>
#include <cstdint>

#include "filters/decode.h"

namespace papyrion::pdf {
namespace {

constexpr int kClearTable = 256;
constexpr int kEndOfData = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kMaxCodes = 4096;

// Each table entry is its prefix entry plus one byte, so a string is written
// by walking the prefixes backwards; no entry owns a copy of its bytes.
struct LzwTable {
    std::array<std::uint16_t, kMaxCodes> prefix{};
    std::array<std::uint8_t, kMaxCodes> last{};
    std::array<std::uint8_t, kMaxCodes> first{};
    std::array<std::uint16_t, kMaxCodes> length{};
    int next = kFirstFreeCode;

    LzwTable() {
        for (int i = 0; i < 256; ++i) {
            last[i] = first[i] = static_cast<std::uint8_t>(i);
            length[i] = 1;
        }
    }
    void Reset() { next = kFirstFreeCode; }
    void Add(int prefixCode, std::uint8_t byte) {
        if (next >= kMaxCodes) return;  // a full table stays as it is until a clear code
        prefix[next] = static_cast<std::uint16_t>(prefixCode);
        last[next] = byte;
        first[next] = first[prefixCode];
        length[next] = static_cast<std::uint16_t>(length[prefixCode] + 1);
        ++next;
    }
};

class BitReader {
  public:
    explicit BitReader(std::string_view data) : data_(data) {}
    // -1 when fewer than `width` bits remain.
    int Read(int width) {
        while (bitCount_ < width) {
            if (pos_ >= data_.size()) return -1;
            buffer_ = buffer_ << 8 | static_cast<std::uint8_t>(data_[pos_++]);
            bitCount_ += 8;
        }
        bitCount_ -= width;
        return static_cast<int>(buffer_ >> bitCount_ & ((1u << width) - 1));
    }

  private:
    std::string_view data_;
    std::size_t pos_ = 0;
    std::uint32_t buffer_ = 0;
    int bitCount_ = 0;
};

int CodeWidth(int nextCode, int earlyChange) {
    const int boundary = nextCode + earlyChange;
    if (boundary >= 2048) return 12;
    if (boundary >= 1024) return 11;
    if (boundary >= 512) return 10;
    return 9;
}

}  // namespace

DecodeResult LZWDecode(std::string_view data, int earlyChange, std::size_t limit) {
    DecodeResult result;
    earlyChange = earlyChange == 0 ? 0 : 1;
    LzwTable table;
    BitReader bits(data);
    std::string& out = result.data;
    int previous = -1;
    for (;;) {
        const int code = bits.Read(CodeWidth(table.next, earlyChange));
        if (code < 0 || code == kEndOfData) break;  // a missing end code is tolerated
        if (code == kClearTable) {
            table.Reset();
            previous = -1;
            continue;
        }
        int entry = code;
        if (previous < 0) {
            if (code > 255) {
                result.status = DecodeStatus::kDataError;
                result.message = "LZW data starts with an undefined code";
                return result;
            }
        } else if (code < table.next) {
            table.Add(previous, table.first[code]);
        } else if (code == table.next && table.next < kMaxCodes) {
            // The code being defined right now: previous string plus its own first byte.
            table.Add(previous, table.first[previous]);
        } else {
            result.status = DecodeStatus::kDataError;
            result.message = "undefined LZW code " + std::to_string(code);
            return result;
        }
        const std::size_t length = table.length[entry];
        if (out.size() + length > limit) {
            result.status = DecodeStatus::kLimitExceeded;
            result.message =
                "decoded data exceeds the limit of " + std::to_string(limit) + " bytes";
            return result;
        }
        out.resize(out.size() + length);
        std::size_t at = out.size();
        for (int e = entry;; e = table.prefix[e]) {
            out[--at] = static_cast<char>(table.last[e]);
            if (e < 256) break;
        }
        previous = code;
    }
    return result;
}

}  // namespace papyrion::pdf
