#include "saver_runtime/movie_extraction.h"

#include "builders/saver_layout.h"

namespace saver_runtime {

std::wstring fileInFolder(std::wstring_view folder, std::wstring_view name) {
    std::wstring path(folder);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    path += name;
    return path;
}

Extraction extractMovie(RuntimeFiles& files, const std::wstring& ownPath,
                        std::wstring_view tempFolder) {
    Extraction result;
    if (tempFolder.empty()) return result;

    std::string buffer;
    if (std::optional<std::string> own = files.readWhole(ownPath)) buffer = std::move(*own);

    const std::wstring copyPath = fileInFolder(tempFolder, kCopyFileName);
    result.copyWritten = files.writeWhole(copyPath, buffer);

    // The movie comes from the bytes just written to the copy; with no copy there is none.
    const std::string_view movie =
        result.copyWritten ? builders::saverMovie(buffer) : std::string_view();
    const std::wstring moviePath = fileInFolder(tempFolder, kMovieFileName);
    result.movieWritten = files.writeWhole(moviePath, movie);
    if (result.movieWritten) {
        result.movieLength = movie.size();
        result.moviePath = moviePath;
    }
    return result;
}

}  // namespace saver_runtime
