#include "document/bmp_image.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

// Far beyond any picture the program loads, small enough to keep memory in
// proportion when a header lies.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitFields = 3;

std::uint32_t U32(std::string_view d, std::size_t at) {
    if (at + 4 > d.size()) return 0;
    return static_cast<std::uint32_t>(static_cast<unsigned char>(d[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d[at + 3])) << 24;
}

std::uint16_t U16(std::string_view d, std::size_t at) {
    if (at + 2 > d.size()) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(d[at]) |
                                      static_cast<unsigned char>(d[at + 1]) << 8);
}

struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    unsigned char Of(std::uint32_t pixel) const {
        if (mask == 0) return 0;
        const std::uint32_t value = (pixel & mask) >> shift;
        const std::uint32_t max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
        return static_cast<unsigned char>(max == 0 ? 0 : (value * 255 + max / 2) / max);
    }
};

Channel ChannelOf(std::uint32_t mask) {
    Channel c;
    c.mask = mask;
    if (mask == 0) return c;
    while (((mask >> c.shift) & 1u) == 0) ++c.shift;
    while (c.shift + c.bits < 32 && ((mask >> (c.shift + c.bits)) & 1u) != 0) ++c.bits;
    return c;
}

}  // namespace

std::optional<BitmapImage> DecodeBmp(std::string_view d) {
    if (d.size() < 26 || d[0] != 'B' || d[1] != 'M') return std::nullopt;
    const std::uint32_t data_offset = U32(d, 10);
    const std::uint32_t header_size = U32(d, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colours_used = 0;
    BitmapImage image;
    std::size_t palette_at = 14 + header_size;
    int palette_entry = 4;
    if (header_size == 12) {
        width = U16(d, 18);
        height = static_cast<std::int16_t>(U16(d, 20));
        bits = U16(d, 24);
        palette_entry = 3;
    } else if (header_size >= 40 && d.size() >= 54) {
        width = static_cast<std::int32_t>(U32(d, 18));
        height = static_cast<std::int32_t>(U32(d, 22));
        bits = U16(d, 28);
        compression = U32(d, 30);
        const auto ppm_x = static_cast<std::int32_t>(U32(d, 38));
        const auto ppm_y = static_cast<std::int32_t>(U32(d, 42));
        image.dpi_x = static_cast<int>(std::lround(ppm_x * 0.0254));
        image.dpi_y = static_cast<int>(std::lround(ppm_y * 0.0254));
        colours_used = U32(d, 46);
    } else {
        return std::nullopt;
    }
    const bool top_down = height < 0;
    if (top_down) height = -height;
    if (width <= 0 || height <= 0 || width * height > kMaxPixels) return std::nullopt;
    if (compression != kBiRgb && !(compression == kBiBitFields && (bits == 16 || bits == 32))) {
        return std::nullopt;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return std::nullopt;
    }

    Channel red = ChannelOf(0x7C00), green = ChannelOf(0x03E0), blue = ChannelOf(0x001F);
    if (bits == 32) {
        red = ChannelOf(0x00FF0000), green = ChannelOf(0x0000FF00), blue = ChannelOf(0x000000FF);
    }
    if (compression == kBiBitFields) {
        // The masks follow a 40-byte header, or sit inside a larger one.
        const std::size_t at = 14 + 40;
        red = ChannelOf(U32(d, at));
        green = ChannelOf(U32(d, at + 4));
        blue = ChannelOf(U32(d, at + 8));
        if (header_size == 40) palette_at += 12;
    }

    std::vector<std::uint32_t> palette;
    if (bits <= 8) {
        std::size_t count = colours_used != 0 ? colours_used : (1u << bits);
        count = std::min<std::size_t>(count, 1u << bits);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t at = palette_at + i * palette_entry;
            if (at + 3 > d.size()) return std::nullopt;
            const auto b = static_cast<unsigned char>(d[at]);
            const auto g = static_cast<unsigned char>(d[at + 1]);
            const auto r = static_cast<unsigned char>(d[at + 2]);
            palette.push_back(static_cast<std::uint32_t>(r) << 16 | g << 8 | b);
        }
        if (palette.empty()) return std::nullopt;
    }

    const std::int64_t row_bytes = ((width * bits + 31) / 32) * 4;
    if (data_offset > d.size() ||
        static_cast<std::int64_t>(d.size() - data_offset) < row_bytes * height) {
        return std::nullopt;
    }
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    auto row_at = [&](std::int64_t y) {
        const std::int64_t stored = top_down ? y : height - 1 - y;
        return d.substr(data_offset + static_cast<std::size_t>(stored * row_bytes),
                        static_cast<std::size_t>(row_bytes));
    };

    bool gray_palette = bits == 8 && palette.size() == 256;
    for (std::size_t i = 0; gray_palette && i < palette.size(); ++i) {
        gray_palette = palette[i] == (i << 16 | i << 8 | i);
    }
    if (bits == 1) {
        image.bits_per_component = 1;
        image.gray = true;
        image.zero_is_black = (palette[0] >> 16) == 0;
        const std::size_t out_row = static_cast<std::size_t>((width + 7) / 8);
        for (std::int64_t y = 0; y < height; ++y) image.samples += row_at(y).substr(0, out_row);
        return image;
    }
    if (gray_palette) {
        image.gray = true;
        for (std::int64_t y = 0; y < height; ++y) {
            image.samples += row_at(y).substr(0, static_cast<std::size_t>(width));
        }
        return image;
    }
    image.samples.reserve(static_cast<std::size_t>(width * height * 3));
    for (std::int64_t y = 0; y < height; ++y) {
        std::string_view row = row_at(y);
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            if (bits <= 8) {
                const std::int64_t bit = x * bits;
                const auto byte =
                    static_cast<unsigned char>(row[static_cast<std::size_t>(bit / 8)]);
                const unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                rgb = index < palette.size() ? palette[index] : 0;
            } else if (bits == 24) {
                const std::size_t at = static_cast<std::size_t>(x * 3);
                rgb = static_cast<std::uint32_t>(static_cast<unsigned char>(row[at + 2])) << 16 |
                      static_cast<std::uint32_t>(static_cast<unsigned char>(row[at + 1])) << 8 |
                      static_cast<unsigned char>(row[at]);
            } else {
                const std::uint32_t pixel = bits == 16 ? U16(row, static_cast<std::size_t>(x * 2))
                                                       : U32(row, static_cast<std::size_t>(x * 4));
                rgb = static_cast<std::uint32_t>(red.Of(pixel)) << 16 |
                      static_cast<std::uint32_t>(green.Of(pixel)) << 8 | blue.Of(pixel);
            }
            image.samples += static_cast<char>((rgb >> 16) & 0xFF);
            image.samples += static_cast<char>((rgb >> 8) & 0xFF);
            image.samples += static_cast<char>(rgb & 0xFF);
        }
    }
    return image;
}

TPDFStream* MakeImageStream(TPDFStructure& s, const BitmapImage& image) {
    TPDFDictionary* d = s.MakeDictionary();
    d->Set(key::kType, s.MakeName("XObject"));
    d->Set(key::kSubtype, s.MakeName("Image"));
    d->Set("Width", s.MakeNumeric(image.width));
    d->Set("Height", s.MakeNumeric(image.height));
    d->Set("ColorSpace", s.MakeName(image.gray ? "DeviceGray" : "DeviceRGB"));
    d->Set("BitsPerComponent", s.MakeNumeric(image.bits_per_component));
    if (image.bits_per_component == 1) {
        TPDFArray* decode = s.MakeArray();
        decode->Append(s.MakeNumeric(image.zero_is_black ? 0 : 1));
        decode->Append(s.MakeNumeric(image.zero_is_black ? 1 : 0));
        d->Set("Decode", decode);
    }
    return s.MakeStream(image.samples, d);
}

}  // namespace papyrion::pdf
