// A small forward-only reader of the text field HTML subset (see html_text.h). Tags nest on a
// stack of formats; a closing tag pops back to its opening tag, and a closing tag without one
// is ignored, so malformed markup still gives text.
#include "player/html_text.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "player/font.h"

namespace player {

void StyledText::append(const std::u32string& s, const TextFormat& f) {
    if (s.empty()) return;
    if (formats.empty() || !(formats.back() == f)) formats.push_back(f);
    const auto index = static_cast<std::uint32_t>(formats.size() - 1);
    text += s;
    formatOf.insert(formatOf.end(), s.size(), index);
}

StyledText plainText(const std::u32string& text, const TextFormat& format) {
    std::u32string t;
    t.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U'\r') {
            t += U'\n';
            if (i + 1 < text.size() && text[i + 1] == U'\n') ++i;
        } else {
            t += text[i];
        }
    }
    StyledText out;
    out.append(t, format);
    return out;
}

namespace {

constexpr std::size_t kMaxNesting = 256;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Tag {
    std::string name;  // lower case, without '/'
    bool closing = false;
    std::vector<std::pair<std::string, std::string>> attributes;  // names in lower case

    const std::string* attribute(const std::string& n) const {
        for (const auto& [k, v] : attributes)
            if (k == n) return &v;
        return nullptr;
    }
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Reads the tag from `s[i]` ('<') to its '>'; `i` ends past it.
Tag readTag(const std::string& s, std::size_t& i) {
    Tag t;
    ++i;
    if (i < s.size() && s[i] == '/') {
        t.closing = true;
        ++i;
    }
    while (i < s.size() && !isSpace(s[i]) && s[i] != '>' && s[i] != '/') t.name += s[i++];
    t.name = lower(t.name);
    while (i < s.size() && s[i] != '>') {
        if (isSpace(s[i]) || s[i] == '/') {
            ++i;
            continue;
        }
        std::string key, value;
        while (i < s.size() && !isSpace(s[i]) && s[i] != '=' && s[i] != '>') key += s[i++];
        while (i < s.size() && isSpace(s[i])) ++i;
        if (i < s.size() && s[i] == '=') {
            ++i;
            while (i < s.size() && isSpace(s[i])) ++i;
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                const char q = s[i++];
                while (i < s.size() && s[i] != q) value += s[i++];
                if (i < s.size()) ++i;
            } else {
                while (i < s.size() && !isSpace(s[i]) && s[i] != '>') value += s[i++];
            }
        }
        if (!key.empty()) t.attributes.emplace_back(lower(key), value);
    }
    if (i < s.size()) ++i;  // '>'
    return t;
}

// Reads an entity at `s[i]` ('&'); returns its character and moves `i` past it, or returns '&'
// alone when it is not one.
char32_t readEntity(const std::string& s, std::size_t& i) {
    const std::size_t semi = s.find(';', i);
    if (semi == std::string::npos || semi - i > 10) {
        ++i;
        return U'&';
    }
    const std::string name = s.substr(i + 1, semi - i - 1);
    char32_t c = 0;
    if (name == "lt") c = U'<';
    else if (name == "gt") c = U'>';
    else if (name == "amp") c = U'&';
    else if (name == "quot") c = U'"';
    else if (name == "apos") c = U'\'';
    else if (name == "nbsp") c = 0xA0;
    else if (name.size() > 1 && name[0] == '#') {
        const bool hex = name[1] == 'x' || name[1] == 'X';
        const std::string digits = name.substr(hex ? 2 : 1);
        char* end = nullptr;
        const unsigned long v = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
        if (!digits.empty() && end && *end == 0 && v > 0 && v <= 0x10FFFF) c = static_cast<char32_t>(v);
    }
    if (c == 0) {
        ++i;
        return U'&';
    }
    i = semi + 1;
    return c;
}

bool parseColor(const std::string& v, swf::Rgba& out) {
    if (v.size() != 7 || v[0] != '#') return false;
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(v.c_str() + 1, &end, 16);
    if (!end || *end != 0) return false;
    out.r = static_cast<std::uint8_t>(rgb >> 16);
    out.g = static_cast<std::uint8_t>(rgb >> 8);
    out.b = static_cast<std::uint8_t>(rgb);
    return true;
}

// Sizes are in points (pixels at 100%); "+n" and "-n" are relative to the current size.
void applySize(const std::string& v, TextFormat& f) {
    if (v.empty()) return;
    char* end = nullptr;
    const long n = std::strtol(v.c_str(), &end, 10);
    if (end == v.c_str()) return;
    float px = (v[0] == '+' || v[0] == '-') ? f.size / 20.0f + static_cast<float>(n) : static_cast<float>(n);
    px = std::clamp(px, 1.0f, 1000.0f);
    f.size = px * 20.0f;
}

class HtmlReader {
public:
    explicit HtmlReader(const TextFormat& base) { m_stack.push_back({"", base}); }

