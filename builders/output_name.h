#pragma once
// Output names of the builders: the movie's file name as the file system lists it, cut before
// its first ".", the builder's extension appended and the output folder put in front.

#include <optional>
#include <string>
#include <string_view>

namespace builders {

inline constexpr std::string_view kSaverExtension = ".Scr";

// Looks up the name under which the file system lists an existing file.
class FileLookup {
public:
    virtual ~FileLookup() = default;
    // The last path component of an existing normal file (not a folder, not hidden, not a
    // system file) as stored on disk, which may differ in case from the path; nullopt when
    // there is no such file.
    virtual std::optional<std::string> listedName(std::string_view path) = 0;
};

// The system's lookup: FindFirstFileW on Windows, stat on POSIX.
FileLookup& nativeFileLookup();

// The last component of a path; both "\" and "/" separate components.
std::string_view lastPathComponent(std::string_view path);

// outputFolder + the part of listedName before its first "." + extension; nullopt when the
// name holds no "." (such a movie gets no output file).
std::optional<std::string> outputName(std::string_view outputFolder, std::string_view listedName,
                                      std::string_view extension);

// True when the path holds a character that the Windows lookup would take as a wildcard
// ("*" or "?"); such a path could list some other file, so it names none.
bool hasWildcard(std::string_view path);

}  // namespace builders
