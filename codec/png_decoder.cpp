// PNG decoding (see png_decoder.h): chunks are collected, the concatenated IDAT data inflated
// in one go (its exact size is known from the header), each Adam7 pass (or the whole image)
// unfiltered row by row and its pixels widened to RGBA8.
#include "codec/png_decoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/inflate.h"

namespace codec {

namespace {

core::Error corrupt(const char* what, std::size_t offset) {
    return core::makeError(core::ErrorCode::Corrupt, std::string("PNG: ") + what, offset);
}

core::Error truncated(const char* what, std::size_t offset) {
    return core::makeError(core::ErrorCode::Truncated, std::string("PNG: ") + what, offset);
}

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct Pass {
    int x0, y0, dx, dy;
};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
constexpr Pass kWhole = {0, 0, 1, 1};

struct Header {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colorType = 0, channels = 0;
    bool interlaced = false;
};

int channelsOf(int colorType) {
    switch (colorType) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    case 6: return 4;
    default: return 0;
    }
}

bool depthAllowed(int colorType, int depth) {
    switch (colorType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    default: return depth == 8 || depth == 16;
    }
}

std::size_t rowBytes(const Header& h, std::uint32_t pixels) {
    return (static_cast<std::size_t>(pixels) * h.channels * h.depth + 7) / 8;
}

std::uint32_t passSize(std::uint32_t size, int start, int step) {
    return size > static_cast<std::uint32_t>(start) ? (size - start + step - 1) / step : 0;
}

inline std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
}

// Undoes the filter of one row in place; `prev` is the unfiltered row above (zeros for the
// first row of a pass).
bool unfilter(int type, std::uint8_t* row, const std::uint8_t* prev, std::size_t n, std::size_t bpp) {
    switch (type) {
    case 0: break;
    case 1: for (std::size_t i = bpp; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]); break;
    case 2: for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prev[i]); break;
    case 3:
        for (std::size_t i = 0; i < n; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + (((i >= bpp ? row[i - bpp] : 0) + prev[i]) >> 1));
        break;
    case 4:
        for (std::size_t i = 0; i < n; ++i)
            row[i] = static_cast<std::uint8_t>(
                row[i] + paeth(i >= bpp ? row[i - bpp] : 0, prev[i], i >= bpp ? prev[i - bpp] : 0));
        break;
    default: return false;
    }
    return true;
}

}  // namespace

