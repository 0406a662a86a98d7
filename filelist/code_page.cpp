#include "filelist/code_page.h"

#include "core/text_encoding.h"

#include <array>

namespace filelist {
namespace {

// Windows-1252 bytes 0x80..0x9F; the undefined ones map to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHigh1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

int encode1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (std::size_t i = 0; i < kHigh1252.size(); ++i) {
        if (kHigh1252[i] == cp) return static_cast<int>(0x80 + i);
    }
    return -1;
}

}  // namespace

char32_t nextCodePoint(std::string_view text, std::size_t& pos, bool* valid) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(pos);
    if (valid) *valid = true;
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    std::size_t len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    }
    if (len != 0 && pos + len <= text.size()) {
        bool ok = true;
        for (std::size_t i = 1; i < len; ++i) {
            const unsigned char b = byte(pos + i);
            if ((b & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (ok && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
            pos += len;
            return cp;
        }
    }
    if (valid) *valid = false;
    ++pos;
    return kReplacementCharacter;
}

bool isValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    bool valid = true;
    while (pos < text.size()) {
        nextCodePoint(text, pos, &valid);
        if (!valid) return false;
    }
    return true;
}

std::string sanitizeUtf8(std::string_view text) {
    if (isValidUtf8(text)) return std::string(text);
    std::string out;
    out.reserve(text.size() + 8);
    std::size_t pos = 0;
    while (pos < text.size()) core::appendUtf8(out, nextCodePoint(text, pos));
    return out;
}

std::size_t countCodePoints(std::string_view text) {
    std::size_t n = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        nextCodePoint(text, pos);
        ++n;
    }
    return n;
}

std::string Windows1252::toUtf8(std::string_view ansi) const {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (const char c : ansi) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else if (b < 0xA0) {
            core::appendUtf8(out, kHigh1252[b - 0x80]);
        } else {
            core::appendUtf8(out, b);
        }
    }
    return out;
}

std::optional<std::string> Windows1252::fromUtf8(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[pos]);
        if (b < 0x80) {  // the common case, without the decoder
            out.push_back(utf8[pos++]);
            continue;
        }
        bool valid = true;
        const char32_t cp = nextCodePoint(utf8, pos, &valid);
        const int byte = valid ? encode1252(cp) : -1;
        if (byte < 0) return std::nullopt;
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

#ifndef _WIN32
const CodePage& systemCodePage() {
    static const Windows1252 cp;
    return cp;
}
#endif

}  // namespace filelist
