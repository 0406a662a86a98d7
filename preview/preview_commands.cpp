#include "preview/preview_commands.h"

namespace preview {

PreviewCommands::PreviewCommands(const filelist::MovieList& list, const ui::Ui& ui, FlashControl& player)
    : m_list(list), m_ui(ui), m_player(player) {}

std::optional<std::string> PreviewCommands::selectedPath() const {
    const std::optional<std::size_t> row = m_ui.selectedRow();
    if (!row) return std::nullopt;
    // Rows are numbered from 1; a selection the list no longer has counts as none.
    const filelist::Row* found = m_list.find(*row);
    if (!found) return std::nullopt;
    return found->path();
}

void PreviewCommands::play() {
    if (m_list.empty()) return;
    if (m_pausedFrame != 0) {
        // Resumes the loaded movie at the remembered frame; the selection is not looked at.
        m_player.putFrameNum(m_pausedFrame);
        m_player.play();
        return;
    }
    const std::optional<std::string> path = selectedPath();
    if (!path) return;
    m_player.putMovie(*path);
    m_player.play();
}

void PreviewCommands::pause() {
    m_player.stop();
    m_pausedFrame = m_player.frameNum();
}

void PreviewCommands::stop() {
    m_player.stopPlay();
    m_player.rewind();
    m_player.putPlaying(false);
    m_player.stopPlay();
}

void PreviewCommands::loadAndPlaySelected() {
    const std::optional<std::string> path = selectedPath();
    if (!path) return;
    if (m_list.empty()) return;
    m_player.putMovie(*path);
    m_player.play();
}

}  // namespace preview
