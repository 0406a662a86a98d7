#pragma once
// ShockwaveFlash1: the player view inside its host window in Frame3, as the preview commands
// see it (preview::FlashControl). It starts with the preview's settings: nothing loaded, a
// loaded movie plays at once and loops, context menu on, quality High, fitted ShowAll.

#include <windows.h>

#include <memory>

#include "platform/player_view_win32.h"
#include "preview/flash_control.h"

namespace app {

class PreviewPlayer : public preview::FlashControl {
public:
    // Creates the view over the whole client area of `host`; false when it cannot be made
    // (the commands then act on nothing).
    bool create(HWND host);
    platform::PlayerView* view() const { return m_view.get(); }
    // The colour the area shows without a movie (a missing or broken one included).
    void setBlank(COLORREF colour);

    void putMovie(const std::string& path) override;
    std::int32_t frameNum() const override;
    void putFrameNum(std::int32_t frame) override;
    void play() override;
    void stop() override;
    void rewind() override;
    void putPlaying(bool playing) override;
    void stopPlay() override;

private:
    std::unique_ptr<platform::PlayerView> m_view;
};

}  // namespace app
