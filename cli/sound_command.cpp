// `flashsaver sound MOVIE.swf -o OUT.wav [--seconds N]`: runs the movie headless at its frame
// rate and writes what its sounds and streams mix to, as 44.1 kHz 16-bit stereo.
#include <cmath>
#include <string>

#include "cli/movie_arguments.h"
#include "player/player.h"
#include "sound/movie_sound.h"
#include "sound/wav.h"
#include "ui/file_system.h"

namespace cli {

namespace {

constexpr long kMaxSeconds = 3600;

}  // namespace

int runSound(std::span<const std::string_view> args, Output& io) {
    std::string movie, outPath;
    long seconds = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        if (a == "-o") {
            if (i + 1 >= args.size() || args[i + 1].empty()) return usageError(io, "sound", "-o needs a file name");
            outPath = args[++i];
        } else if (a == "--seconds") {
            if (i + 1 >= args.size() || !parseNumber(args[++i], 1, kMaxSeconds, seconds))
                return usageError(io, "sound", "--seconds needs a number from 1 to " + std::to_string(kMaxSeconds));
        } else if (auto why = takeMovieArgument(a, movie); !why.empty()) {
            return usageError(io, "sound", why);
        }
    }
    if (movie.empty()) return usageError(io, "sound", "expected one movie file");
    if (outPath.empty()) return usageError(io, "sound", "expected -o OUT.wav");

    auto loaded = openMovie(movie, io);
    if (!loaded) return kExitBadInput;
    player::Player& p = *loaded;
    double fps = p.frameRate() > 0 ? p.frameRate() : 12.0;
    // Default length: one pass through the main timeline, at most a minute.
    double total = seconds > 0 ? static_cast<double>(seconds)
                               : std::min(60.0, std::max<double>(p.frameCount(), 1) / fps);
    p.collectSounds(true);
    sound::Mixer mixer;
    sound::MovieSound ms(p.library(), fps, p.root().id());
    sound::Clip out;
    out.rate = sound::kOutputRate;
    out.channels = 2;
    const auto totalFrames = static_cast<std::size_t>(std::llround(total * sound::kOutputRate));
    out.samples.resize(totalFrames * 2);
    // Frame k covers the output samples from k / fps to (k + 1) / fps seconds.
    std::size_t done = 0;
    for (std::uint64_t k = 1; done < totalFrames; ++k) {
        p.advance();
        ms.apply(p.takeSoundEvents(), mixer);
        auto end = std::min<std::size_t>(totalFrames, static_cast<std::size_t>(std::llround(k * sound::kOutputRate / fps)));
        if (end > done) mixer.mix(out.samples.data() + done * 2, end - done);
        done = std::max(done, end);
    }
    auto bytes = sound::wavBytes(out);
    core::Status written = ui::nativeFileSystem().replaceFile(
        outPath, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!written) {
        io.err += outPath + ": " + written.error().message + "\n";
        return kExitBadInput;
    }
    if (ms.undecodable() > 0)
        io.err += movie + ": " + std::to_string(ms.undecodable()) + " sound(s) could not be decoded and stay silent\n";
    io.out += outPath + ": " + std::to_string(totalFrames) + " samples at 44100 Hz, stereo\n";
    return kExitOk;
}

}  // namespace cli
