// Skin file parser: line based, one table of known keys, strict about everything.

#include "skin/skin_file.h"

#include <array>
#include <cctype>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace skin {

Colour mix(Colour a, Colour b, int percentOfB) {
    if (percentOfB < 0) percentOfB = 0;
    if (percentOfB > 100) percentOfB = 100;
    auto channel = [percentOfB](int x, int y) {
        return static_cast<std::uint8_t>((x * (100 - percentOfB) + y * percentOfB + 50) / 100);
    };
    return Colour{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

namespace {

enum class Kind { Colour, Integer, Text, Font, Image };

struct Value {
    Colour colour;
    int integer = 0;
    std::string text;
    FontSpec font;
};

struct KeyDef {
    std::string_view section;
    std::string_view key;
    Kind kind;
    bool required;
    int min;  // integers only
    int max;
    void (*store)(Skin&, const Value&);
};

constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};

// clang-format off
const std::array kKeys = {
    KeyDef{"skin", "format", Kind::Integer, true, 1, 1000, [](Skin& s, const Value& v) { s.format = v.integer; }},
    KeyDef{"skin", "name", Kind::Text, false, 0, 0, [](Skin& s, const Value& v) { s.name = v.text; }},
    KeyDef{"window", "background", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.window.background = v.colour; }},
    KeyDef{"window", "background_end", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.window.backgroundEnd = v.colour; }},
    KeyDef{"window", "text", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.window.text = v.colour; }},
    KeyDef{"window", "image", Kind::Image, false, 0, 0, [](Skin& s, const Value& v) { s.window.image = v.text; }},
    KeyDef{"frame", "background", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.frame.background = v.colour; }},
    KeyDef{"frame", "border", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.frame.border = v.colour; }},
    KeyDef{"frame", "radius", Kind::Integer, false, 0, 32, [](Skin& s, const Value& v) { s.frame.radius = v.integer; }},
    KeyDef{"button", "face", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.button.face = v.colour; }},
    KeyDef{"button", "face_hot", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.faceHot = v.colour; }},
    KeyDef{"button", "face_pressed", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.facePressed = v.colour; }},
    KeyDef{"button", "face_disabled", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.faceDisabled = v.colour; }},
    KeyDef{"button", "text", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.button.text = v.colour; }},
    KeyDef{"button", "text_disabled", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.textDisabled = v.colour; }},
    KeyDef{"button", "border", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.button.border = v.colour; }},
    KeyDef{"button", "focus", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.focus = v.colour; }},
    KeyDef{"button", "accent_face", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.accentFace = v.colour; }},
    KeyDef{"button", "accent_text", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.button.accentText = v.colour; }},
    KeyDef{"button", "radius", Kind::Integer, false, 0, 32, [](Skin& s, const Value& v) { s.button.radius = v.integer; }},
    KeyDef{"button", "font", Kind::Font, false, 0, 0, [](Skin& s, const Value& v) { s.button.font = v.font; }},
    KeyDef{"list", "background", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.list.background = v.colour; }},
    KeyDef{"list", "text", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.list.text = v.colour; }},
    KeyDef{"list", "header_face", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.list.headerFace = v.colour; }},
    KeyDef{"list", "header_text", Kind::Colour, true, 0, 0, [](Skin& s, const Value& v) { s.list.headerText = v.colour; }},
    KeyDef{"list", "header_border", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.list.headerBorder = v.colour; }},
    KeyDef{"label", "text", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.label.text = v.colour; }},
    KeyDef{"label", "link", Kind::Colour, false, 0, 0, [](Skin& s, const Value& v) { s.label.link = v.colour; }},
    KeyDef{"label", "font", Kind::Font, false, 0, 0, [](Skin& s, const Value& v) { s.label.font = v.font; }},
};
// clang-format on

std::size_t keyIndex(std::string_view section, std::string_view key) {
    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (kKeys[i].section == section && kKeys[i].key == key) return i;
    }
    return kKeys.size();
}

