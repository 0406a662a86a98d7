#pragma once
// A Windows code page converted by the system (MultiByteToWideChar and WideCharToMultiByte).

#include "filelist/code_page.h"

namespace filelist {

class SystemConvertedCodePage final : public CodePage {
public:
    explicit SystemConvertedCodePage(unsigned number) : m_number(number) {}
    unsigned number() const override { return m_number; }
    std::string toUtf8(std::string_view ansi) const override;
    // Refuses best-fit substitutes and the default character: only an exact round trip counts.
    std::optional<std::string> fromUtf8(std::string_view utf8) const override;

private:
    unsigned m_number;
};

}  // namespace filelist
