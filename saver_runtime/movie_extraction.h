#pragma once
// Start-up file work of the runtime: its own saver file read whole, copied to "gtswf.tmp" and
// its movie part written to "kpl1.swf", both in the user's temporary folder. Nothing here
// reports an error: a step that fails is skipped and the next one runs.

#include <optional>
#include <string>
#include <string_view>

namespace saver_runtime {

inline constexpr std::wstring_view kCopyFileName = L"gtswf.tmp";
inline constexpr std::wstring_view kMovieFileName = L"kpl1.swf";

// Whole-file reads and writes; the runtime implements them with Win32 calls, tests in memory.
class RuntimeFiles {
public:
    virtual ~RuntimeFiles() = default;
    virtual std::optional<std::string> readWhole(const std::wstring& path) = 0;
    // Creates the file anew (replacing an older one whole) with exactly these bytes.
    virtual bool writeWhole(const std::wstring& path, std::string_view bytes) = 0;
};

// A file name in a folder: the folder as the system gave it, with "\" added when it lacks one.
std::wstring fileInFolder(std::wstring_view folder, std::wstring_view name);

struct Extraction {
    bool copyWritten = false;
    bool movieWritten = false;
    std::size_t movieLength = 0;
    std::wstring moviePath;  // where the movie was written; empty when it was not
};

// Reads ownPath whole and writes tempFolder\gtswf.tmp (the whole file) and tempFolder\kpl1.swf
// (its movie part, empty when the file holds none). An unreadable own file gives an empty copy
// and an empty movie, so that a movie left by an earlier saver is never played instead. With no
// temporary folder nothing is written.
Extraction extractMovie(RuntimeFiles& files, const std::wstring& ownPath,
                        std::wstring_view tempFolder);

}  // namespace saver_runtime
