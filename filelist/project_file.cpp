#include "filelist/project_file.h"

namespace filelist {
namespace {

// Splits one line at its tabs into a row: fields 0 to 3, the rest dropped.
Row rowFromLine(std::string_view line) {
    Row row;
    std::size_t start = 0;
    for (std::size_t k = 0; k < kColumnCount; ++k) {
        const std::size_t tab = line.find('\t', start);
        const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
        row.cells[k].assign(line.substr(start, end - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return row;
}

}  // namespace

ProjectBytes writeProject(const std::vector<Row>& rows, const CodePage& codePage) {
    std::string text;
    std::size_t total = 0;
    for (const Row& row : rows) {
        for (const std::string& c : row.cells) total += c.size() + 1;
        total += 1;
    }
    text.reserve(total);
    for (const Row& row : rows) {
        for (std::size_t k = 0; k < kColumnCount; ++k) {
            if (k > 0) text += '\t';
            text += row.cells[k];
        }
        text += "\r\n";
    }
    if (text.empty()) return {};

    // ANSI when everything fits, unless the bytes would begin like a byte-order mark (a first
    // path starting with the three characters U+00EF U+00BB U+00BF in Windows-1252) and so be
    // read back as UTF-8.
    if (std::optional<std::string> ansi = codePage.fromUtf8(text)) {
        if (!std::string_view(*ansi).starts_with(kUtf8Bom)) {
            return ProjectBytes{std::move(*ansi), ProjectEncoding::Ansi};
        }
    }
    ProjectBytes out;
    out.encoding = ProjectEncoding::Utf8;
    out.bytes.reserve(kUtf8Bom.size() + text.size());
    out.bytes += kUtf8Bom;
    out.bytes += text;
    return out;
}

std::vector<Row> readProject(std::string_view bytes, const CodePage& codePage) {
    std::string text;
    if (bytes.starts_with(kUtf8Bom)) {
        text = sanitizeUtf8(bytes.substr(kUtf8Bom.size()));
    } else {
        text = codePage.toUtf8(bytes);
    }

    std::vector<Row> rows;
    const std::string_view all(text);
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t cr = all.find('\r', pos);
        const std::size_t end = cr == std::string_view::npos ? all.size() : cr;
        const std::string_view line = all.substr(pos, end - pos);
        if (!line.empty()) rows.push_back(rowFromLine(line));
        if (cr == std::string_view::npos) break;
        pos = cr + 1;
        if (pos < all.size() && all[pos] == '\n') ++pos;
    }
    return rows;
}

}  // namespace filelist
