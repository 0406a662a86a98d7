#pragma once
// Conversion between UTF-8, the text form of the portable code, and an 8-bit ANSI code page, the
// text form of project files. The Windows build asks the system for its ANSI code page; natively
// Windows-1252 stands for it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace filelist {

class CodePage {
public:
    virtual ~CodePage() = default;

    // The code page number (1252, 936, ...).
    virtual unsigned number() const = 0;

    // Decodes ANSI bytes; every byte sequence decodes to something.
    virtual std::string toUtf8(std::string_view ansi) const = 0;

    // Encodes UTF-8 text; nullopt when some character has no exact form in this code page (no
    // best-fit substitutes, no default character) or the text is not valid UTF-8.
    virtual std::optional<std::string> fromUtf8(std::string_view utf8) const = 0;
};

// Windows-1252 exactly as the system converts it: the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same number, so every
// byte survives a round trip.
class Windows1252 final : public CodePage {
public:
    unsigned number() const override { return 1252; }
    std::string toUtf8(std::string_view ansi) const override;
    std::optional<std::string> fromUtf8(std::string_view utf8) const override;
};

// The system's ANSI code page (Windows-1252 outside Windows).
const CodePage& systemCodePage();

// UTF-8 helpers.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[pos] and advances pos past it; an invalid or truncated
// sequence yields kReplacementCharacter and advances by one byte.
char32_t nextCodePoint(std::string_view text, std::size_t& pos, bool* valid = nullptr);

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(std::string_view text);

// Replaces every invalid sequence with U+FFFD.
std::string sanitizeUtf8(std::string_view text);

// Number of code points (an invalid byte counts as one).
std::size_t countCodePoints(std::string_view text);

}  // namespace filelist
