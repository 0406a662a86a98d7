// The picture conformance harness: every case under corpus/ruffle/visual is run for the frames
// its test.toml asks for, its pictures are taken at its size and quality and compared with the
// expected PNGs under its tolerance and outlier count. One line per case, then the pass rate;
// the test fails when the rate falls below the floor recorded in floor.txt. Failing cases name
// the features they use that the engine lacks. The real-world movies are compared with their
// peer pictures by PSNR (reported, not judged).
#include <gtest/gtest.h>

#include "player/local_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "case_setup.h"
#include "player/frame_renderer.h"
#include "player/player.h"
#include "render/image_compare.h"
#include "render/png_reader.h"

namespace {

std::string sharedDir() {
    if (const char* env = std::getenv("VFS_SHARED_DIR")) return env;
    return std::string(VFS_SOURCE_DIR) + "/../shared";
}

bool isDir(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0;
}

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..") names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Folders below `dir` that hold a test.swf, as paths relative to `dir`.
void findCases(const std::string& dir, const std::string& rel, std::vector<std::string>& out) {
    if (exists(dir + "/test.swf") && exists(dir + "/test.toml")) out.push_back(rel);
    for (const std::string& n : listDir(dir)) {
        std::string p = dir + "/" + n;
        if (isDir(p)) findCases(p, rel.empty() ? n : rel + "/" + n, out);
    }
}

std::string readText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Features a movie uses that the engine does not have yet, found in its tags.
void scanTags(const std::vector<swf::Tag>& tags, std::set<std::string>& out) {
    for (const swf::Tag& t : tags) {
        const auto* p = std::get_if<swf::PlaceObject>(&t.body);
        if (p && p->filters) {
            for (const swf::Filter& f : *p->filters)
                if (f.kind == swf::Filter::Kind::Convolution && f.matrixX * f.matrixY > 15 * 15)
                    out.insert("convolution kernels over 15x15");
        }
        if (const auto* b = std::get_if<swf::DefineButton>(&t.body)) {
            for (const swf::ButtonCondAction& a : b->actions)
                if (!a.actions.empty()) out.insert("button actions");
        }
        if (const auto* s = std::get_if<swf::DefineSprite>(&t.body)) scanTags(s->tags, out);
    }
}

struct CaseResult {
    bool pass = false;
    std::uint64_t outliers = 0;
    double psnr = 0;
    std::string note;
};

player::Quality qualityOf(const std::string& q) {
    return q == "low" ? player::Quality::Low : player::Quality::High;
}

CaseResult runCase(const std::string& dir) {
    CaseResult res;
    const conformance::CaseSetup setup = conformance::parseCaseSetup(readText(dir + "/test.toml"));
    if (!setup.withRenderer || setup.comparisons.empty()) {
        res.note = "no pictures";
        return res;
    }
    player::PlayerOptions options;
    options.loadFile = player::filesBeside(dir + "/test.swf");
    auto loaded = player::Player::loadFile(dir + "/test.swf", options);
    if (!loaded) {
        res.note = "load failed: " + loaded.error().message;
        return res;
    }
    player::Player& p = **loaded;
    player::FrameRenderer renderer(p.library());
    renderer.setQuality(qualityOf(setup.quality));
    const int w = setup.viewportWidth.value_or(p.stageWidth());
    const int h = setup.viewportHeight.value_or(p.stageHeight());

    bool allPass = true;
    double minPsnr = INFINITY;
    std::uint64_t totalOutliers = 0;
    std::vector<std::string> problems;
    for (int frame = 1; frame <= setup.frames; ++frame) {
        p.advance();
        for (const conformance::Comparison& c : setup.comparisons) {
            const bool now = (c.trigger == conformance::TriggerKind::LastFrame && frame == setup.frames) ||
                             (c.trigger == conformance::TriggerKind::Frame && c.frame == frame);
            if (!now) continue;
            render::Pixmap picture = player::renderPlayerFrame(p, renderer, w, h);
            auto expected = render::readPng(dir + "/" + c.name + ".expected.png");
            if (!expected) {
                allPass = false;
                problems.push_back(c.name + ": no expected picture");
                continue;
            }
            const render::RgbaImage actual = render::toStraightRgba(picture);
            for (const conformance::Check& chk : c.checks) {
                render::ImageDiff d = render::compareImages(actual, *expected, chk.tolerance);
                if (!d.sameSize) {
                    allPass = false;
                    problems.push_back(c.name + ": size " + std::to_string(actual.width) + "x" +
                                       std::to_string(actual.height) + " vs " +
                                       std::to_string(expected->width) + "x" +
                                       std::to_string(expected->height));
                    continue;
                }
                totalOutliers += d.outliers;
                minPsnr = std::min(minPsnr, d.psnr);
                if (d.outliers > static_cast<std::uint64_t>(std::max(0L, chk.maxOutliers))) allPass = false;
            }
        }
    }
    for (const conformance::Comparison& c : setup.comparisons) {
        if (c.trigger == conformance::TriggerKind::FsCommand) {
            allPass = false;
            problems.push_back(c.name + ": taken by fscommand");
        } else if (c.trigger == conformance::TriggerKind::Frame && (c.frame < 1 || c.frame > setup.frames)) {
            allPass = false;
            problems.push_back(c.name + ": trigger outside the run");
        }
    }
    res.pass = allPass;
    res.outliers = totalOutliers;
    res.psnr = minPsnr;
    for (const std::string& s : problems) res.note += (res.note.empty() ? "" : "; ") + s;
    return res;
}

std::string formatPsnr(double v) {
    if (std::isinf(v)) return "inf";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

TEST(Conformance, VisualCasesPassAtLeastTheFloor) {
    const std::string root = sharedDir() + "/corpus/ruffle/visual";
    if (!isDir(root)) GTEST_SKIP() << "corpus not found at " << root;
    std::vector<std::string> cases;
    findCases(root, "", cases);
    ASSERT_FALSE(cases.empty());

    std::map<std::string, int> lacking;
    int passed = 0;
    for (const std::string& c : cases) {
        const std::string dir = root + "/" + c;
        CaseResult r = runCase(dir);
        std::string line = std::string(r.pass ? "PASS " : "FAIL ") + c + "  outliers " +
                           std::to_string(r.outliers) + "  psnr " + formatPsnr(r.psnr);
        if (r.pass) {
            ++passed;
        } else {
            std::set<std::string> features;
            if (auto bytes = player::Player::loadFile(dir + "/test.swf")) scanTags((*bytes)->movie().tags, features);
            // Files beside the movie other than the case's own are loaded by its scripts.
            for (const std::string& n : listDir(dir)) {
                const std::size_t dot = n.rfind('.');
                const std::string ext = dot == std::string::npos ? "" : n.substr(dot + 1);
                const bool media = ext == "jpg" || ext == "png" || ext == "gif" || ext == "swf" ||
                                   ext == "xml" || ext == "mp3";
                if (media && n != "test.swf" && n.find(".expected.png") == std::string::npos)
                    features.insert("loading " + n);
            }
            std::string needs;
            for (const std::string& f : features) {
                needs += (needs.empty() ? "" : ", ") + f;
                ++lacking[f];
            }
            if (needs.empty()) {
                needs = "nothing missing: rendering differs";
                ++lacking["(rendering differences)"];
            }
            line += "  needs " + needs;
        }
        if (!r.note.empty()) line += "  [" + r.note + "]";
        std::printf("%s\n", line.c_str());
    }
    const double rate = 100.0 * passed / static_cast<double>(cases.size());
    std::printf("pass rate: %d of %zu (%.1f%%)\n", passed, cases.size(), rate);
    std::printf("failing cases use:");
    for (const auto& [f, n] : lacking) std::printf(" %s %d;", f.c_str(), n);
    std::printf("\n");

    std::ifstream floorFile(std::string(VFS_SOURCE_DIR) + "/tests/conformance/floor.txt");
    double floor = 0;
    ASSERT_TRUE(floorFile >> floor) << "tests/conformance/floor.txt holds no number";
    EXPECT_GE(rate + 1e-9, floor) << "the pass rate fell below the recorded floor";
}

TEST(Conformance, RealWorldMoviesAgainstPeerPictures) {
    const std::string root = sharedDir() + "/corpus/realworld";
    if (!isDir(root)) GTEST_SKIP() << "corpus not found at " << root;
    int compared = 0;
    for (const std::string& name : listDir(root)) {
        const std::string dir = root + "/" + name;
        if (!exists(dir + "/movie.swf")) continue;
        std::vector<int> frames;
        for (const std::string& n : listDir(dir)) {
            int f = 0;
            if (std::sscanf(n.c_str(), "peer_frame_%d.png", &f) == 1 && f > 0) frames.push_back(f);
        }
        std::sort(frames.begin(), frames.end());
        auto loaded = player::Player::loadFile(dir + "/movie.swf");
        ASSERT_TRUE(loaded.ok()) << name << ": " << loaded.error().message;
        player::Player& p = **loaded;
        player::FrameRenderer renderer(p.library());
        int done = 0;
        std::string line = name + ":";
        for (int f : frames) {
            while (done < f) {
                p.advance();
                ++done;
            }
            auto peer = render::readPng(dir + "/peer_frame_" + std::to_string(f) + ".png");
            ASSERT_TRUE(peer.ok()) << name << " frame " << f;
            render::Pixmap picture = player::renderPlayerFrame(p, renderer, peer->width, peer->height);
            render::ImageDiff d = render::compareImages(render::toStraightRgba(picture), *peer, 0);
            EXPECT_TRUE(d.sameSize) << name;
            line += "  frame " + std::to_string(f) + " psnr " + formatPsnr(d.psnr);
            ++compared;
        }
        const player::RenderReport& rep = renderer.report();
        if (!rep.brokenBitmaps.empty()) line += "  (broken bitmaps " + std::to_string(rep.brokenBitmaps.size()) + ")";
        std::printf("%s\n", line.c_str());
    }
    EXPECT_GT(compared, 0);
}

}  // namespace
