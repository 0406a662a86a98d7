#include "builders/saver_cli.h"

#include "builders/saver_builder.h"
#include "builders/saver_layout.h"

namespace builders {

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

core::Error usageError(std::string message) {
    return core::makeError(core::ErrorCode::InvalidArgument, std::move(message));
}

}  // namespace

core::Result<SaverCommandArgs> parseSaverArgs(std::span<const std::string_view> args) {
    SaverCommandArgs parsed;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (a == "-o" || a == "--output" || a == "--runtime") {
            if (i + 1 >= args.size()) return usageError(std::string(a) + " needs a value");
            const std::string_view value = args[++i];
            if (a == "--runtime") {
                parsed.runtimePath = value;
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

std::string outputFolderFor(std::string_view dir) {
    std::string folder(dir);
    if (!folder.empty() && folder.back() != '/' && folder.back() != kSeparator) folder += kSeparator;
    return folder;
}

int writeSavers(std::span<const std::string> movies, std::string_view outputDir,
                std::string_view runtimeImage, ui::FileSystem& files, FileLookup& lookup,
                std::string& out, std::string& err) {
    if (runtimeImage.size() != kSaverHeaderSize) {
        err += "flashsaver saver: the screensaver runtime is " +
               std::to_string(runtimeImage.size()) + " bytes long instead of " +
               std::to_string(kSaverHeaderSize) + "\n";
        return kSaverExitFailed;
    }
    const std::string folder = outputFolderFor(outputDir);
    std::string scratch;
    for (const std::string& movie : movies) {
        const SaverWrite w = writeSaverFor(movie, folder, runtimeImage, files, lookup, scratch);
        if (w.failure != SaverWrite::Failure::None) {
            std::string line = w.message;
            for (char& c : line) {
                if (c == '\n') c = ' ';
            }
            err += "flashsaver saver: " + line + "\n";
            return kSaverExitFailed;
        }
        out += movie + " -> " + w.target + "\n";
    }
    return kSaverExitOk;
}

int runSaverCommand(std::span<const std::string_view> args, std::string_view defaultImage,
                    ui::FileSystem& files, FileLookup& lookup, std::string& out,
                    std::string& err) {
    for (const std::string_view a : args) {
        if (a == "-h" || a == "--help") {
            out += kSaverCommandHelp;
            return kSaverExitOk;
        }
    }
    core::Result<SaverCommandArgs> parsed = parseSaverArgs(args);
    if (!parsed) {
        err += "flashsaver saver: " + parsed.error().message + "\n";
        err += kSaverCommandHelp.substr(0, kSaverCommandHelp.find('\n') + 1);
        return kSaverExitUsage;
    }
    std::string loaded;
    std::string_view image = defaultImage;
    if (!parsed->runtimePath.empty()) {
        core::Result<std::string> read =
            files.readFile(parsed->runtimePath, kSaverHeaderSize);
        if (!read) {
            err += "flashsaver saver: cannot load the screensaver runtime: " +
                   read.error().message + "\n";
            return kSaverExitFailed;
        }
        loaded = std::move(*read);
        image = loaded;
    }
    return writeSavers(parsed->movies, parsed->outputDir, image, files, lookup, out, err);
}

}  // namespace builders
