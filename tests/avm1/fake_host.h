#pragma once
// A host for interpreter tests: a tree of clips kept in maps, trace output collected in lines.

#include <map>
#include <string>
#include <vector>

#include "avm1/host.h"
#include "avm1/vm.h"

namespace avm1test {

class FakeHost : public avm1::Host {
public:
    struct Clip {
        avm1::ClipId parent = 0;
        std::string name;
        int depth = 0;
        int frame = 1, frames = 5;
        bool playing = true;
        double props[static_cast<int>(avm1::ClipProp::Count)] = {};
    };
    std::map<avm1::ClipId, Clip> clips;
    std::vector<std::string> lines;
    std::vector<avm1::DrawOp> drawn;
    avm1::ClipId nextId = 2;
    double now = 0;

    FakeHost() { clips[1] = Clip{}; }

    avm1::ClipId add(avm1::ClipId parent, const std::string& name, int depth) {
        avm1::ClipId id = nextId++;
        clips[id] = Clip{parent, name, depth};
        return id;
    }
    std::string output() const {
        std::string s;
        for (const auto& l : lines) s += l + "\n";
        return s;
    }

    avm1::ClipId root() override { return 1; }
    avm1::ClipId level(int n) override { return n == 0 ? 1 : 0; }
    avm1::ClipId parent(avm1::ClipId c) override { return clips.count(c) ? clips[c].parent : 0; }
    avm1::ClipId child(avm1::ClipId c, std::string_view name, avm1::NameCase mode) override {
        for (auto& [id, clip] : clips)
            if (clip.parent == c && avm1::sameName(clip.name, name, mode)) return id;
        return 0;
    }
    bool alive(avm1::ClipId c) override { return clips.count(c) > 0; }
    std::string name(avm1::ClipId c) override { return clips.count(c) ? clips[c].name : ""; }
    std::vector<avm1::ClipId> children(avm1::ClipId c) override {
        std::vector<avm1::ClipId> out;
        for (auto& [id, clip] : clips)
            if (clip.parent == c) out.push_back(id);
        return out;
    }
    double property(avm1::ClipId c, avm1::ClipProp p) override {
        if (p == avm1::ClipProp::CurrentFrame) return clips[c].frame;
        if (p == avm1::ClipProp::TotalFrames) return clips[c].frames;
        return clips[c].props[static_cast<int>(p)];
    }
    void setProperty(avm1::ClipId c, avm1::ClipProp p, double v) override { clips[c].props[static_cast<int>(p)] = v; }
    void setName(avm1::ClipId c, const std::string& n) override { clips[c].name = n; }
    double color[8] = {1, 1, 1, 1, 0, 0, 0, 0};
    void colorTransform(avm1::ClipId, double out[8]) override {
        for (int i = 0; i < 8; ++i) out[i] = color[i];
    }
    void setColorTransform(avm1::ClipId, const double cx[8]) override {
        for (int i = 0; i < 8; ++i) color[i] = cx[i];
    }
    double stageSize(bool height) override { return height ? 400 : 550; }
    // Clips are translated by their _x/_y (props) relative to the parent; bounds are 10x10.
    void convertPoint(avm1::ClipId c, double& x, double& y, Direction dir) override {
        for (avm1::ClipId p = c; p && p != 1; p = clips[p].parent) {
            double dx = clips[p].props[0], dy = clips[p].props[1];
            x += dir == Direction::ToGlobal ? dx : -dx;
            y += dir == Direction::ToGlobal ? dy : -dy;
        }
    }
    bool bounds(avm1::ClipId c, avm1::ClipId space, double out[4]) override {
        double x0 = 0, y0 = 0, x1 = 10, y1 = 10;
        convertPoint(c, x0, y0, Direction::ToGlobal);
        convertPoint(c, x1, y1, Direction::ToGlobal);
        convertPoint(space, x0, y0, Direction::ToLocal);
        convertPoint(space, x1, y1, Direction::ToLocal);
        out[0] = x0, out[1] = x1, out[2] = y0, out[3] = y1;
        return true;
    }
    void gotoFrame(avm1::ClipId c, int f, bool play) override {
        if (f < 1) return;
        clips[c].frame = std::min(f, clips[c].frames);
        clips[c].playing = play;
    }
    bool gotoLabel(avm1::ClipId, const std::string&, bool) override { return false; }
    void play(avm1::ClipId c) override { clips[c].playing = true; }
    void stop(avm1::ClipId c) override { clips[c].playing = false; }
    bool frameLoaded(avm1::ClipId c, int f) override { return f <= clips[c].frames; }
    avm1::ClipId createEmpty(avm1::ClipId p, const std::string& n, int d) override { return add(p, n, d); }
    avm1::ClipId attach(avm1::ClipId, const std::string&, const std::string&, int) override { return 0; }
    avm1::ClipId duplicate(avm1::ClipId c, const std::string& n, int d) override { return add(clips[c].parent, n, d); }
    avm1::Vm* vm = nullptr;  // told of removals when set, as the player's host does
    void remove(avm1::ClipId c) override {
        if (vm) vm->clipRemoved(c);
        clips.erase(c);
    }
    int depth(avm1::ClipId c) override { return clips[c].depth; }
    void swapDepths(avm1::ClipId c, int d) override { clips[c].depth = d; }
    avm1::ClipId atDepth(avm1::ClipId p, int d) override {
        for (auto& [id, clip] : clips)
            if (clip.parent == p && clip.depth == d && id != 1) return id;
        return 0;
    }
    int nextHighestDepth(avm1::ClipId) override { return 16384; }
    void draw(avm1::ClipId, const avm1::DrawOp& op) override { drawn.push_back(op); }
    std::vector<std::span<const std::uint8_t>> frameActions(avm1::ClipId, const std::string&) override { return {}; }
    void trace(std::string_view m) override { lines.emplace_back(m); }
    double timerMs() override { return now; }
    void getUrl(const std::string& url, const std::string&) override { lines.push_back("getUrl " + url); }

    // Text fields: clips whose text properties are kept as set.
    std::map<avm1::ClipId, std::map<avm1::TextProp, avm1::Value>> texts;
    avm1::TextStyle style, newStyle;
    bool isTextField(avm1::ClipId id) override { return texts.count(id) > 0; }
    avm1::ClipId createTextField(avm1::ClipId p, const std::string& n, int d, const double box[4]) override {
        avm1::ClipId id = add(p, n, d);
        texts[id];
        clips[id].props[0] = box[0];
        clips[id].props[1] = box[1];
        return id;
    }
    avm1::Value textProperty(avm1::ClipId id, avm1::TextProp p) override { return texts[id][p]; }
    void setTextProperty(avm1::ClipId id, avm1::TextProp p, const avm1::Value& v) override { texts[id][p] = v; }
    void setTextStyle(avm1::ClipId, const avm1::TextStyle& s, bool asDefault) override { (asDefault ? newStyle : style) = s; }
    avm1::TextStyle textStyle(avm1::ClipId) override { return style; }
};

}  // namespace avm1test
