#pragma once
// The player view: a child window that plays a movie with the engine. It owns the movie, its
// frame renderer and a DIB section of its client size; the movie is fitted ShowAll (letterboxed
// in its background colour). Frames run at the movie's rate by the clock (a re-armed SetTimer
// that asks the clock which frames are due, so late timer ticks do not slow the movie down), and
// the window draws only when the picture changed. A still movie (halted, or at the end of a
// movie that does not loop, with nothing animating) keeps no timer at all.
//
// Used by the screensaver runtime, the preview and the standalone player:
//
//   auto view = platform::PlayerView::create(parent, x, y, w, h, settings);
//   view->loadFile(L"C:\\movie.swf");   // frame 1 drawn before it returns
//   view->stop(); view->play(); view->rewind(); view->gotoFrame(12);
//
// It also answers to the members a Flash control offers its host (setMovie, frameNum and
// putFrameNum numbered from 0, setPlaying, stopPlay, setLoop, setMenu), and to two window
// messages that let another process read its state (kMsgFrameNum, kMsgPlaying).
//
// The window is destroyed with the object; destroying the window first (with its parent) leaves
// the object inert.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/playback.h"
#include "platform/sound_output_win32.h"
#include "render/pixmap.h"

namespace platform {

struct PlayerViewSettings {
    bool loop = true;        // the main timeline starts over after its last frame
    bool menu = true;        // a context menu (play, loop, rewind, forward, back, quality)
    bool playOnLoad = true;  // a loaded movie plays at once
    player::Quality quality = player::Quality::High;
    render::Color blank{0, 0, 0, 255};  // the client area while no movie is loaded
    // Plays the movies' sound through the default output device. Where none opens, movies play
    // silently.
    bool sound = false;
    // Where scripts' getURL sends http and https addresses (unset: nowhere).
    std::function<void(const std::string&)> openUrl;
};

class PlayerView {
public:
    static constexpr const wchar_t* kClassName = L"VelloryPlayerView";
    // Context menu commands (the ids TrackPopupMenu returns).
    enum MenuCommand : UINT { kCmdPlay = 1, kCmdLoop, kCmdRewind, kCmdForward, kCmdBack, kCmdLowQuality, kCmdHighQuality };
    // Messages any process may send to the view: the frame numbered from 0 (frameNum()), and
    // 1 while the movie plays, else 0.
    static constexpr UINT kMsgFrameNum = WM_USER + 0x2A0;
    static constexpr UINT kMsgPlaying = WM_USER + 0x2A1;

    // Creates the view as a visible child of `parent` at x, y (client coordinates of the parent).
    // Null when the window cannot be created.
    static std::unique_ptr<PlayerView> create(HWND parent, int x, int y, int width, int height,
                                              const PlayerViewSettings& settings = {}, int controlId = 0);
    ~PlayerView();
    PlayerView(const PlayerView&) = delete;
    PlayerView& operator=(const PlayerView&) = delete;

    HWND hwnd() const { return m_hwnd; }

    // Loads a movie (the file is read whole) and draws its first frame before returning; with
    // playOnLoad it then plays. On failure the view shows the blank colour and returns false.
    bool loadFile(const wchar_t* path);
    bool loadBytes(std::span<const std::uint8_t> bytes);
    void unload();
    bool loaded() const { return m_playback.loaded(); }
    // The Movie property: loads the movie at `path`; a null or empty path clears the view.
    // A missing or broken movie leaves the blank colour and returns false.
    bool setMovie(const wchar_t* path);

    void play();
    void stop();
    void rewind();  // frame 1, halted
    void gotoFrame(std::uint16_t frame);  // clamped to 1..frameCount(); play state kept
    std::uint16_t currentFrame() const { return m_playback.currentFrame(); }
    std::uint16_t frameCount() const { return m_playback.frameCount(); }
    bool isPlaying() const { return m_playback.isPlaying(); }

    // FrameNum: the current frame numbered from 0 (0 without a movie); putting a number goes
    // to that frame, clamped to the movie's frames, and keeps the play state.
    std::int32_t frameNum() const { return m_playback.frameNum(); }
    void putFrameNum(std::int32_t frame);
    // Playing put: true plays, false halts at the current frame.
    void setPlaying(bool playing);
    // StopPlay: halts at the current frame.
    void stopPlay() { stop(); }

    // Loop, Menu, Quality and the blank colour apply at once (Loop: a movie that no longer
    // loops halts when it next reaches its last frame).
    void setLoop(bool loop);
    bool loop() const { return m_settings.loop; }
    void setMenu(bool menu) { m_settings.menu = menu; }
    bool menu() const { return m_settings.menu; }
    void setQuality(player::Quality q);
    player::Quality quality() const { return m_settings.quality; }
    void setBlank(render::Color blank);
    render::Color blank() const { return m_settings.blank; }

    // What a context menu command does; the menu runs the one the user picks.
    void runMenuCommand(UINT command);

    // The picture last drawn, client-sized (what the DIB holds, in the engine's pixel format).
    const render::Pixmap& picture() const { return m_picture; }
    std::uint64_t picturesDrawn() const { return m_playback.picturesDrawn(); }
    // Whether a frame timer is armed (false for a still movie).
    bool timerArmed() const { return m_timerArmed; }
    // The sound output, when sound was asked for and a device opened.
    const SoundOutput* soundOutput() const { return m_sound.get(); }
    // The movie's parse problems and the like stay reachable for callers that want them.
    const player::Player* player() const { return m_playback.player(); }

private:
    explicit PlayerView(const PlayerViewSettings& settings);
    static bool registerClass(HINSTANCE instance);
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam);

    static std::int64_t nowMicros();
    bool finishLoad(const core::Status& status);
    // Matches the DIB and the picture to the client size; false when the client is empty.
    bool ensureSurface();
    // Draws the picture when it changed and puts it on screen.
    void present(bool force = false);
    void blit(HDC dc);
    // Arms the frame timer for the next due frame, or drops it for a still movie.
    void schedule();
    void onTimer();
    HMENU buildMenu() const;
    void showMenu(int x, int y);
    void releaseSurface();

    PlayerViewSettings m_settings;
    std::unique_ptr<SoundOutput> m_sound;  // outlives the playback that feeds it
    Playback m_playback;
    HWND m_hwnd = nullptr;
    bool m_timerArmed = false;
    render::Pixmap m_picture;
    HDC m_memDc = nullptr;
    HBITMAP m_dib = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
    std::uint32_t* m_bits = nullptr;
    int m_dibWidth = 0, m_dibHeight = 0;
};

}  // namespace platform