    StyledText run(const std::string& html) {
        std::size_t i = 0;
        std::u32string pending;
        while (i < html.size()) {
            const char c = html[i];
            if (c == '<') {
                flush(pending);
                tag(readTag(html, i));
            } else if (c == '&') {
                pending += readEntity(html, i);
            } else {
                // One UTF-8 sequence at a time.
                std::size_t n = 1;
                while (i + n < html.size() && (static_cast<unsigned char>(html[i + n]) & 0xC0) == 0x80) ++n;
                std::u32string cp = decodeUtf8(html.substr(i, n));
                for (char32_t ch : cp) pending += ch == U'\r' ? U'\n' : ch;
                i += n;
            }
        }
        flush(pending);
        // The last paragraph's end adds no empty line.
        if (m_trailingBreak && !m_out.text.empty() && m_out.text.back() == U'\n') {
            m_out.text.pop_back();
            m_out.formatOf.pop_back();
        }
        return std::move(m_out);
    }

private:
    struct Open {
        std::string name;
        TextFormat format;
    };

    const TextFormat& current() const { return m_stack.back().format; }

    void flush(std::u32string& pending) {
        if (pending.empty()) return;
        m_out.append(pending, current());
        m_trailingBreak = false;
        pending.clear();
    }

    bool atLineStart() const { return m_out.text.empty() || m_out.text.back() == U'\n'; }

    void breakLine(const TextFormat& f) {
        m_out.append(U"\n", f);
    }

    void push(const std::string& name, const TextFormat& f) {
        if (m_stack.size() >= kMaxNesting) return;
        m_stack.push_back({name, f});
    }

    // Pops back to the innermost open tag called `name`; returns its format, or null.
    bool pop(const std::string& name, TextFormat* closed = nullptr) {
        for (std::size_t k = m_stack.size(); k-- > 1;) {
            if (m_stack[k].name == name) {
                if (closed) *closed = m_stack[k].format;
                m_stack.resize(k);
                return true;
            }
        }
        return false;
    }

    void tag(const Tag& t) {
        TextFormat f = current();
        if (t.closing) {
            TextFormat closed;
            if ((t.name == "p" || t.name == "li") && pop(t.name, &closed)) {
                breakLine(closed);
                m_trailingBreak = true;
            } else {
                pop(t.name);
            }
            return;
        }
        if (t.name == "br") {
            breakLine(f);
            return;
        }
        if (t.name == "b") f.bold = true;
        else if (t.name == "i") f.italic = true;
        else if (t.name == "u") f.underline = true;
        else if (t.name == "font") {
            if (const std::string* v = t.attribute("color")) parseColor(*v, f.color);
            if (const std::string* v = t.attribute("size")) applySize(*v, f);
            if (const std::string* v = t.attribute("face")) f.face = *v;
        } else if (t.name == "p") {
            if (!atLineStart()) breakLine(f);
            if (const std::string* v = t.attribute("align")) {
                const std::string a = lower(*v);
                f.align = a == "right" ? TextAlign::Right
                          : a == "center" ? TextAlign::Center
                          : a == "justify" ? TextAlign::Justify
                                           : TextAlign::Left;
            }
        } else if (t.name == "li") {
            if (!atLineStart()) breakLine(f);
            f.bullet = true;
        } else {
            return;  // unknown tags have no closing counterpart on the stack
        }
        push(t.name, f);
    }

    std::vector<Open> m_stack;
    StyledText m_out;
    bool m_trailingBreak = false;
};

}  // namespace

StyledText parseHtml(const std::string& html, const TextFormat& base) {
    return HtmlReader(base).run(html);
}

}  // namespace player
