// TextFormat pixel metrics read back from a field made by script come back in whole pixels,
// halves rounding to even.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bytecode_builder.h"
#include "player/player.h"
#include "player/script_host.h"
#include "swf/test_writer.h"

namespace {

using avm1::Op;
using avm1test::Asm;

struct MetricCase {
    const char* key;
    double set;
    const char* expected;
};

// tf.setNewTextFormat(f) with f[key] = value, then traces tf.getNewTextFormat()[key].
std::string readBack(const char* key, double value) {
    Asm a;
    a.num(100).num(200).num(0).num(0).num(1).str("tf").num(6).getVar("_root").str("createTextField");
    a.op(Op::CallMethod).op(Op::Pop);
    a.str("f").num(0).str("TextFormat").op(Op::NewObject).op(Op::SetVariable);
    a.getVar("f").str(key).num(value).op(Op::SetMember);
    a.getVar("f").num(1).getVar("tf").str("setNewTextFormat").op(Op::CallMethod).op(Op::Pop);
    a.num(0).getVar("tf").str("getNewTextFormat").op(Op::CallMethod).str(key).op(Op::GetMember).trace();
    swf::MovieWriter w(8);
    w.add(swf::DoAction{a.bytes});
    w.showFrame();
    auto loaded = player::Player::loadBytes(w.finish());
    EXPECT_TRUE(loaded.ok());
    if (!loaded) return {};
    std::string out;
    (*loaded)->scripts()->setTraceSink([&out](std::string_view s) { out.append(s); });
    (*loaded)->advance();
    return out;
}

TEST(TextFormatPixels, MetricsReadBackInWholePixels) {
    const std::vector<MetricCase> cases = {
        {"indent", 0.4, "0"},      {"indent", 0.5, "0"},     {"indent", 0.6, "1"},
        {"indent", 1.5, "2"},      {"indent", 2.5, "2"},     {"indent", -10, "-10"},
        {"indent", 1638.35, "1638"}, {"indent", -1638.4, "-1638"},
        {"leftMargin", 3.6, "4"},  {"rightMargin", 7.25, "7"}, {"leading", 1.5, "2"},
    };
    for (const MetricCase& c : cases) EXPECT_EQ(readBack(c.key, c.set), c.expected) << c.key << " " << c.set;
}

}  // namespace
