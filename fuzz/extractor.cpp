// Fuzz target: the movie extractor. The input describes a sparse executable so that small inputs
// reach the search windows far into a file: two bytes give the file length in units of 8 bytes,
// two more the offset where the rest of the input is placed (over a zero-filled file), and a
// final byte whether the input is instead appended at the end (to make trailers). What was found
// must be consistent with the file, and what Exe2Swf writes must be exactly that slice.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "builders/movie_extractor.h"
#include "builders/projector_layout.h"
#include "tests/ui/fake_file_system.h"
#include "tests/ui/fake_ui.h"

namespace {

bool signatureAt(const std::string& f, std::size_t p) {
    return p + 2 < f.size() && (f[p] == 'F' || f[p] == 'C') && f[p + 1] == 'W' && f[p + 2] == 'S';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const std::size_t length = (static_cast<std::size_t>(data[0]) | (static_cast<std::size_t>(data[1]) << 8)) * 8;
    const std::size_t at = 88000 + (static_cast<std::size_t>(data[2]) | (static_cast<std::size_t>(data[3]) << 8)) * 5;
    const bool append = data[4] & 1;
    const std::string_view rest(reinterpret_cast<const char*>(data + 5), size - 5);
    std::string file(length, '\0');
    if (append) {
        file.append(rest);
    } else {
        if (file.size() < at + rest.size()) file.resize(at + rest.size(), '\0');
        file.replace(at, rest.size(), rest);
    }

    int pumps = 0;
    const std::optional<builders::MovieLocation> found = builders::locateMovie(file, [&] { ++pumps; });
    if (pumps > static_cast<int>(builders::kSearchWindowCandidates.size() * builders::kWindowPositions)) std::abort();
    if (found) {
        if (found->offset > file.size() || found->length > file.size() - found->offset) std::abort();
        if (found->source == builders::MovieLocation::Source::Trailer) {
            const std::optional<std::string_view> movie = builders::trailerMovie(file);
            if (!movie || !builders::startsWithSwfSignature(*movie)) std::abort();
            if (found->offset + found->length + builders::kProjectorTrailerSize != file.size()) std::abort();
        } else {
            if (!signatureAt(file, found->offset) || found->offset + builders::kTailMargin >= file.size()) {
                std::abort();
            }
            if (found->length != file.size() - found->offset) std::abort();
            // No earlier position, in the order the windows are tried, holds a signature.
            for (int w = 0; w < found->window; ++w) {
                const std::size_t first = builders::kSearchWindowCandidates[static_cast<std::size_t>(w)] - 1;
                for (std::size_t p = first; p < first + builders::kWindowPositions; ++p) {
                    if (w + 1 == found->window && p >= found->offset) break;
                    if (signatureAt(file, p)) std::abort();
                }
            }
        }
    }

    ui::testing::FakeFileSystem fs;
    fs.add("in.exe", file);
    const builders::Extraction x = builders::extractMovieFile("in.exe", "out.swf", fs, {});
    if (x.written() != found.has_value()) std::abort();
    if (found) {
        if (fs.files.at("out.swf").bytes != std::string_view(file).substr(found->offset, found->length)) std::abort();
    } else if (fs.files.count("out.swf") != 0) {
        std::abort();
    }
    return 0;
}
