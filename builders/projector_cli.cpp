#include "builders/projector_cli.h"

#include "builders/movie_extractor.h"
#include "builders/projector_builder.h"
#include "builders/projector_layout.h"
#include "builders/saver_cli.h"

namespace builders {

namespace {

core::Error usageError(std::string message) {
    return core::makeError(core::ErrorCode::InvalidArgument, std::move(message));
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n') c = ' ';
    }
    return text;
}

bool asksForHelp(std::span<const std::string_view> args) {
    for (const std::string_view a : args) {
        if (a == "-h" || a == "--help") return true;
    }
    return false;
}

std::string usageLine(std::string_view help) { return std::string(help.substr(0, help.find('\n') + 1)); }

}  // namespace

core::Result<ProjectorCommandArgs> parseProjectorArgs(std::span<const std::string_view> args) {
    ProjectorCommandArgs parsed;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "-o" || a == "--output" || a == "--player") {
            if (i + 1 >= args.size()) return usageError(std::string(a) + " needs a value");
            const std::string_view value = args[++i];
            if (a == "--player") {
                parsed.playerPath = value;
            } else {
                if (haveOutput) return usageError("-o given twice");
                parsed.outputDir = value;
                haveOutput = true;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("unknown option " + std::string(a));
        } else {
            parsed.movies.emplace_back(a);
        }
    }
    if (parsed.movies.empty()) return usageError("no movie given");
    if (!haveOutput) return usageError("no output folder given (-o DIR)");
    return parsed;
}

int writeProjectors(std::span<const std::string> movies, std::string_view outputDir,
                    std::string_view playerImage, ui::FileSystem& files, FileLookup& lookup,
                    std::string& out, std::string& err) {
    if (playerImage.size() != kProjectorImageSize) {
        err += "flashsaver projector: the player is " + std::to_string(playerImage.size()) +
               " bytes long instead of " + std::to_string(kProjectorImageSize) + "\n";
        return kSaverExitFailed;
    }
    const std::string folder = outputFolderFor(outputDir);
    std::string scratch;
    for (const std::string& movie : movies) {
        const ProjectorWrite w = writeProjectorFor(movie, folder, playerImage, files, lookup, scratch);
        if (w.failure != ProjectorWrite::Failure::None) {
            err += "flashsaver projector: " + oneLine(w.message) + "\n";
            return kSaverExitFailed;
        }
        out += movie + " -> " + w.target + "\n";
    }
    return kSaverExitOk;
}

int runProjectorCommand(std::span<const std::string_view> args, std::string_view defaultImage,
                        ui::FileSystem& files, FileLookup& lookup, std::string& out, std::string& err) {
    if (asksForHelp(args)) {
        out += kProjectorCommandHelp;
        return kSaverExitOk;
    }
    core::Result<ProjectorCommandArgs> parsed = parseProjectorArgs(args);
    if (!parsed) {
        err += "flashsaver projector: " + parsed.error().message + "\n" + usageLine(kProjectorCommandHelp);
        return kSaverExitUsage;
    }
    std::string loaded;
    std::string_view image = defaultImage;
    if (!parsed->playerPath.empty()) {
        core::Result<std::string> read = files.readFile(parsed->playerPath, kProjectorImageSize);
        if (!read) {
            err += "flashsaver projector: cannot load the player: " + read.error().message + "\n";
            return kSaverExitFailed;
        }
        loaded = std::move(*read);
        image = loaded;
    }
    return writeProjectors(parsed->movies, parsed->outputDir, image, files, lookup, out, err);
}

int runExtractCommand(std::span<const std::string_view> args, ui::FileSystem& files, std::string& out,
                      std::string& err) {
    if (asksForHelp(args)) {
        out += kExtractCommandHelp;
        return kSaverExitOk;
    }
    std::vector<std::string_view> paths;
    for (const std::string_view a : args) {
        if (a.size() > 1 && a[0] == '-') {
            err += "flashsaver extract: unknown option " + std::string(a) + "\n" + usageLine(kExtractCommandHelp);
            return kSaverExitUsage;
        }
        paths.push_back(a);
    }
    if (paths.size() != 2) {
        err += "flashsaver extract: give one executable and one target\n" + usageLine(kExtractCommandHelp);
        return kSaverExitUsage;
    }
    const Extraction x = extractMovieFile(paths[0], paths[1], files, {});
    switch (x.result) {
    case Extraction::Result::Written:
        out += std::string(paths[0]) + " -> " + std::string(paths[1]) + " (" + std::to_string(x.location.length) +
               " bytes from offset " + std::to_string(x.location.offset) +
               (x.location.source == MovieLocation::Source::Trailer ? ", by the trailer)\n" : ", by search)\n");
        return kSaverExitOk;
    case Extraction::Result::NotFound:
        err += "flashsaver extract: " + std::string(paths[0]) + ": no Flash movie found\n";
        return kSaverExitFailed;
    case Extraction::Result::ReadFailed:
    case Extraction::Result::WriteFailed:
        break;
    }
    err += "flashsaver extract: " + oneLine(x.message) + "\n";
    return kSaverExitFailed;
}

}  // namespace builders
