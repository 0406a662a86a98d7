#pragma once
// The preview's four commands: Play (Command17), Pause (Command15), Stop (Command16), and Load
// and play selected (the "Play Selected File" menu item and a double click on the list).
//
// Pause remembers the frame it halted on in PausedFrame; while that is not 0, Play jumps to
// it in whatever movie is loaded instead of loading the selected row. Nothing but another Pause
// changes it, so a Pause on the first frame (frame 0) lets Play load the selected row again,
// and after the list is cleared Play does nothing at all while the player keeps its movie.
// PausedFrame is 32 bits wide: a pause above frame 32767 resumes at that frame.

#include <cstdint>
#include <optional>
#include <string>

#include "filelist/movie_list.h"
#include "preview/flash_control.h"
#include "ui/ui.h"

namespace preview {

class PreviewCommands {
public:
    // `list` gives the row count and the rows' text, `ui` the selected row; both outlive this.
    PreviewCommands(const filelist::MovieList& list, const ui::Ui& ui, FlashControl& player);

    void play();
    void pause();
    void stop();
    void loadAndPlaySelected();

    std::int32_t pausedFrame() const { return m_pausedFrame; }

private:
    // The selected row's path, or nothing when no row (or no row of the list) is selected.
    std::optional<std::string> selectedPath() const;

    const filelist::MovieList& m_list;
    const ui::Ui& m_ui;
    FlashControl& m_player;
    std::int32_t m_pausedFrame = 0;  // PausedFrame
};

}  // namespace preview
