#pragma once
// Project files (".Kvx"): the movie list on disk, one line per row in list order, the row's four
// cells separated by tabs, every line ended by CR LF, no header or trailer.
//
// The text is in the system's ANSI code page whenever every character of every cell has a form
// there; otherwise the whole file is UTF-8 behind a byte-order mark, so that nothing is lost. The
// reader takes a UTF-8 byte-order mark as UTF-8 and anything else as the ANSI code page.

#include <string>
#include <string_view>
#include <vector>

#include "filelist/code_page.h"
#include "filelist/movie_list.h"

namespace filelist {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

enum class ProjectEncoding { Ansi, Utf8 };

struct ProjectBytes {
    std::string bytes;
    ProjectEncoding encoding = ProjectEncoding::Ansi;
};

// The file content for rows. An empty list gives 0 bytes.
ProjectBytes writeProject(const std::vector<Row>& rows, const CodePage& codePage);

// The rows of a project file. A line ends at CR LF or at a lone CR; a lone LF stays in the text;
// the last line counts whether or not it is ended. Fields after the fourth are dropped, missing
// ones are empty, empty lines give no row. Invalid UTF-8 after a byte-order mark becomes U+FFFD.
std::vector<Row> readProject(std::string_view bytes, const CodePage& codePage);

}  // namespace filelist
