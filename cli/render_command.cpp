// `flashsaver render MOVIE.swf -o OUT.png [--frame N] [--size WxH] [--quality low|high]`: runs
// the movie N iterations from the start and writes the picture as PNG.
#include <string>

#include "cli/movie_arguments.h"
#include "player/frame_renderer.h"
#include "player/player.h"
#include "render/png_writer.h"

namespace cli {

namespace {

bool parseSize(std::string_view s, int& w, int& h) {
    const auto x = s.find_first_of("xX");
    if (x == std::string_view::npos) return false;
    long lw = 0, lh = 0;
    if (!parseNumber(s.substr(0, x), 1, render::kMaxPixmapSide, lw) ||
        !parseNumber(s.substr(x + 1), 1, render::kMaxPixmapSide, lh))
        return false;
    w = static_cast<int>(lw);
    h = static_cast<int>(lh);
    return true;
}

// The largest frame number accepted, so that a typo cannot keep the tool busy for hours.
constexpr long kMaxFrames = 1000000;

}  // namespace

int runRender(std::span<const std::string_view> args, Output& io) {
    std::string movie, output;
    long frame = 1;
    int width = 0, height = 0;
    player::Quality quality = player::Quality::High;
    auto usage = [&](std::string_view why) { return usageError(io, "render", why); };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        auto value = [&](std::string_view& v) {
            if (i + 1 >= args.size()) return false;
            v = args[++i];
            return true;
        };
        std::string_view v;
        if (a == "-o" || a == "--output") {
            if (!value(v)) return usage("-o needs a file name");
            output = v;
        } else if (a == "--frame") {
            if (!value(v) || !parseNumber(v, 1, kMaxFrames, frame))
                return usage("--frame needs a number from 1 to " + std::to_string(kMaxFrames));
        } else if (a == "--size") {
            if (!value(v) || !parseSize(v, width, height))
                return usage("--size needs WIDTHxHEIGHT, each from 1 to " +
                             std::to_string(render::kMaxPixmapSide));
        } else if (a == "--quality") {
            if (!value(v) || (v != "low" && v != "high")) return usage("--quality is low or high");
            quality = v == "low" ? player::Quality::Low : player::Quality::High;
        } else if (auto why = takeMovieArgument(a, movie); !why.empty()) {
            return usage(why);
        }
    }
    if (movie.empty()) return usage("expected one movie file");
    if (output.empty()) return usage("expected -o OUT.png");

    auto loaded = openMovie(movie, io);
    if (!loaded) return kExitBadInput;
    player::Player& p = *loaded;
    for (long i = 0; i < frame; ++i) p.advance();
    player::FrameRenderer renderer(p.library());
    renderer.setQuality(quality);
    render::Pixmap picture = player::renderPlayerFrame(p, renderer, width, height);
    auto written = render::writePng(picture, output);
    if (!written) {
        io.err += output + ": " + written.error().message + "\n";
        return kExitBadInput;
    }
    const player::RenderReport& rep = renderer.report();
    io.out += output + ": " + std::to_string(picture.width()) + "x" + std::to_string(picture.height()) +
              ", frame " + std::to_string(frame) + "\n";
    if (!rep.brokenBitmaps.empty())
        io.err += movie + ": " + std::to_string(rep.brokenBitmaps.size()) +
                  " bitmaps could not be decoded\n";
    return kExitOk;
}

}  // namespace cli