core::Result<Image> decodePng(std::span<const std::uint8_t> data) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() < 8 || std::memcmp(data.data(), kSignature, 8) != 0) return corrupt("no signature", 0);
    Header h;
    std::array<std::uint8_t, 256 * 4> palette{};  // RGBA
    std::size_t paletteSize = 0;
    bool keyed = false;
    std::uint16_t key[3] = {};  // tRNS sample values of grey or RGB
    std::vector<std::uint8_t> idat;
    std::size_t pos = 8;
    bool ended = false;
    while (!ended) {
        if (pos + 12 > data.size()) return truncated("data ends inside a chunk", pos);
        const std::uint32_t len = be32(&data[pos]);
        const std::uint8_t* type = &data[pos + 4];
        if (len > data.size() - pos - 12) return truncated("chunk runs past the end", pos);
        const std::uint8_t* c = &data[pos + 8];
        const bool first = pos == 8;
        if (first != (std::memcmp(type, "IHDR", 4) == 0)) return corrupt("IHDR is not the first chunk", pos);
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (len < 13) return corrupt("short IHDR", pos);
            h.width = be32(c);
            h.height = be32(c + 4);
            h.depth = c[8];
            h.colorType = c[9];
            h.channels = channelsOf(h.colorType);
            h.interlaced = c[12] == 1;
            if (!h.channels || !depthAllowed(h.colorType, h.depth) || c[10] != 0 || c[11] != 0 || c[12] > 1)
                return corrupt("unknown image type", pos);
            auto size = checkImageSize(h.width, h.height);
            if (!size) return size.error();
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (len % 3 || len > 768) return corrupt("bad palette", pos);
            paletteSize = len / 3;
            for (std::size_t i = 0; i < paletteSize; ++i) {
                std::memcpy(&palette[i * 4], c + i * 3, 3);
                palette[i * 4 + 3] = 255;
            }
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (h.colorType == 3) {
                for (std::size_t i = 0; i < len && i < 256; ++i) palette[i * 4 + 3] = c[i];
            } else if ((h.colorType == 0 && len >= 2) || (h.colorType == 2 && len >= 6)) {
                keyed = true;
                for (int i = 0; i < (h.colorType == 0 ? 1 : 3); ++i)
                    key[i] = static_cast<std::uint16_t>((c[2 * i] << 8) | c[2 * i + 1]);
            }
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            idat.insert(idat.end(), c, c + len);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        pos += 12 + len;
        if (pos == data.size()) ended = true;  // IEND missing: what came is used
    }
    if (h.colorType == 3 && paletteSize == 0) return corrupt("palette missing", 0);

    const Pass* passes = h.interlaced ? kAdam7 : &kWhole;
    const int passCount = h.interlaced ? 7 : 1;
    std::size_t total = 0;
    for (int p = 0; p < passCount; ++p) {
        const std::uint32_t pw = passSize(h.width, passes[p].x0, passes[p].dx);
        const std::uint32_t ph = passSize(h.height, passes[p].y0, passes[p].dy);
        if (pw && ph) total += (1 + rowBytes(h, pw)) * ph;
    }
    auto inflated = core::inflateZlib(idat, total, total, core::InflateOverflow::Truncate);
    if (!inflated) return inflated.error();
    std::vector<std::uint8_t>& raw = inflated->data;
    if (raw.size() < total) return truncated("image data ends early", 0);

    Image img;
    img.width = static_cast<int>(h.width);
    img.height = static_cast<int>(h.height);
    img.rgba.resize(static_cast<std::size_t>(h.width) * h.height * 4);
    const std::size_t bpp = std::max<std::size_t>(1, static_cast<std::size_t>(h.channels) * h.depth / 8);
    const int maxValue = (1 << h.depth) - 1;
    std::vector<std::uint8_t> zeros(rowBytes(h, h.width), 0);
    std::size_t at = 0;
    for (int p = 0; p < passCount; ++p) {
        const Pass& ps = passes[p];
        const std::uint32_t pw = passSize(h.width, ps.x0, ps.dx);
        const std::uint32_t ph = passSize(h.height, ps.y0, ps.dy);
        if (!pw || !ph) continue;
        const std::size_t n = rowBytes(h, pw);
        const std::uint8_t* prev = zeros.data();
        for (std::uint32_t ry = 0; ry < ph; ++ry) {
            std::uint8_t* row = &raw[at + 1];
            if (!unfilter(raw[at], row, prev, n, bpp)) return corrupt("unknown filter", at);
            prev = row;
            at += 1 + n;
            std::uint8_t* out = &img.rgba[((ps.y0 + ry * ps.dy) * static_cast<std::size_t>(h.width) + ps.x0) * 4];
            for (std::uint32_t rx = 0; rx < pw; ++rx, out += ps.dx * 4) {
                // Samples of this pixel: full 16-bit values (for the tRNS key), 8-bit output.
                std::uint16_t s[4];
                for (int i = 0; i < h.channels; ++i) {
                    if (h.depth == 16) {
                        const std::uint8_t* b = row + (static_cast<std::size_t>(rx) * h.channels + i) * 2;
                        s[i] = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
                    } else if (h.depth == 8) {
                        s[i] = row[static_cast<std::size_t>(rx) * h.channels + i];
                    } else {
                        const std::size_t bit = static_cast<std::size_t>(rx) * h.depth;
                        s[i] = static_cast<std::uint16_t>((row[bit / 8] >> (8 - h.depth - bit % 8)) & maxValue);
                    }
                }
                auto to8 = [&](std::uint16_t v) {
                    return static_cast<std::uint8_t>(h.depth == 16 ? v >> 8 : h.depth == 8 ? v : v * 255 / maxValue);
                };
                switch (h.colorType) {
                case 3:
                    if (s[0] < paletteSize) std::memcpy(out, &palette[s[0] * 4], 4);
                    else std::memset(out, 0, 4);  // an index past the palette shows nothing
                    break;
                case 0:
                case 4:
                    out[0] = out[1] = out[2] = to8(s[0]);
                    out[3] = h.colorType == 4 ? to8(s[1]) : (keyed && s[0] == key[0] ? 0 : 255);
                    break;
                default:
                    out[0] = to8(s[0]);
                    out[1] = to8(s[1]);
                    out[2] = to8(s[2]);
                    out[3] = h.colorType == 6 ? to8(s[3])
                                              : (keyed && s[0] == key[0] && s[1] == key[1] && s[2] == key[2] ? 0 : 255);
                    break;
                }
            }
        }
    }
    return img;
}

}  // namespace codec
