// A 1920x1080 frame of text: one field over the whole stage holding 2,000 glyphs of 20 px
// device text (the fallback outline font) in 8-letter words, word-wrapped. Measured: drawing
// the frame with the layout kept, and setting the text anew before each frame (layout and
// glyph paths rebuilt), at both quality levels.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "player/frame_renderer.h"
#include "player/player.h"
#include "swf/test_writer.h"

namespace {

constexpr int kGlyphs = 2000;

std::string words() {
    std::string s;
    const char* letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int i = 0; i < kGlyphs; ++i) {
        if (i > 0 && i % 8 == 0) s += ' ';
        s += letters[(i * 7) % 62];
    }
    return s;
}

std::unique_ptr<player::Player> textMovie() {
    swf::MovieWriter w(8, 1920, 1080);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}});
    swf::DefineEditText e;
    e.id = 1;
    e.bounds = {0, 1920 * 20, 0, 1080 * 20};
    e.fontHeight = 400;
    e.color = swf::Rgba{0, 0, 0, 255};
    e.wordWrap = e.multiline = e.readOnly = true;
    e.initialText = words();
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 1;
    p.matrix = swf::Matrix{};
    w.add(e).add(p).showFrame();
    auto loaded = player::Player::loadBytes(w.finish());
    if (!loaded) return nullptr;
    (*loaded)->advance();
    return std::move(loaded).value();
}

void drawFrame(benchmark::State& state, player::Quality q, bool relayout) {
    auto p = textMovie();
    if (!p) {
        state.SkipWithError("movie did not load");
        return;
    }
    player::EditText* field = p->editTextAt(p->root(), 1);
    const std::string text = words();
    player::FrameRenderer r(p->library());
    r.setQuality(q);
    render::Pixmap target(1920, 1080);
    std::size_t glyphs = field ? field->layout().glyphs.size() : 0;
    for (auto _ : state) {
        if (relayout && field) field->setText(text);
        r.render(p->drawList(), p->movie().header.frameSize, p->backgroundColor(), target);
        benchmark::DoNotOptimize(target.row(540));
    }
    state.counters["glyphs"] = static_cast<double>(glyphs);
}

void BM_TextFrame_Draw_High(benchmark::State& s) { drawFrame(s, player::Quality::High, false); }
void BM_TextFrame_Draw_Low(benchmark::State& s) { drawFrame(s, player::Quality::Low, false); }
void BM_TextFrame_SetTextAndDraw_High(benchmark::State& s) { drawFrame(s, player::Quality::High, true); }

BENCHMARK(BM_TextFrame_Draw_High)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFrame_Draw_Low)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextFrame_SetTextAndDraw_High)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
