#include "app/preview_player.h"

#include "ui/text_win32.h"

namespace app {

bool PreviewPlayer::create(HWND host) {
    m_view.reset();
    if (!host) return false;
    RECT rc{};
    GetClientRect(host, &rc);
    platform::PlayerViewSettings settings;
    settings.loop = true;
    settings.menu = true;
    settings.playOnLoad = true;
    settings.quality = player::Quality::High;
    settings.sound = true;  // stopped with the movie (Stop, Pause)
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    settings.blank = render::Color{GetRValue(window), GetGValue(window), GetBValue(window), 255};
    m_view = platform::PlayerView::create(host, 0, 0, rc.right, rc.bottom, settings, 0);
    return m_view != nullptr;
}

void PreviewPlayer::setBlank(COLORREF colour) {
    if (m_view) m_view->setBlank(render::Color{GetRValue(colour), GetGValue(colour), GetBValue(colour), 255});
}

void PreviewPlayer::putMovie(const std::string& path) {
    if (m_view) m_view->setMovie(ui::widen(path).c_str());
}

std::int32_t PreviewPlayer::frameNum() const { return m_view ? m_view->frameNum() : 0; }

void PreviewPlayer::putFrameNum(std::int32_t frame) {
    if (m_view) m_view->putFrameNum(frame);
}

void PreviewPlayer::play() {
    if (m_view) m_view->play();
}

void PreviewPlayer::stop() {
    if (m_view) m_view->stop();
}

void PreviewPlayer::rewind() {
    if (m_view) m_view->rewind();
}

void PreviewPlayer::putPlaying(bool playing) {
    if (m_view) m_view->setPlaying(playing);
}

void PreviewPlayer::stopPlay() {
    if (m_view) m_view->stopPlay();
}

}  // namespace app
