// `flashsaver info MOVIE.swf`: the header, a tag histogram, character counts and problems.
#include <cstdio>

#include "cli/cli.h"
#include "core/file_io.h"
#include "swf/movie.h"
#include "swf/movie_stats.h"
#include "swf/tag_codes.h"

namespace cli {

namespace {

std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

const char* compressionName(swf::Compression c) {
    switch (c) {
    case swf::Compression::None: return "none (FWS)";
    case swf::Compression::Zlib: return "zlib (CWS)";
    case swf::Compression::Lzma: return "LZMA (ZWS)";
    }
    return "?";
}

}  // namespace

int runInfo(std::span<const std::string_view> args, Output& io) {
    if (args.size() != 1 || (!args[0].empty() && args[0][0] == '-')) {
        io.err += "flashsaver info: expected one movie file (try 'flashsaver info --help')\n";
        return kExitUsage;
    }
    std::string path(args[0]);
    auto bytes = core::readFile(path);
    if (!bytes) {
        io.err += path + ": " + bytes.error().message + "\n";
        return kExitBadInput;
    }
    auto parsed = swf::parseMovie(*bytes);
    if (!parsed) {
        const core::Error& e = parsed.error();
        io.err += path + ": " + e.message;
        if (e.offset) io.err += " (at byte " + std::to_string(*e.offset) + ")";
        io.err += "\n";
        return kExitBadInput;
    }
    const swf::Movie& m = *parsed;
    const swf::Header& h = m.header;
    swf::MovieStats stats = swf::computeStats(m);

    std::string& o = io.out;
    o += "file: " + path + "\n";
    o += "version: " + std::to_string(h.version) + "\n";
    o += "compression: " + std::string(compressionName(h.compression)) + "\n";
    o += "size: " + std::to_string(bytes->size()) + " bytes in the file, " +
         std::to_string(m.decompressedSize) + " decompressed\n";
    o += "stage: " + format("%g", (h.frameSize.xMax - h.frameSize.xMin) / 20.0) + "x" +
         format("%g", (h.frameSize.yMax - h.frameSize.yMin) / 20.0) + " pixels\n";
    o += "frame rate: " + format("%g", h.frameRate) + " fps\n";
    o += "frames: " + std::to_string(h.frameCount) + "\n";
    o += "tags:\n";
    for (const auto& [code, n] : stats.tagHistogram) {
        std::string name = swf::tagName(code);
        name.resize(std::max<std::size_t>(name.size(), 28), ' ');
        o += "  " + name + std::to_string(n) + "\n";
    }
    const swf::CharacterCounts& c = stats.characters;
    o += "characters: " + std::to_string(c.total()) + " (shapes " + std::to_string(c.shapes) +
         ", morph shapes " + std::to_string(c.morphShapes) + ", sprites " +
         std::to_string(c.sprites) + ", bitmaps " + std::to_string(c.bitmaps) + ", fonts " +
         std::to_string(c.fonts) + ", texts " + std::to_string(c.texts) + ", edit texts " +
         std::to_string(c.editTexts) + ", buttons " + std::to_string(c.buttons) + ", sounds " +
         std::to_string(c.sounds) + ")\n";
    if (stats.avm2Tags > 0)
        o += "note: " + std::to_string(stats.avm2Tags) +
             " ActionScript 3 tags found; they are not run\n";
    if (m.problems.empty()) {
        o += "problems: none\n";
    } else {
        o += "problems: " + std::to_string(m.problems.size()) + "\n";
        for (const swf::Problem& p : m.problems)
            o += std::string("  ") + (p.severity == swf::Severity::Error ? "error: " : "warning: ") +
                 swf::describe(p) + "\n";
    }
    if (m.hasErrors()) {
        io.err += path + ": " + m.firstError() + "\n";
        return kExitBadInput;
    }
    return kExitOk;
}

}  // namespace cli
