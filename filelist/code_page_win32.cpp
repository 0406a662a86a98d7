#include "filelist/code_page_win32.h"

#include <windows.h>

#include "ui/text_win32.h"

namespace filelist {
namespace {

std::wstring decode(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

}  // namespace

std::string SystemConvertedCodePage::toUtf8(std::string_view ansi) const {
    if (m_number == CP_UTF8) return sanitizeUtf8(ansi);
    return ui::narrow(decode(m_number, ansi));
}

std::optional<std::string> SystemConvertedCodePage::fromUtf8(std::string_view utf8) const {
    if (!isValidUtf8(utf8)) return std::nullopt;
    if (m_number == CP_UTF8) return std::string(utf8);
    if (utf8.empty()) return std::string();
    const std::wstring wide = ui::widen(utf8);
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(m_number, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(m_number, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        out.data(), n, nullptr, &usedDefault);
    if (usedDefault) return std::nullopt;
    // Some code pages map several characters to one byte sequence; only what decodes back to
    // the same text is exact.
    if (decode(m_number, out) != wide) return std::nullopt;
    return out;
}

const CodePage& systemCodePage() {
    static const SystemConvertedCodePage cp(GetACP());
    return cp;
}

}  // namespace filelist
