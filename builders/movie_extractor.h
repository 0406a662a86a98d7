#pragma once
// "EXE To SWF" (EraseDisc_Click, and Command4_Click from the button): takes the movie back out
// of a projector executable and saves it as an SWF file chosen through two file dialogs.
//
// Where the movie is: when the file ends with a valid projector trailer (the magic, and a length
// L whose L bytes in front of the trailer begin with an SWF signature) exactly those L bytes.
// Otherwise the signature "FWS" or "CWS" is searched in six fixed windows, tried in order, and
// everything from the first hit to the end of the file is the movie.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "builders/c_file_dialog.h"
#include "ui/file_system.h"
#include "ui/ui.h"

namespace builders {

// The candidates c of the search windows, in the order they are tried; window k covers the
// positions c - 1 to c + 199 (kWindowPositions positions).
inline constexpr std::array<std::size_t, 6> kSearchWindowCandidates = {90100, 94200, 102450,
                                                                       286700, 290800, 376800};
inline constexpr std::size_t kWindowPositions = 201;
// A position p is tested only while p < file length - kTailMargin.
inline constexpr std::size_t kTailMargin = 20;
// Files shorter than this hold no testable position.
inline constexpr std::size_t kShortestSearchedFile = kSearchWindowCandidates[0] - 1 + kTailMargin + 1;

inline constexpr const char* kExtractSuccess = "\xE8\xBD\xAC\xE6\x8D\xA2\xE6\x88\x90\xE5\x8A\x9F";  // 转换成功
inline constexpr const char* kExeFileError = ", EXE File Error";
inline constexpr const char* kNoMovieFound = "No Flash movie was found in ";

struct MovieLocation {
    enum class Source { Trailer, Window };
    Source source = Source::Window;
    std::size_t offset = 0;
    std::size_t length = 0;
    int window = 0;  // 1..6 for a window hit, 0 for the trailer
};

// Finds the movie in an executable's bytes. pump is called before each position is tested (the
// window processes pending messages); it may be empty.
std::optional<MovieLocation> locateMovie(std::string_view file, const std::function<void()>& pump);

// The outcome of Exe2Swf.
struct Extraction {
    enum class Result { Written, ReadFailed, NotFound, WriteFailed };
    Result result = Result::NotFound;
    MovieLocation location;
    std::string message;  // for ReadFailed and WriteFailed: the file and the reason
    bool written() const { return result == Result::Written; }
};

// Reads InFile whole, locates the movie and writes it to OutFile (atomically, so a longer
// existing target is replaced by exactly the movie). Nothing is written unless a movie is found.
// Shared by the window's command and by `flashsaver extract`.
Extraction extractMovieFile(std::string_view InFile, std::string_view OutFile, ui::FileSystem& files,
                            const std::function<void()>& pump);

// Appends ".swf" to a save-dialog name whose last component has no extension.
std::string withSwfExtension(std::string_view fileName);

struct ExtractorContext {
    ui::Ui& ui;
    ui::FileSystem& files;
    FileDialogSystem& dialogs;
    std::uintptr_t ownerWindow = 0;
};

enum class ExtractOutcome { Cancelled, Extracted, NotFound, Failed };

class MovieExtractor {
public:
    explicit MovieExtractor(ExtractorContext context) : m_c(context) {}

    // The open dialog for the executable, the save dialog for the movie, the extraction and its
    // message: "转换成功" (no icon) when written, "No Flash movie was found in ..." (information)
    // when nothing was found, the reason followed by ", EXE File Error" (critical) on a failure.
    // Either dialog cancelled ends the command without a message.
    ExtractOutcome EraseDisc_Click();
    ExtractOutcome Command4_Click() { return EraseDisc_Click(); }

    // The extraction with the window's message pump between the tested positions.
    Extraction Exe2Swf(std::string_view InFile, std::string_view OutFile);

private:
    ExtractOutcome report(const std::string& description);

    ExtractorContext m_c;
};

}  // namespace builders
