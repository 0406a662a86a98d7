// PNG reader: walks the chunks with bounds and CRC checks, inflates the joined IDAT data into a
// buffer of exactly the expected size, undoes the per-row filters and expands every colour type
// to straight RGBA8 (16-bit samples keep their high byte; tRNS gives palette and key alpha).
#include "render/png_reader.h"
#include "core/file_io.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace render {

namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

core::Error corrupt(const std::string& what, std::size_t offset) {
    return core::makeError(core::ErrorCode::Corrupt, what, offset);
}

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
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

int paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

core::Result<RgbaImage> decodePng(const std::uint8_t* data, std::size_t size) {
    static const std::uint8_t kSig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(data, kSig, 8) != 0) {
        return corrupt("not a PNG file", 0);
    }
    int width = 0, height = 0, depth = 0, colorType = -1;
    bool haveHeader = false;
    std::vector<std::uint8_t> idat;
    std::uint8_t palette[256][4] = {};
    int paletteSize = 0;
    int trnsKey[3] = {-1, -1, -1};
    std::size_t pos = 8;
    bool ended = false;
    while (!ended) {
        if (size - pos < 12) {
            return core::makeError(core::ErrorCode::Truncated, "chunk header past the end", pos);
        }
        std::uint32_t len = be32(data + pos);
        if (len > size - pos - 12) {
            return core::makeError(core::ErrorCode::Truncated, "chunk past the end", pos);
        }
        const std::uint8_t* type = data + pos + 4;
        const std::uint8_t* body = data + pos + 8;
        uLong crc = crc32(crc32(0L, Z_NULL, 0), type, len + 4);
        if (crc != be32(body + len)) {
            return corrupt("chunk CRC mismatch", pos);
        }
        if (std::memcmp(type, "IHDR", 4) == 0) {
            if (len != 13) return corrupt("bad IHDR", pos);
            std::uint32_t w = be32(body), h = be32(body + 4);
            depth = body[8];
            colorType = body[9];
            if (w == 0 || h == 0 || w > static_cast<std::uint32_t>(kMaxPixmapSide) ||
                h > static_cast<std::uint32_t>(kMaxPixmapSide)) {
                return core::makeError(core::ErrorCode::TooLarge, "image size out of range", pos);
            }
            if (!depthAllowed(colorType, depth) || body[10] != 0 || body[11] != 0) {
                return core::makeError(core::ErrorCode::Unsupported, "unsupported PNG format", pos);
            }
            if (body[12] != 0) {
                return core::makeError(core::ErrorCode::Unsupported, "interlaced PNG", pos);
            }
            width = static_cast<int>(w);
            height = static_cast<int>(h);
            haveHeader = true;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (len % 3 != 0 || len > 768) return corrupt("bad PLTE", pos);
            paletteSize = static_cast<int>(len / 3);
            for (int i = 0; i < paletteSize; ++i) {
                palette[i][0] = body[3 * i];
                palette[i][1] = body[3 * i + 1];
                palette[i][2] = body[3 * i + 2];
                palette[i][3] = 255;
            }
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (colorType == 3) {
                for (std::uint32_t i = 0; i < len && i < 256; ++i) palette[i][3] = body[i];
            } else if (colorType == 0 && len >= 2) {
                trnsKey[0] = (body[0] << 8) | body[1];
            } else if (colorType == 2 && len >= 6) {
                for (int k = 0; k < 3; ++k) trnsKey[k] = (body[2 * k] << 8) | body[2 * k + 1];
            }
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            idat.insert(idat.end(), body, body + len);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        }
        pos += 12 + static_cast<std::size_t>(len);
    }
    if (!haveHeader) return corrupt("no IHDR", 8);
    if (colorType == 3 && paletteSize == 0) return corrupt("palette image without PLTE", 8);

    const int channels = channelsOf(colorType);
    const std::size_t bitsPerPixel = static_cast<std::size_t>(channels) * depth;
    const std::size_t stride = (bitsPerPixel * width + 7) / 8;
    const std::size_t bpp = std::max<std::size_t>(1, bitsPerPixel / 8);
    std::vector<std::uint8_t> raw((stride + 1) * height);
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) {
        return core::makeError(core::ErrorCode::IoError, "inflateInit failed");
    }
    zs.next_in = idat.data();
    zs.avail_in = static_cast<uInt>(idat.size());
    zs.next_out = raw.data();
    zs.avail_out = static_cast<uInt>(raw.size());
    int zr = inflate(&zs, Z_FINISH);
    std::size_t produced = raw.size() - zs.avail_out;
    inflateEnd(&zs);
    if ((zr != Z_STREAM_END && zr != Z_BUF_ERROR && zr != Z_OK) || produced != raw.size()) {
        return corrupt("image data does not inflate to the image size", 0);
    }

    // Undo the filters in place; row y's filtered bytes follow its filter-type byte.
    std::vector<std::uint8_t> prevRow(stride, 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw.data() + (stride + 1) * y;
        std::uint8_t f = row[0];
        std::uint8_t* cur = row + 1;
        for (std::size_t i = 0; i < stride; ++i) {
            int a = i >= bpp ? cur[i - bpp] : 0;
            int b = prevRow[i];
            int c = i >= bpp ? prevRow[i - bpp] : 0;
            int pred = 0;
            switch (f) {
            case 0: break;
            case 1: pred = a; break;
            case 2: pred = b; break;
            case 3: pred = (a + b) / 2; break;
            case 4: pred = paeth(a, b, c); break;
            default: return corrupt("bad filter type", 0);
            }
            cur[i] = static_cast<std::uint8_t>(cur[i] + pred);
        }
        std::memcpy(prevRow.data(), cur, stride);
    }

    RgbaImage img;
    img.width = width;
    img.height = height;
    img.rgba.resize(static_cast<std::size_t>(width) * height * 4);
    const int maxSample = (1 << depth) - 1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* cur = raw.data() + (stride + 1) * y + 1;
        std::uint8_t* out = img.rgba.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, out += 4) {
            // Sample k of pixel x at full precision.
            auto sample = [&](int k) -> int {
                std::size_t bit = (static_cast<std::size_t>(x) * channels + k) * depth;
                if (depth == 16) return (cur[bit / 8] << 8) | cur[bit / 8 + 1];
                if (depth == 8) return cur[bit / 8];
                int shift = 8 - depth - static_cast<int>(bit % 8);
                return (cur[bit / 8] >> shift) & maxSample;
            };
            auto to8 = [&](int v) -> std::uint8_t {
                if (depth == 16) return static_cast<std::uint8_t>(v >> 8);
                return static_cast<std::uint8_t>(v * 255 / maxSample);
            };
            switch (colorType) {
            case 0: {
                int v = sample(0);
                out[0] = out[1] = out[2] = to8(v);
                out[3] = v == trnsKey[0] ? 0 : 255;
                break;
            }
            case 2: {
                int r = sample(0), g = sample(1), b = sample(2);
                out[0] = to8(r);
                out[1] = to8(g);
                out[2] = to8(b);
                out[3] = (r == trnsKey[0] && g == trnsKey[1] && b == trnsKey[2]) ? 0 : 255;
                break;
            }
            case 3: {
                int idx = sample(0);
                if (idx >= paletteSize) return corrupt("palette index out of range", 0);
                std::memcpy(out, palette[idx], 4);
                break;
            }
            case 4:
                out[0] = out[1] = out[2] = to8(sample(0));
                out[3] = to8(sample(1));
                break;
            case 6:
                out[0] = to8(sample(0));
                out[1] = to8(sample(1));
                out[2] = to8(sample(2));
                out[3] = to8(sample(3));
                break;
            }
        }
    }
    return img;
}

core::Result<RgbaImage> readPng(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(core::openFile(path, "rb"), &std::fclose);
    if (!f) {
        return core::makeError(core::ErrorCode::NotFound, "cannot open " + path);
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
        if (bytes.size() > (std::size_t{256} << 20)) {
            return core::makeError(core::ErrorCode::TooLarge, path + ": file too large");
        }
    }
    return decodePng(bytes.data(), bytes.size());
}

}  // namespace render
