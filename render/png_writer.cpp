// PNG writer: each row takes the filter (None, Sub, Up, Average, Paeth) with the smallest sum of
// absolute filtered bytes, the usual heuristic; the filtered rows are deflated by zlib in one go;
// chunk CRCs come from zlib's crc32.
#include "render/png_writer.h"
#include "core/file_io.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace render {

namespace {

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void chunk(std::vector<std::uint8_t>& out, const char type[4], const std::uint8_t* data,
           std::size_t size) {
    put32(out, static_cast<std::uint32_t>(size));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + start, static_cast<uInt>(size + 4));
    put32(out, static_cast<std::uint32_t>(crc));
}

int paeth(int a, int b, int c) {
    int p = a + b - c;
    int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

}  // namespace

core::Result<std::vector<std::uint8_t>> encodePng(const RgbaImage& image) {
    const int w = image.width, h = image.height;
    const std::size_t stride = static_cast<std::size_t>(w) * 4;
    if (w <= 0 || h <= 0 || image.rgba.size() < stride * h) {
        return core::makeError(core::ErrorCode::InvalidArgument, "empty or inconsistent image");
    }
    std::vector<std::uint8_t> raw((stride + 1) * h);
    std::vector<std::uint8_t> cand[5];
    for (auto& c : cand) c.resize(stride);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* cur = image.rgba.data() + stride * y;
        const std::uint8_t* prev = y > 0 ? cur - stride : nullptr;
        std::uint64_t best = UINT64_MAX;
        int bestF = 0;
        for (int f = 0; f < 5; ++f) {
            std::uint64_t sum = 0;
            for (std::size_t i = 0; i < stride; ++i) {
                int a = i >= 4 ? cur[i - 4] : 0;
                int b = prev ? prev[i] : 0;
                int c = (prev && i >= 4) ? prev[i - 4] : 0;
                int pred = 0;
                switch (f) {
                case 1: pred = a; break;
                case 2: pred = b; break;
                case 3: pred = (a + b) / 2; break;
                case 4: pred = paeth(a, b, c); break;
                default: break;
                }
                auto v = static_cast<std::uint8_t>(cur[i] - pred);
                cand[f][i] = v;
                sum += v < 128 ? v : 256 - v;
            }
            if (sum < best) {
                best = sum;
                bestF = f;
            }
        }
        std::uint8_t* out = raw.data() + (stride + 1) * y;
        out[0] = static_cast<std::uint8_t>(bestF);
        std::copy(cand[bestF].begin(), cand[bestF].end(), out + 1);
    }
    uLongf zlen = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> z(zlen);
    if (compress2(z.data(), &zlen, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK) {
        return core::makeError(core::ErrorCode::IoError, "deflate failed");
    }
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t ihdr[13];
    for (int i = 0; i < 4; ++i) {
        ihdr[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(w) >> (24 - 8 * i));
        ihdr[4 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(h) >> (24 - 8 * i));
    }
    ihdr[8] = 8;   // bit depth
    ihdr[9] = 6;   // colour type RGBA
    ihdr[10] = 0;  // deflate
    ihdr[11] = 0;  // adaptive filtering
    ihdr[12] = 0;  // no interlace
    chunk(png, "IHDR", ihdr, sizeof ihdr);
    chunk(png, "IDAT", z.data(), zlen);
    chunk(png, "IEND", nullptr, 0);
    return png;
}

core::Status writePng(const Pixmap& pixmap, const std::string& path) {
    auto png = encodePng(toStraightRgba(pixmap));
    if (!png) {
        return png.error();
    }
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(core::openFile(path, "wb"), &std::fclose);
    if (!f) {
        return core::makeError(core::ErrorCode::IoError, "cannot create " + path);
    }
    if (std::fwrite(png->data(), 1, png->size(), f.get()) != png->size() || std::fflush(f.get()) != 0) {
        return core::makeError(core::ErrorCode::IoError, "cannot write " + path);
    }
    return core::okStatus();
}

}  // namespace render
