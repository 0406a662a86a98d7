// Fuzz target: the project file reader. Any bytes must load without a fault, and the rows read
// must survive a write and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "filelist/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const filelist::Windows1252 cp;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<filelist::Row> rows = filelist::readProject(bytes, cp);
    for (const filelist::Row& row : rows) {
        for (const std::string& cell : row.cells) {
            if (!filelist::isValidUtf8(cell)) std::abort();
            if (cell.find('\r') != std::string::npos || cell.find('\t') != std::string::npos) {
                std::abort();
            }
        }
    }
    const filelist::ProjectBytes written = filelist::writeProject(rows, cp);
    if (filelist::readProject(written.bytes, cp) != rows) std::abort();
    return 0;
}
