#include <cstdint>
#include <cstdlib>

#include "filters/decode.h"

namespace papyrion::pdf {
namespace {

struct RowLayout {
    std::size_t rowBytes = 0;       // bytes of one row of samples
    std::size_t bytesPerPixel = 0;  // distance to the "left" byte, at least 1
};

bool ComputeLayout(const DecodeParams& p, RowLayout& layout) {
    const int bpc = p.bitsPerComponent;
    if (bpc != 1 && bpc != 2 && bpc != 4 && bpc != 8 && bpc != 16) return false;
    if (p.colors < 1 || p.colors > 32 || p.columns < 1) return false;
    const std::uint64_t bitsPerRow = static_cast<std::uint64_t>(p.columns) *
                                     static_cast<std::uint64_t>(p.colors) *
                                     static_cast<std::uint64_t>(bpc);
    if (bitsPerRow > (std::uint64_t{1} << 34)) return false;
    layout.rowBytes = static_cast<std::size_t>((bitsPerRow + 7) / 8);
    layout.bytesPerPixel = static_cast<std::size_t>((p.colors * bpc + 7) / 8);
    return true;
}

std::uint8_t Paeth(int left, int up, int upLeft) {
    const int estimate = left + up - upLeft;
    const int dl = std::abs(estimate - left);
    const int du = std::abs(estimate - up);
    const int dul = std::abs(estimate - upLeft);
    if (dl <= du && dl <= dul) return static_cast<std::uint8_t>(left);
    if (du <= dul) return static_cast<std::uint8_t>(up);
    return static_cast<std::uint8_t>(upLeft);
}

DecodeResult UndoPng(std::string_view data, const RowLayout& layout) {
    DecodeResult result;
    std::string& out = result.data;
    out.reserve(data.size());
    std::string prior(layout.rowBytes, '\0');
    std::size_t pos = 0;
    while (pos < data.size()) {
        const int type = static_cast<std::uint8_t>(data[pos++]);
        // The last row may be short; it is decoded as far as it goes.
        const std::size_t count = std::min(layout.rowBytes, data.size() - pos);
        const std::size_t rowStart = out.size();
        out.append(data.substr(pos, count));
        pos += count;
        auto* row = reinterpret_cast<std::uint8_t*>(out.data() + rowStart);
        const auto* up = reinterpret_cast<const std::uint8_t*>(prior.data());
        const std::size_t bpp = layout.bytesPerPixel;
        for (std::size_t i = 0; i < count; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int upLeft = i >= bpp ? up[i - bpp] : 0;
            switch (type) {
                case 0:
                    break;
                case 1:
                    row[i] = static_cast<std::uint8_t>(row[i] + left);
                    break;
                case 2:
                    row[i] = static_cast<std::uint8_t>(row[i] + up[i]);
                    break;
                case 3:
                    row[i] = static_cast<std::uint8_t>(row[i] + (left + up[i]) / 2);
                    break;
                case 4:
                    row[i] = static_cast<std::uint8_t>(row[i] + Paeth(left, up[i], upLeft));
                    break;
                default:
                    break;
            }
        }
        if (type > 4 && result.status == DecodeStatus::kOk) {
            result.status = DecodeStatus::kDataError;
            result.message = "unknown PNG row type " + std::to_string(type);
        }
        prior.assign(out, rowStart, count);
        prior.resize(layout.rowBytes, '\0');
    }
    return result;
}

// Horizontal differencing: each sample is stored as its difference to the
// sample of the same colour component one pixel to the left.
DecodeResult UndoTiff(std::string_view data, const DecodeParams& p, const RowLayout& layout) {
    DecodeResult result;
    result.data.assign(data);
    auto* bytes = reinterpret_cast<std::uint8_t*>(result.data.data());
    const std::size_t colors = static_cast<std::size_t>(p.colors);
    const int bpc = p.bitsPerComponent;
    for (std::size_t rowStart = 0; rowStart < result.data.size(); rowStart += layout.rowBytes) {
        std::uint8_t* row = bytes + rowStart;
        const std::size_t count = std::min(layout.rowBytes, result.data.size() - rowStart);
        if (bpc == 8) {
            for (std::size_t i = colors; i < count; ++i) {
                row[i] = static_cast<std::uint8_t>(row[i] + row[i - colors]);
            }
        } else if (bpc == 16) {
            for (std::size_t i = 2 * colors; i + 1 < count; i += 2) {
                const unsigned sum = (row[i] << 8 | row[i + 1]) +
                                     (row[i - 2 * colors] << 8 | row[i - 2 * colors + 1]);
                row[i] = static_cast<std::uint8_t>(sum >> 8);
                row[i + 1] = static_cast<std::uint8_t>(sum);
            }
        } else {
            // Samples of 1, 2 or 4 bits, packed from the high bit down.
            const std::size_t samples = count * 8 / static_cast<std::size_t>(bpc);
            const unsigned mask = (1u << bpc) - 1;
            auto get = [&](std::size_t s) {
                const std::size_t bit = s * static_cast<std::size_t>(bpc);
                const int shift = 8 - bpc - static_cast<int>(bit % 8);
                return (row[bit / 8] >> shift) & mask;
            };
            auto set = [&](std::size_t s, unsigned v) {
                const std::size_t bit = s * static_cast<std::size_t>(bpc);
                const int shift = 8 - bpc - static_cast<int>(bit % 8);
                row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~(mask << shift)) |
                                                         ((v & mask) << shift));
            };
            const std::size_t perRow = static_cast<std::size_t>(p.columns) * colors;
            for (std::size_t s = colors; s < samples && s < perRow; ++s) {
                set(s, get(s) + get(s - colors));
            }
        }
    }
    return result;
}

}  // namespace

DecodeResult UndoPredictor(std::string_view data, const DecodeParams& params) {
    DecodeResult result;
    if (params.predictor <= 1) {
        result.data.assign(data);
        return result;
    }
    RowLayout layout;
    const bool tiff = params.predictor == 2;
    const bool png = params.predictor >= 10 && params.predictor <= 15;
    if ((!tiff && !png) || !ComputeLayout(params, layout)) {
        result.data.assign(data);
        result.status = DecodeStatus::kBadParameters;
        result.message = "unsupported predictor parameters (Predictor " +
                         std::to_string(params.predictor) + ", Colors " +
                         std::to_string(params.colors) + ", BitsPerComponent " +
                         std::to_string(params.bitsPerComponent) + ", Columns " +
                         std::to_string(params.columns) + ")";
        return result;
    }
    return tiff ? UndoTiff(data, params, layout) : UndoPng(data, layout);
}

}  // namespace papyrion::pdf