bool knownSection(std::string_view section) {
    for (const auto& k : kKeys) {
        if (k.section == section) return true;
    }
    return false;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isName(std::string_view s) {
    if (s.empty() || s.size() > 32) return false;
    for (char c : s) {
        if (!isNameChar(c)) return false;
    }
    return true;
}

// Unsigned decimal; false on an empty string, a non-digit, or a value above 999,999,999
// (no overflow whatever the length).
bool parseDecimal(std::string_view s, int& out) {
    if (s.empty() || s.size() > 9) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#rrggbb" or "r, g, b" with each channel 0-255.
bool parseColour(std::string_view s, Colour& out) {
    if (!s.empty() && s.front() == '#') {
        if (s.size() != 7) return false;
        int v[6];
        for (int i = 0; i < 6; ++i) {
            v[i] = hexDigit(s[i + 1]);
            if (v[i] < 0) return false;
        }
        out = Colour{static_cast<std::uint8_t>(v[0] * 16 + v[1]),
                     static_cast<std::uint8_t>(v[2] * 16 + v[3]),
                     static_cast<std::uint8_t>(v[4] * 16 + v[5])};
        return true;
    }
    std::array<int, 3> ch{};
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = s.find(',');
        if ((i < 2) != (comma != std::string_view::npos)) return false;
        const std::string_view part = trim(s.substr(0, comma));
        if (!parseDecimal(part, ch[i]) || ch[i] > 255) return false;
        s = i < 2 ? s.substr(comma + 1) : std::string_view{};
    }
    out = Colour{static_cast<std::uint8_t>(ch[0]), static_cast<std::uint8_t>(ch[1]),
                 static_cast<std::uint8_t>(ch[2])};
    return true;
}

// Points with up to two decimals, "9" or "8.25", as hundredths.
bool parsePoints(std::string_view s, int& hundredths) {
    const std::size_t dot = s.find('.');
    int whole = 0;
    int frac = 0;
    if (!parseDecimal(s.substr(0, dot), whole) || whole > 1000) return false;
    if (dot != std::string_view::npos) {
        const std::string_view f = s.substr(dot + 1);
        if (f.empty() || f.size() > 2 || !parseDecimal(f, frac)) return false;
        if (f.size() == 1) frac *= 10;
    }
    hundredths = whole * 100 + frac;
    return true;
}

bool isFaceName(std::string_view s) {
    if (s.empty() || s.size() > 31) return false;
    for (char c : s) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == ' ' || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

// "Face, size[, bold|regular]".
bool parseFont(std::string_view s, FontSpec& out) {
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t comma = s.find(',');
        parts.push_back(trim(s.substr(0, comma)));
        if (comma == std::string_view::npos) break;
        s = s.substr(comma + 1);
    }
    if (parts.size() < 2 || parts.size() > 3) return false;
    FontSpec f;
    if (!isFaceName(parts[0])) return false;
    f.face = std::string(parts[0]);
    if (!parsePoints(parts[1], f.hundredthsOfPoint)) return false;
    if (f.hundredthsOfPoint < 600 || f.hundredthsOfPoint > 7200) return false;
    if (parts.size() == 3) {
        if (parts[2] == "bold") {
            f.bold = true;
        } else if (parts[2] != "regular") {
            return false;
        }
    }
    out = std::move(f);
    return true;
}

core::Error lineError(core::ErrorCode code, std::size_t lineNo, std::size_t offset,
                      const std::string& what) {
    return core::makeError(code, "skin line " + std::to_string(lineNo) + ": " + what, offset);
}

// Fills the optional colours that a skin left out from the ones it gave.
void resolveDefaults(Skin& s, const std::vector<bool>& seen) {
    auto missing = [&seen](std::string_view section, std::string_view key) {
        return !seen[keyIndex(section, key)];
    };
    ButtonStyle& b = s.button;
    if (missing("button", "face_hot")) b.faceHot = mix(b.face, kWhite, 12);
    if (missing("button", "face_pressed")) b.facePressed = mix(b.face, kBlack, 20);
    if (missing("button", "face_disabled")) b.faceDisabled = mix(b.face, s.window.background, 50);
    if (missing("button", "text_disabled")) b.textDisabled = mix(b.text, b.faceDisabled, 55);
    if (missing("button", "focus")) b.focus = b.border;
    if (missing("button", "accent_face")) b.accentFace = b.face;
    if (missing("button", "accent_text")) b.accentText = b.text;
    if (missing("list", "header_border")) s.list.headerBorder = s.frame.border;
    if (missing("label", "text")) s.label.text = s.window.text;
    if (missing("label", "link")) s.label.link = s.label.text;
}

}  // namespace

bool isSafeImageName(std::string_view name) {
    if (name.empty() || name.size() > 100) return false;
    if (name.front() == '/' || name.front() == '\\') return false;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == ' ' || c == '.' || c == '_' || c == '-' || c == '/' || c == '\\';
        if (!ok) return false;  // also rejects ':' (drives, streams)
    }
    // No component may be "..".
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "..") return false;
        start = end + 1;
    }
    if (name.size() < 5) return false;
    std::string ext(name.substr(name.size() - 4));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".bmp";
}

