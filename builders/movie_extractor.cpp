#include "builders/movie_extractor.h"

#include "builders/output_name.h"
#include "builders/projector_layout.h"

namespace builders {

static_assert(kShortestSearchedFile == 90120, "the first window's first position with the tail margin after it");

namespace {

bool windowSignatureAt(std::string_view file, std::size_t p) {
    return (file[p] == 'F' || file[p] == 'C') && file[p + 1] == 'W' && file[p + 2] == 'S';
}

}  // namespace

std::optional<MovieLocation> locateMovie(std::string_view file, const std::function<void()>& pump) {
    if (const std::optional<std::string_view> movie = trailerMovie(file);
        movie && startsWithSwfSignature(*movie)) {
        MovieLocation at;
        at.source = MovieLocation::Source::Trailer;
        at.offset = static_cast<std::size_t>(movie->data() - file.data());
        at.length = movie->size();
        return at;
    }
    int window = 0;
    for (const std::size_t c : kSearchWindowCandidates) {
        ++window;
        for (std::size_t p = c - 1; p < c - 1 + kWindowPositions; ++p) {
            if (pump) pump();
            // The tail margin ends the whole search; later windows lie further on.
            if (file.size() <= kTailMargin || p >= file.size() - kTailMargin) return std::nullopt;
            if (windowSignatureAt(file, p)) {
                MovieLocation at;
                at.source = MovieLocation::Source::Window;
                at.offset = p;
                at.length = file.size() - p;
                at.window = window;
                return at;
            }
        }
    }
    return std::nullopt;
}

Extraction extractMovieFile(std::string_view InFile, std::string_view OutFile, ui::FileSystem& files,
                            const std::function<void()>& pump) {
    Extraction x;
    core::Result<std::string> bytes = files.readFile(InFile);
    if (!bytes) {
        x.result = Extraction::Result::ReadFailed;
        x.message = "Cannot read " + std::string(InFile) + ": " + bytes.error().message;
        return x;
    }
    const std::optional<MovieLocation> at = locateMovie(*bytes, pump);
    if (!at) {
        x.result = Extraction::Result::NotFound;
        return x;
    }
    x.location = *at;
    const core::Status written =
        files.replaceFile(OutFile, std::string_view(*bytes).substr(at->offset, at->length));
    if (pump) pump();
    if (!written) {
        x.result = Extraction::Result::WriteFailed;
        x.message = "Cannot write " + std::string(OutFile) + ": " + written.error().message;
        return x;
    }
    x.result = Extraction::Result::Written;
    return x;
}

std::string withSwfExtension(std::string_view fileName) {
    std::string name(fileName);
    if (name.empty()) return name;
    const std::string_view last = lastPathComponent(fileName);
    if (!last.empty() && last.find('.') == std::string_view::npos) name += ".swf";
    return name;
}

Extraction MovieExtractor::Exe2Swf(std::string_view InFile, std::string_view OutFile) {
    return extractMovieFile(InFile, OutFile, m_c.files, [this] { m_c.ui.processPendingMessages(); });
}

ExtractOutcome MovieExtractor::report(const std::string& description) {
    m_c.ui.messageBox(
        ui::MessageBoxRequest{description + kExeFileError, ui::kApplicationTitle, ui::Icon::Critical});
    return ExtractOutcome::Failed;
}

ExtractOutcome MovieExtractor::EraseDisc_Click() {
    cFileDialog open(m_c.dialogs);
    open.setflags(kOfnFileMustExist);
    open.sethwnd(m_c.ownerWindow);
    open.setCancelError(true);
    open.setFilter("Flash Type Files (*.exe)|*.exe||");
    if (const std::optional<RaisedError> e = open.ShowOpen()) return report(e->description);
    if (open.Filename().empty()) return ExtractOutcome::Cancelled;

    cFileDialog save(m_c.dialogs);
    save.setflags(kOfnOverwritePrompt);
    save.sethwnd(m_c.ownerWindow);
    // The system appends the default extension to a name typed without one.
    save.setDefaultExt("swf");
    save.setFilter("Exe Type Files (*.swf)|*.swf||");
    save.setCancelError(false);
    if (const std::optional<RaisedError> e = save.ShowSave()) return report(e->description);
    if (save.Filename().empty()) return ExtractOutcome::Cancelled;

    const std::string target = withSwfExtension(save.Filename());
    const Extraction x = Exe2Swf(open.Filename(), target);
    switch (x.result) {
    case Extraction::Result::Written:
        m_c.ui.messageBox(ui::MessageBoxRequest{kExtractSuccess, ui::kApplicationTitle, ui::Icon::None});
        return ExtractOutcome::Extracted;
    case Extraction::Result::NotFound:
        m_c.ui.messageBox(ui::MessageBoxRequest{kNoMovieFound + open.Filename() + ".",
                                                ui::kApplicationTitle, ui::Icon::Information});
        return ExtractOutcome::NotFound;
    case Extraction::Result::ReadFailed:
    case Extraction::Result::WriteFailed:
        break;
    }
    return report(x.message);
}

}  // namespace builders
