// Bitmap decoding (see bitmap_decode.h). The inflated lossless data is read through bounds
// checks only: a short stream leaves the remaining pixels transparent rather than failing the
// whole bitmap, as the reference players show what arrived. JPEG, PNG and GIF pictures come
// from the codec decoders as straight RGBA and are premultiplied here.
#include "player/bitmap_decode.h"

#include <algorithm>

#include "codec/gif_decoder.h"
#include "codec/jpeg_decoder.h"
#include "codec/png_decoder.h"
#include "core/inflate.h"

namespace player {

namespace {

render::Pixel premultipliedClamped(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    return render::packPixel(std::min(r, a), std::min(g, a), std::min(b, a), a);
}

std::size_t paddedRow(std::size_t bytes) { return (bytes + 3) & ~static_cast<std::size_t>(3); }

}  // namespace

core::Result<render::Pixmap> decodeLossless(const swf::DefineBitsLossless& bits) {
    const int w = bits.width, h = bits.height;
    if (w == 0 || h == 0)
        return core::makeError(core::ErrorCode::Corrupt, "bitmap has no pixels");
    if (w > render::kMaxPixmapSide || h > render::kMaxPixmapSide ||
        static_cast<std::size_t>(w) * h > kMaxBitmapPixels)
        return core::makeError(core::ErrorCode::TooLarge, "bitmap is too large");
    const bool alpha = bits.version >= 2;
    std::size_t need = 0;
    std::size_t tableBytes = 0;
    switch (bits.format) {
    case 3:
        tableBytes = static_cast<std::size_t>(bits.colorTableSize) * (alpha ? 4 : 3);
        need = tableBytes + paddedRow(w) * h;
        break;
    case 4:
        if (alpha) return core::makeError(core::ErrorCode::Unsupported, "15-bit bitmap with alpha");
        need = paddedRow(static_cast<std::size_t>(w) * 2) * h;
        break;
    case 5:
        need = static_cast<std::size_t>(w) * 4 * h;
        break;
    default:
        return core::makeError(core::ErrorCode::Unsupported,
                               "unknown lossless bitmap format " + std::to_string(bits.format));
    }
    auto inflated = core::inflateZlib(bits.zlibData, need, need, core::InflateOverflow::Truncate);
    if (!inflated) return inflated.error();
    const std::vector<std::uint8_t>& d = inflated->data;
    auto byte = [&](std::size_t i) -> std::uint32_t { return i < d.size() ? d[i] : 0; };

    render::Pixmap out(w, h);
    if (out.isEmpty()) return core::makeError(core::ErrorCode::TooLarge, "bitmap is too large");
    switch (bits.format) {
    case 3: {
        // Indices are bytes: no more than 256 entries can be used.
        const std::size_t entries = std::min<std::size_t>(bits.colorTableSize, 256);
        std::vector<render::Pixel> table(256, 0);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::size_t o = i * (alpha ? 4 : 3);
            table[i] = alpha ? premultipliedClamped(byte(o), byte(o + 1), byte(o + 2), byte(o + 3))
                             : render::packPixel(byte(o), byte(o + 1), byte(o + 2), 255);
        }
        const std::size_t stride = paddedRow(w);
        for (int y = 0; y < h; ++y) {
            render::Pixel* row = out.row(y);
            const std::size_t base = tableBytes + stride * y;
            for (int x = 0; x < w; ++x) {
                const std::size_t i = base + x;
                // An index past the table (or past the data) shows nothing.
                row[x] = (i < d.size() && d[i] < entries) ? table[d[i]] : 0;
            }
        }
        break;
    }
    case 4: {
        const std::size_t stride = paddedRow(static_cast<std::size_t>(w) * 2);
        for (int y = 0; y < h; ++y) {
            render::Pixel* row = out.row(y);
            for (int x = 0; x < w; ++x) {
                const std::size_t i = stride * y + static_cast<std::size_t>(x) * 2;
                if (i + 1 >= d.size()) {
                    row[x] = 0;
                    continue;
                }
                const std::uint32_t v = (byte(i) << 8) | byte(i + 1);
                // Five bits widened to eight by repeating the top bits.
                auto widen = [](std::uint32_t c) { return (c << 3) | (c >> 2); };
                row[x] = render::packPixel(widen((v >> 10) & 31), widen((v >> 5) & 31), widen(v & 31), 255);
            }
        }
        break;
    }
    case 5:
        for (int y = 0; y < h; ++y) {
            render::Pixel* row = out.row(y);
            for (int x = 0; x < w; ++x) {
                const std::size_t i = (static_cast<std::size_t>(y) * w + x) * 4;
                if (i + 3 >= d.size()) {
                    row[x] = 0;
                    continue;
                }
                row[x] = alpha ? premultipliedClamped(byte(i + 1), byte(i + 2), byte(i + 3), byte(i))
                               : render::packPixel(byte(i + 1), byte(i + 2), byte(i + 3), 255);
            }
        }
        break;
    }
    return out;
}

core::Result<render::Pixmap> decodeJpegBits(const swf::DefineBitsJpeg& bits, const swf::JpegTables* tables) {
    const std::span<const std::uint8_t> data(bits.imageData);
    const codec::ImageFormat format = bits.version >= 2 ? codec::sniffFormat(data) : codec::ImageFormat::Jpeg;
    core::Result<codec::Image> decoded = core::makeError(core::ErrorCode::Corrupt, "no image data");
    switch (format) {
    case codec::ImageFormat::Png: decoded = codec::decodePng(data); break;
    case codec::ImageFormat::Gif: decoded = codec::decodeGif(data); break;
    default:
        decoded = codec::decodeJpeg(data, bits.version == 1 && tables ? std::span<const std::uint8_t>(tables->data)
                                                                      : std::span<const std::uint8_t>());
        break;
    }
    if (!decoded) return decoded.error();
    const codec::Image& img = *decoded;
    const std::size_t pixels = static_cast<std::size_t>(img.width) * img.height;
    if (img.width > render::kMaxPixmapSide || img.height > render::kMaxPixmapSide || pixels > kMaxBitmapPixels)
        return core::makeError(core::ErrorCode::TooLarge, "bitmap is too large");

    // The alpha plane of a JPEG picture.
    std::vector<std::uint8_t> alpha;
    const bool planed = bits.version >= 3 && format != codec::ImageFormat::Png &&
                        format != codec::ImageFormat::Gif && !bits.alphaData.empty();
    if (planed) {
        auto inflated = core::inflateZlib(bits.alphaData, pixels, pixels, core::InflateOverflow::Truncate);
        if (!inflated) return inflated.error();
        alpha = std::move(inflated->data);
        alpha.resize(pixels, 0);
    }

    render::Pixmap out(img.width, img.height);
    if (out.isEmpty()) return core::makeError(core::ErrorCode::TooLarge, "bitmap is too large");
    const std::uint8_t* s = img.rgba.data();
    render::Pixel* dst = out.pixels().data();
    for (std::size_t i = 0; i < pixels; ++i, s += 4) {
        const std::uint32_t a = planed ? alpha[i] : s[3];
        if (a == 255) {
            dst[i] = render::packPixel(s[0], s[1], s[2], 255);
        } else {
            auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
            dst[i] = render::packPixel(mul(s[0]), mul(s[1]), mul(s[2]), a);
        }
    }
    return out;
}

}  // namespace player
