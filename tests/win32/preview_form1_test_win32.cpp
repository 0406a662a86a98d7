// The preview in the main window with the real engine: Play, Pause and Stop on ShockwaveFlash1,
// Play Selected File and a double click, PausedFrame across them, and a missing movie.

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "app/control_ids.h"
#include "app/form1.h"
#include "form1_fixture_win32.h"
#include "tests/platform/view_movies.h"
#include "ui/text_win32.h"

namespace vfs_test {
namespace {

using namespace app;

class Form1Preview : public Form1Test {
protected:
    // Two movies in the list: row 1 of 40 frames, row 2 of 60, both at 20 fps.
    void SetUp() override {
        open(L"");
        const auto bytes = [](const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); };
        m_first = m_dir.write(L"first.swf", bytes(view_movies::squareMovie(40, 20.0)));
        m_second = m_dir.write(L"second.swf", bytes(view_movies::squareMovie(60, 20.0)));
        m_form->movieList().append(filelist::Row(ui::narrow(m_first)));
        m_form->movieList().append(filelist::Row(ui::narrow(m_second)));
        pump(*m_form);
        ASSERT_NE(m_form->previewView(), nullptr);
    }

    platform::PlayerView& view() { return *m_form->previewView(); }
    void select(int row) {  // from 0; -1 for none
        HWND list = ctl(kIdLvwAudioTracks);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        if (row >= 0) ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void click(ControlId id) {
        SendMessageW(ctl(id), BM_CLICK, 0, 0);
        pump(*m_form, 10);
    }
    // Lets the movie play until it reaches `frame` (from 0).
    bool playUntil(std::int32_t frame) {
        const DWORD end = GetTickCount() + 4000;
        while (view().frameNum() < frame) {
            if (static_cast<int>(end - GetTickCount()) <= 0) return false;
            pump(*m_form, 10);
        }
        return true;
    }

    std::wstring m_first, m_second;
};

TEST_F(Form1Preview, PlayPauseStopPlayResumesAtThePausedFrame) {
    EXPECT_FALSE(view().loaded());
    click(kIdCommand17);  // no row selected: nothing
    EXPECT_FALSE(view().loaded());

    select(0);
    click(kIdCommand17);
    ASSERT_TRUE(view().loaded());
    EXPECT_EQ(view().frameCount(), 40);
    EXPECT_TRUE(view().isPlaying());
    ASSERT_TRUE(playUntil(5));

    click(kIdCommand15);  // Pause
    const std::int32_t paused = view().frameNum();
    EXPECT_GE(paused, 5);
    EXPECT_EQ(m_form->pausedFrame(), paused);
    EXPECT_FALSE(view().isPlaying());
    pump(*m_form, 150);
    EXPECT_EQ(view().frameNum(), paused);

    click(kIdCommand16);  // Stop: the first frame, halted; PausedFrame stays
    EXPECT_EQ(view().frameNum(), 0);
    EXPECT_FALSE(view().isPlaying());
    EXPECT_EQ(m_form->pausedFrame(), paused);

    click(kIdCommand17);  // Play: the paused frame, not the first one
    EXPECT_EQ(view().frameNum(), paused);
    EXPECT_TRUE(view().isPlaying());
}

TEST_F(Form1Preview, AfterAPausePlayIgnoresTheSelectionAndADoubleClickLoads) {
    select(0);
    SendMessageW(m_form->hwnd(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(Cmd::play), 0), 0);  // Play Selected File
    ASSERT_TRUE(view().loaded());
    EXPECT_EQ(view().frameCount(), 40);
    ASSERT_TRUE(playUntil(3));
    click(kIdCommand15);
    const std::int32_t paused = view().frameNum();
    ASSERT_GT(paused, 0);

    select(1);
    click(kIdCommand17);  // the remembered frame in the movie already loaded
    EXPECT_EQ(view().frameCount(), 40);
    EXPECT_EQ(view().frameNum(), paused);

    m_form->lvwAudioTracks_DblClick();  // loads row 2 from its start
    EXPECT_EQ(view().frameCount(), 60);
    EXPECT_LT(view().frameNum(), paused);
    click(kIdCommand17);  // and Play jumps to the remembered frame inside it
    EXPECT_EQ(view().frameCount(), 60);
    EXPECT_EQ(view().frameNum(), paused);
    EXPECT_EQ(m_form->pausedFrame(), paused);

    // After clearing the list, Play does nothing and the player keeps its movie.
    click(kIdCommand15);
    const std::int32_t again = view().frameNum();
    m_form->movieList().clear();
    pump(*m_form);
    click(kIdCommand17);
    EXPECT_TRUE(view().loaded());
    EXPECT_FALSE(view().isPlaying());
    EXPECT_EQ(view().frameNum(), again);
}

TEST_F(Form1Preview, MissingMovieShowsTheEmptyAreaAndNoMessage) {
    m_form->movieList().append(filelist::Row(ui::narrow(m_dir.path() + L"\\gone.swf")));
    pump(*m_form);
    select(0);
    click(kIdCommand17);
    ASSERT_TRUE(view().loaded());
    select(2);
    m_form->play_Click();
    EXPECT_FALSE(view().loaded());
    EXPECT_EQ(view().frameNum(), 0);
    pump(*m_form, 50);
    // No message box came up over the window.
    EXPECT_EQ(FindWindowW(L"#32770", nullptr), nullptr);
    const render::Color blank = view().blank();
    const render::Color shown = render::unpremultiply(view().picture().at(10, 10));
    EXPECT_EQ(shown.r, blank.r);
    EXPECT_EQ(shown.g, blank.g);
    EXPECT_EQ(shown.b, blank.b);
}

}  // namespace
}  // namespace vfs_test
