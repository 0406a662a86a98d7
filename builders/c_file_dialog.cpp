#include "builders/c_file_dialog.h"

namespace builders {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point from UTF-8 at s[i]; advances i. Overlong forms, surrogates and values past
// U+10FFFF read as U+FFFD, one byte at a time.
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    const int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
    if (extra < 0 || b0 > 0xF4 || i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return kReplacement;
    }
    char32_t cp = b0 & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The value followed by two NULs, as the record's string members that take it hold it.
std::u16string withTwoNuls(std::string_view value) {
    std::u16string s = toUtf16(value);
    s.push_back(u'\0');
    s.push_back(u'\0');
    return s;
}

// The text followed by NULs up to size units.
std::u16string padded(const std::u16string& text, std::size_t size) {
    std::u16string buffer = text;
    buffer.resize(size, u'\0');
    return buffer;
}

}  // namespace

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decodeUtf8(utf8, i);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::string toUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        appendUtf8(out, cp);
    }
    return out;
}

std::u16string convertFilter(std::string_view filter) {
    std::u16string out = toUtf16(filter);
    for (char16_t& c : out) {
        if (c == u':' || c == u'|') c = u'\0';
    }
    out.push_back(u'\0');
    out.push_back(u'\0');
    return out;
}

std::string TextBeforeNull(std::string_view s) {
    return std::string(s.substr(0, s.find('\0')));
}

RaisedError cFileDialog::error(std::int32_t number, const char* description) const {
    return RaisedError{number, m_system.programName() + ".cFilenDialog", description};
}

std::optional<RaisedError> cFileDialog::setFilename(std::string_view sFilename) {
    if (toUtf16(sFilename).size() > kFileBufferSize) {
        return error(kErrInvalidArgument, kInvalidArgumentDescription);
    }
    m_filename = sFilename;
    return std::nullopt;
}

void cFileDialog::setFilter(std::string_view sFilter) {
    m_filter = sFilter;
    m_record.lpstrFilter = convertFilter(sFilter);
}

void cFileDialog::setDefaultExt(std::string_view sDefaultExt) {
    m_defaultExt = sDefaultExt;
    m_record.lpstrDefExt = withTwoNuls(sDefaultExt);
}

void cFileDialog::setInitDir(std::string_view vNewValue) {
    m_initDir = vNewValue;
    m_record.lpstrInitialDir = withTwoNuls(vNewValue);
}

std::optional<RaisedError> cFileDialog::prepareBuffers(std::size_t size) {
    const std::u16string file = toUtf16(m_filename);
    const std::u16string title = toUtf16(m_fileTitle);
    // The buffers must keep at least one NUL after the text, or the system reads past them.
    if (file.size() >= size || title.size() >= size) {
        return error(kErrInvalidArgument, kInvalidArgumentDescription);
    }
    m_record.lpstrFile = padded(file, size);
    m_record.nMaxFile = static_cast<std::uint32_t>(size);
    m_record.lpstrFileTitle = padded(title, size);
    m_record.nMaxFileTitle = static_cast<std::uint32_t>(size);
    return std::nullopt;
}

std::optional<RaisedError> cFileDialog::ShowOpen() {
    std::uint32_t flags = static_cast<std::uint32_t>(m_flags);
    std::size_t size = kFileBufferSize;
    if (flags & kOfnAllowMultiSelect) {
        size = kMultiSelectBufferSize;
        flags |= kOfnExplorer;
    }
    if (std::optional<RaisedError> e = prepareBuffers(size)) return e;
    m_record.Flags = flags;
    if (!m_system.getOpenFileName(m_record)) return std::nullopt;
    if (m_record.Flags & kOfnAllowMultiSelect) {
        m_filename = toUtf8(m_record.lpstrFile);
    } else {
        m_filename = TextBeforeNull(toUtf8(m_record.lpstrFile));
    }
    return std::nullopt;
}

std::optional<RaisedError> cFileDialog::ShowSave() {
    if (std::optional<RaisedError> e = prepareBuffers(kFileBufferSize)) return e;
    m_record.Flags = static_cast<std::uint32_t>(m_flags);
    if (!m_system.getSaveFileName(m_record)) {
        if (m_cancelError) return error(kErrCancel, kCancelDescription);
        return std::nullopt;
    }
    m_filename = TextBeforeNull(toUtf8(m_record.lpstrFile));
    return std::nullopt;
}

std::optional<RaisedError> cFileDialog::ParseMultiFileName(std::string& sDir, std::vector<std::string>& sFiles,
                                                           std::int32_t& lFileCount) const {
    const std::string_view name = m_filename;
    const std::size_t a = name.find(std::string_view("\0\0", 2));
    if (a == std::string_view::npos || lFileCount < 0) {
        return error(kErrInvalidArgument, kInvalidArgumentDescription);
    }
    const std::string_view all = name.substr(0, a);

    std::size_t p = all.find('\0');
    if (p == std::string_view::npos) {
        // One file: all is its full path; the folder keeps its trailing "\".
        lFileCount = 1;
        sFiles.assign(1, std::string());
        const std::size_t b = name.rfind('\\');
        if (b == std::string_view::npos) {
            sDir.clear();
            sFiles[0] = std::string(all);
        } else {
            sDir = std::string(name.substr(0, b + 1));
            sFiles[0] = TextBeforeNull(name.substr(b + 1));
        }
        return std::nullopt;
    }
    sDir = std::string(all.substr(0, p));
    while (p != std::string_view::npos) {
        const std::size_t q = all.find('\0', p + 1);
        ++lFileCount;
        sFiles.resize(static_cast<std::size_t>(lFileCount));
        sFiles.back() = std::string(q == std::string_view::npos ? all.substr(p + 1) : all.substr(p + 1, q - p - 1));
        p = q;
    }
    return std::nullopt;
}

}  // namespace builders
