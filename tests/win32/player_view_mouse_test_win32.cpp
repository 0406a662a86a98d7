// Mouse input through the player view under Wine: client points map through the ShowAll fit to
// stage pixels, a ring-shaped button goes over and down, its hole is no hit, its press and
// release reach the button, and the cursor is the hand only over the button.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "platform/player_view_win32.h"
#include "swf/test_writer.h"

namespace {

using platform::PlayerView;
using platform::PlayerViewSettings;
namespace bc = player::button_condition;

std::int32_t tw(double px) { return static_cast<std::int32_t>(px * 20); }

// A 100 px square ring (hole 30..70) at stage (50, 50) inside a 200x200 stage, as button 20
// with an empty action block on press and on release.
std::vector<std::uint8_t> ringButtonMovie() {
    swf::DefineShape s;
    s.id = 10;
    s.version = 3;
    s.bounds = {0, tw(100), 0, tw(100)};
    swf::FillStyle f;
    f.color = {255, 0, 0, 255};
    s.shape.styles.fills = {f};
    auto move = [&s](double x, double y) {
        swf::ShapeRecord r;
        r.hasMove = r.hasFill1 = true;
        r.fill1 = 1;
        r.dx = tw(x);
        r.dy = tw(y);
        s.shape.records.push_back(r);
    };
    auto edge = [&s](double dx, double dy) {
        swf::ShapeRecord r;
        r.kind = swf::ShapeRecord::Kind::StraightEdge;
        r.dx = tw(dx);
        r.dy = tw(dy);
        s.shape.records.push_back(r);
    };
    move(0, 0);
    edge(100, 0), edge(0, 100), edge(-100, 0), edge(0, -100);
    move(30, 30);
    edge(40, 0), edge(0, 40), edge(-40, 0), edge(0, -40);
    swf::DefineButton b;
    b.id = 20;
    b.version = 2;
    swf::ButtonRecord r;
    r.characterId = 10;
    r.depth = 1;
    r.up = r.over = r.down = r.hitTest = true;
    b.records = {r};
    b.actions = {{bc::kOverUpToOverDown, {0}}, {bc::kOverDownToOverUp, {0}}};
    swf::PlaceObject p;
    p.version = 2;
    p.depth = 1;
    p.characterId = 20;
    p.matrix = swf::Matrix{1, 0, 0, 1, tw(50), tw(50)};
    swf::MovieWriter w(8, 200, 200, 12.0);
    w.add(swf::SetBackgroundColor{{255, 255, 255, 255}}).add(s).add(b).add(p).showFrame();
    return w.finish();
}

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND createHost(int w, int h) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = hostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VfsMouseTestHost";
        registered = RegisterClassW(&wc) != 0;
    }
    return CreateWindowExW(0, L"VfsMouseTestHost", L"mouse test", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, w,
                           h, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

TEST(PlayerViewMouse, ButtonsFollowThePointerInStagePixels) {
    // The 200x200 stage fills a 400x400 view at twice its size.
    HWND host = createHost(400, 400);
    ASSERT_TRUE(host);
    PlayerViewSettings settings;
    settings.menu = false;
    auto view = PlayerView::create(host, 0, 0, 400, 400, settings);
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->loadBytes(ringButtonMovie()));
    HWND v = view->hwnd();
    const player::Player* p = view->player();
    ASSERT_TRUE(p);
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);

    struct Probe {
        int x, y;  // client pixels
        bool over;
    };
    const Probe probes[] = {
        {120, 120, true},   // stage (60, 60): the ring
        {200, 200, false},  // stage (100, 100): the hole
        {90, 90, false},    // stage (45, 45): outside
        {290, 200, true},   // stage (145, 100): the ring's right band
    };
    for (const Probe& pr : probes) {
        SendMessageW(v, WM_MOUSEMOVE, 0, at(pr.x, pr.y));
        EXPECT_EQ(p->pointerOverButton(), pr.over) << pr.x << "," << pr.y;
        SetCursor(nullptr);
        SendMessageW(v, WM_SETCURSOR, reinterpret_cast<WPARAM>(v), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor() == hand, pr.over) << pr.x << "," << pr.y;
    }

    auto buttonState = [p] {
        const auto it = p->root().displayList().find(1);
        return it == p->root().displayList().end() ? player::ButtonState::Up : it->second.buttonState;
    };
    SendMessageW(v, WM_LBUTTONDOWN, MK_LBUTTON, at(120, 120));
    EXPECT_TRUE(p->mouseIsDown());
    EXPECT_EQ(buttonState(), player::ButtonState::Down);
    SendMessageW(v, WM_LBUTTONUP, 0, at(122, 120));
    EXPECT_FALSE(p->mouseIsDown());
    EXPECT_EQ(buttonState(), player::ButtonState::Over);

    view.reset();
    DestroyWindow(host);
}

}  // namespace
