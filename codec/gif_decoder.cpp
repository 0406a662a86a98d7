// GIF decoding (see gif_decoder.h). The LZW decoder keeps, for every code, its prefix code,
// its last byte and its first byte; a string is written backwards into the output from its
// last byte, as its length is known once the prefix chain has been walked.
#include "codec/gif_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace codec {

namespace {

core::Error corrupt(const char* what, std::size_t offset) {
    return core::makeError(core::ErrorCode::Corrupt, std::string("GIF: ") + what, offset);
}

int le16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }

constexpr int kMaxCodes = 4096;

// Decodes the LZW stream `in` (sub-blocks already joined) into `out`; false when the stream is
// damaged or ends before `out` is full.
bool decodeLzw(const std::vector<std::uint8_t>& in, int minSize, std::vector<std::uint8_t>& out) {
    std::vector<std::uint16_t> prefix(kMaxCodes);
    std::vector<std::uint8_t> suffix(kMaxCodes), first(kMaxCodes);
    std::vector<std::uint16_t> length(kMaxCodes);
    const int clear = 1 << minSize, end = clear + 1;
    for (int i = 0; i < clear; ++i) {
        suffix[i] = first[i] = static_cast<std::uint8_t>(i);
        length[i] = 1;
    }
    int size = minSize + 1, next = end + 1, prev = -1;
    std::size_t written = 0;
    std::uint32_t buf = 0;
    int bits = 0;
    std::size_t pos = 0;
    while (written < out.size()) {
        while (bits < size) {
            if (pos >= in.size()) return false;
            buf |= std::uint32_t{in[pos++]} << bits;
            bits += 8;
        }
        const int code = static_cast<int>(buf & ((1u << size) - 1));
        buf >>= size;
        bits -= size;
        if (code == clear) {
            size = minSize + 1;
            next = end + 1;
            prev = -1;
            continue;
        }
        if (code == end) break;
        int emit = code;
        if (prev < 0) {
            if (code >= clear) return false;
        } else if (code < next) {
            if (next < kMaxCodes) {
                prefix[next] = static_cast<std::uint16_t>(prev);
                suffix[next] = first[code];
            }
        } else if (code == next && next < kMaxCodes) {
            // The string being defined: the previous one plus its own first byte.
            prefix[next] = static_cast<std::uint16_t>(prev);
            suffix[next] = first[prev];
        } else {
            return false;
        }
        if (prev >= 0 && next < kMaxCodes) {
            first[next] = first[prev];
            length[next] = static_cast<std::uint16_t>(length[prev] + 1);
            ++next;
            if (next == (1 << size) && size < 12) ++size;
        }
        // Writes the string of `emit` from its end; bytes past the image are dropped.
        const std::size_t len = length[emit];
        for (std::size_t i = len; i-- > 0;) {
            if (written + i < out.size()) out[written + i] = suffix[emit];
            emit = prefix[emit];
        }
        written += len;
        prev = code;
    }
    return written >= out.size();
}

}  // namespace

core::Result<Image> decodeGif(std::span<const std::uint8_t> d) {
    if (d.size() < 13 || std::memcmp(d.data(), "GIF8", 4) != 0) return corrupt("no signature", 0);
    int screenW = le16(&d[6]), screenH = le16(&d[8]);
    std::array<std::uint8_t, 256 * 3> globalTable{}, localTable{};
    int globalSize = 0;
    std::size_t pos = 13;
    if (d[10] & 0x80) {
        globalSize = 2 << (d[10] & 7);
        if (pos + globalSize * 3 > d.size()) return corrupt("colour table runs past the end", pos);
        std::memcpy(globalTable.data(), &d[pos], globalSize * 3);
        pos += globalSize * 3;
    }
    int transparent = -1;
    while (pos < d.size()) {
        const std::uint8_t block = d[pos++];
        if (block == 0x3B) break;  // trailer
        if (block == 0x21) {       // extension: a label, then sub-blocks
            if (pos >= d.size()) break;
            const std::uint8_t label = d[pos++];
            bool firstBlock = true;
            while (pos < d.size() && d[pos] != 0) {
                const std::size_t n = d[pos];
                if (pos + 1 + n > d.size()) return corrupt("extension runs past the end", pos);
                if (label == 0xF9 && firstBlock && n >= 4) transparent = (d[pos + 1] & 1) ? d[pos + 4] : -1;
                firstBlock = false;
                pos += 1 + n;
            }
            ++pos;
            continue;
        }
        if (block != 0x2C) return corrupt("unknown block", pos - 1);
        if (pos + 9 > d.size()) return corrupt("image descriptor runs past the end", pos);
        const int left = le16(&d[pos]), top = le16(&d[pos + 2]);
        const int w = le16(&d[pos + 4]), h = le16(&d[pos + 6]);
        const std::uint8_t flags = d[pos + 8];
        pos += 9;
        const std::uint8_t* table = globalTable.data();
        int tableSize = globalSize;
        if (flags & 0x80) {
            tableSize = 2 << (flags & 7);
            if (pos + tableSize * 3 > d.size()) return corrupt("colour table runs past the end", pos);
            std::memcpy(localTable.data(), &d[pos], tableSize * 3);
            table = localTable.data();
            pos += tableSize * 3;
        }
        // A screen smaller than its first image (or of size zero) grows to hold it.
        screenW = std::max(screenW, left + w);
        screenH = std::max(screenH, top + h);
        auto size = checkImageSize(screenW, screenH);
        if (!size) return size.error();
        if (w == 0 || h == 0) return corrupt("image has no pixels", pos);
        if (pos >= d.size()) return corrupt("image data missing", pos);
        const int minSize = d[pos++];
        if (minSize < 1 || minSize > 8) return corrupt("bad LZW code size", pos - 1);
        std::vector<std::uint8_t> lzw;
        while (pos < d.size() && d[pos] != 0) {
            const std::size_t n = d[pos];
            if (pos + 1 + n > d.size()) break;  // the LZW decoder reports the shortfall
            lzw.insert(lzw.end(), &d[pos + 1], &d[pos + 1 + n]);
            pos += 1 + n;
        }
        std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h);
        if (!decodeLzw(lzw, minSize, indices)) return corrupt("image data damaged or cut short", pos);

        Image img;
        img.width = screenW;
        img.height = screenH;
        img.rgba.assign(static_cast<std::size_t>(screenW) * screenH * 4, 0);
        // Interlaced rows come in four passes: every 8th from 0, every 8th from 4, every 4th
        // from 2, every 2nd from 1.
        std::vector<int> rowOf;
        rowOf.reserve(h);
        for (int p = 0; p < (flags & 0x40 ? 4 : 1); ++p) {
            static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
            for (int y = flags & 0x40 ? kStart[p] : 0; y < h; y += flags & 0x40 ? kStep[p] : 1) rowOf.push_back(y);
        }
        for (int r = 0; r < h; ++r) {
            const int y = rowOf[r];
            const std::uint8_t* src = &indices[static_cast<std::size_t>(r) * w];
            std::uint8_t* out = &img.rgba[(static_cast<std::size_t>(top + y) * screenW + left) * 4];
            for (int x = 0; x < w; ++x, out += 4) {
                const int i = src[x];
                if (i == transparent || i >= tableSize) continue;  // stays transparent
                std::memcpy(out, &table[i * 3], 3);
                out[3] = 255;
            }
        }
        return img;
    }
    return corrupt("no image in the file", pos);
}

}  // namespace codec
