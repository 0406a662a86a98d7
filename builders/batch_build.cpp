#include "builders/batch_build.h"

#include <optional>

#include "builders/build_progress.h"

namespace builders {

OutputWrite writeOutputFor(const OutputKind& kind, std::string_view moviePath,
                           std::string_view outputFolder, std::string_view image,
                           ui::FileSystem& files, FileLookup& lookup, std::string& scratch) {
    OutputWrite w;
    const std::optional<std::string> listed = lookup.listedName(moviePath);
    std::optional<std::string> target = listed ? outputName(outputFolder, *listed, kind.extension) : std::nullopt;
    if (!target) {
        w.failure = OutputWrite::Failure::InvalidName;
        w.message = kInvalidInputFileName + std::string(moviePath);
        return w;
    }
    w.target = std::move(*target);

    core::Result<std::string> movie = files.readFile(moviePath);
    if (!movie) {
        w.failure = OutputWrite::Failure::ReadMovie;
        w.message = "Cannot read the movie " + std::string(moviePath) + "\n" + movie.error().message;
        return w;
    }
    const std::string noun(kind.noun);
    if (!kind.compose(image, *movie, scratch)) {
        w.failure = OutputWrite::Failure::WriteOutput;
        w.message = "Cannot write the " + noun + " " + w.target + "\nthe " + noun + " program has the wrong length";
        return w;
    }
    movie = std::string();  // release the movie before the write
    const core::Status written = files.replaceFile(w.target, scratch);
    if (!written) {
        w.failure = OutputWrite::Failure::WriteOutput;
        w.message = "Cannot write the " + noun + " " + w.target + "\n" + written.error().message;
    }
    return w;
}

namespace {

BuildOutcome fail(BuildContext& c, const std::string& text) {
    c.ui.setPointer(ui::Pointer::Default);
    c.ui.messageBox(ui::MessageBoxRequest{text, ui::kApplicationTitle, ui::Icon::Critical});
    return BuildOutcome::Failed;
}

void showBusy(BuildContext& c) {
    c.ui.setPointer(ui::Pointer::Hourglass);
    c.ui.setProgress(0);
}

BuildOutcome run(const OutputKind& kind, BuildContext& c) {
    SelectOutputFolder(c.browser, c.outputFolder);
    if (kind.busyBeforeImage) showBusy(c);

    // The image is the same for every row, so it is fetched once.
    const std::string noun(kind.noun);
    core::Result<std::string> image = c.image.fetchImage();
    if (!image) return fail(c, "Cannot load the " + noun + " program.\n" + image.error().message);
    if (image->size() != kind.imageSize) {
        return fail(c, "Cannot load the " + noun + " program.\nIt is " + std::to_string(image->size()) +
                           " bytes long instead of " + std::to_string(kind.imageSize) + ".");
    }
    if (!kind.busyBeforeImage) showBusy(c);

    std::string output;  // reused for every row: it grows to the largest output once
    const std::size_t n = c.list.count();
    for (std::size_t i = 1; i <= n; ++i) {
        if (!c.list.setCell(i, filelist::Column::Status, filelist::kStatusProcessing)) {
            return fail(c, "The movie list changed during the build.");
        }
        c.ui.processPendingMessages();

        const filelist::Row* row = c.list.find(i);
        if (!row) return fail(c, "The movie list changed during the build.");
        const std::string path = row->path();

        const OutputWrite w = writeOutputFor(kind, path, c.outputFolder.path, *image, c.files, c.lookup, output);
        if (w.failure == OutputWrite::Failure::InvalidName) {
            c.ui.messageBox(ui::MessageBoxRequest{w.message, ui::kApplicationTitle, ui::Icon::Critical});
            c.ui.setPointer(ui::Pointer::Default);
            return BuildOutcome::InvalidName;
        }
        if (w.failure != OutputWrite::Failure::None) return fail(c, w.message);

        c.list.setCell(i, filelist::Column::Status, filelist::kStatusOk);
        c.ui.setProgress(buildProgress(i, c.list.count()));
        c.ui.processPendingMessages();
    }

    c.ui.setPointer(ui::Pointer::Default);
    if (kind.barBeforeSuccess) c.ui.setProgress(100);
    c.ui.messageBox(ui::MessageBoxRequest{kind.successText, ui::kApplicationTitle, ui::Icon::Information});
    if (!kind.barBeforeSuccess) c.ui.setProgress(100);
    return BuildOutcome::Completed;
}

}  // namespace

BuildOutcome runBuild(const OutputKind& kind, BuildContext& c) {
    if (c.guard.busy()) return BuildOutcome::Busy;
    if (c.list.empty()) return BuildOutcome::EmptyList;
    std::optional<BuildGuard::Scope> scope = c.guard.tryEnter();
    return run(kind, c);
}

}  // namespace builders
