#include "builders/projector_builder.h"

#include "builders/build_progress.h"
#include "builders/projector_layout.h"

namespace builders {

ProjectorWrite writeProjectorFor(std::string_view moviePath, std::string_view outputFolder,
                                 std::string_view image, ui::FileSystem& files, FileLookup& lookup,
                                 std::string& scratch) {
    ProjectorWrite w;
    const std::optional<std::string> listed = lookup.listedName(moviePath);
    std::optional<std::string> target =
        listed ? outputName(outputFolder, *listed, kProjectorExtension) : std::nullopt;
    if (!target) {
        w.failure = ProjectorWrite::Failure::InvalidName;
        w.message = kInvalidInputFileName + std::string(moviePath);
        return w;
    }
    w.target = std::move(*target);

    core::Result<std::string> movie = files.readFile(moviePath);
    if (!movie) {
        w.failure = ProjectorWrite::Failure::ReadMovie;
        w.message = "Cannot read the movie " + std::string(moviePath) + "\n" + movie.error().message;
        return w;
    }
    if (!composeProjectorFile(image, *movie, scratch)) {
        w.failure = ProjectorWrite::Failure::WriteProjector;
        w.message = "Cannot write the player " + w.target +
                    "\nthe player program has the wrong length";
        return w;
    }
    movie = std::string();  // release the movie before the write
    const core::Status written = files.replaceFile(w.target, scratch);
    if (!written) {
        w.failure = ProjectorWrite::Failure::WriteProjector;
        w.message = "Cannot write the player " + w.target + "\n" + written.error().message;
    }
    return w;
}

BuildOutcome ProjectorBuilder::Command3_Click() {
    if (m_c.guard.busy()) return BuildOutcome::Busy;
    if (m_c.list.empty()) return BuildOutcome::EmptyList;
    std::optional<BuildGuard::Scope> scope = m_c.guard.tryEnter();
    return run();
}

BuildOutcome ProjectorBuilder::fail(const std::string& text) {
    m_c.ui.setPointer(ui::Pointer::Default);
    m_c.ui.messageBox(ui::MessageBoxRequest{text, ui::kApplicationTitle, ui::Icon::Critical});
    return BuildOutcome::Failed;
}

BuildOutcome ProjectorBuilder::run() {
    SelectOutputFolder(m_c.browser, m_c.outputFolder);

    m_c.ui.setPointer(ui::Pointer::Hourglass);
    m_c.ui.setProgress(0);

    // The image is the same for every row, so it is fetched once.
    core::Result<std::string> image = m_c.image.fetchImage();
    if (!image) return fail("Cannot load the player program.\n" + image.error().message);
    if (image->size() != kProjectorImageSize) {
        return fail("Cannot load the player program.\nIt is " + std::to_string(image->size()) +
                    " bytes long instead of " + std::to_string(kProjectorImageSize) + ".");
    }

    std::string projector;  // reused for every row: it grows to the largest projector once
    const std::size_t n = m_c.list.count();
    for (std::size_t i = 1; i <= n; ++i) {
        if (!m_c.list.setCell(i, filelist::Column::Status, filelist::kStatusProcessing)) {
            return fail("The movie list changed during the build.");
        }
        m_c.ui.processPendingMessages();

        const filelist::Row* row = m_c.list.find(i);
        if (!row) return fail("The movie list changed during the build.");
        const std::string path = row->path();

        const ProjectorWrite w =
            writeProjectorFor(path, m_c.outputFolder.path, *image, m_c.files, m_c.lookup, projector);
        if (w.failure == ProjectorWrite::Failure::InvalidName) {
            m_c.ui.messageBox(ui::MessageBoxRequest{w.message, ui::kApplicationTitle, ui::Icon::Critical});
            m_c.ui.setPointer(ui::Pointer::Default);
            return BuildOutcome::InvalidName;
        }
        if (w.failure != ProjectorWrite::Failure::None) return fail(w.message);

        m_c.list.setCell(i, filelist::Column::Status, filelist::kStatusOk);
        m_c.ui.setProgress(buildProgress(i, m_c.list.count()));
        m_c.ui.processPendingMessages();
    }

    m_c.ui.setPointer(ui::Pointer::Default);
    m_c.ui.setProgress(100);
    m_c.ui.messageBox(ui::MessageBoxRequest{kProjectorSuccess, ui::kApplicationTitle, ui::Icon::Information});
    return BuildOutcome::Completed;
}

}  // namespace builders