core::Result<Skin> parseSkin(std::string_view text) {
    if (text.size() > kMaxSkinFileBytes) {
        return core::makeError(core::ErrorCode::TooLarge, "skin file larger than 64 KiB");
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    Skin skin;
    std::vector<bool> seen(kKeys.size(), false);
    std::string section;
    std::size_t lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        ++lineNo;
        const std::size_t lineStart = pos;
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxLineBytes) {
            return lineError(core::ErrorCode::Corrupt, lineNo, lineStart, "line too long");
        }
        for (char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && c != '\t') || u == 0x7F) {
                return lineError(core::ErrorCode::Corrupt, lineNo, lineStart, "control character");
            }
        }
        line = trim(line);
        if (line.empty() || line.front() == '#' || line.front() == ';') continue;

        if (line.front() == '[') {
            if (line.back() != ']') {
                return lineError(core::ErrorCode::Corrupt, lineNo, lineStart, "unterminated section");
            }
            const std::string_view name = trim(line.substr(1, line.size() - 2));
            if (!isName(name) || !knownSection(name)) {
                return lineError(core::ErrorCode::Corrupt, lineNo, lineStart,
                                 "unknown section [" + std::string(name) + "]");
            }
            section = std::string(name);
            continue;
        }

        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            return lineError(core::ErrorCode::Corrupt, lineNo, lineStart, "expected key = value");
        }
        if (section.empty()) {
            return lineError(core::ErrorCode::Corrupt, lineNo, lineStart, "key outside a section");
        }
        const std::string_view key = trim(line.substr(0, eq));
        const std::string_view raw = trim(line.substr(eq + 1));
        const std::size_t idx = isName(key) ? keyIndex(section, key) : kKeys.size();
        if (idx == kKeys.size()) {
            return lineError(core::ErrorCode::Corrupt, lineNo, lineStart,
                             "unknown key '" + std::string(key) + "' in [" + section + "]");
        }
        if (seen[idx]) {
            return lineError(core::ErrorCode::Corrupt, lineNo, lineStart,
                             "duplicate key '" + std::string(key) + "'");
        }
        const KeyDef& def = kKeys[idx];
        Value v;
        bool ok = false;
        switch (def.kind) {
            case Kind::Colour:
                ok = parseColour(raw, v.colour);
                break;
            case Kind::Integer:
                ok = parseDecimal(raw, v.integer) && v.integer >= def.min && v.integer <= def.max;
                break;
            case Kind::Text:
                ok = !raw.empty() && raw.size() <= 128;
                v.text = std::string(raw);
                break;
            case Kind::Font:
                ok = parseFont(raw, v.font);
                break;
            case Kind::Image:
                ok = isSafeImageName(raw);
                v.text = std::string(raw);
                break;
        }
        if (!ok) {
            return lineError(core::ErrorCode::Corrupt, lineNo, lineStart,
                             "bad value for '" + std::string(key) + "'");
        }
        def.store(skin, v);
        seen[idx] = true;
    }

    for (std::size_t i = 0; i < kKeys.size(); ++i) {
        if (kKeys[i].required && !seen[i]) {
            return core::makeError(core::ErrorCode::Corrupt,
                                   "skin misses [" + std::string(kKeys[i].section) + "] " +
                                       std::string(kKeys[i].key));
        }
    }
    if (skin.format != kSkinFormat) {
        return core::makeError(core::ErrorCode::Unsupported,
                               "skin format " + std::to_string(skin.format) + " is not supported");
    }
    resolveDefaults(skin, seen);
    return skin;
}

core::Result<Skin> loadSkinFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        return core::makeError(core::ErrorCode::NotFound, "no skin file");
    }
    if (!std::filesystem::is_regular_file(status)) {
        return core::makeError(core::ErrorCode::IoError, "skin path is not a file");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return core::makeError(core::ErrorCode::IoError, "cannot open skin file");
    std::string text;
    text.resize(kMaxSkinFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return core::makeError(core::ErrorCode::IoError, "cannot read skin file");
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxSkinFileBytes) {
        return core::makeError(core::ErrorCode::TooLarge, "skin file larger than 64 KiB");
    }
    return parseSkin(text);
}

}  // namespace skin
