#pragma once
// Form1, the main window: its controls, menus, skin, keyboard order and command routing.
// Every user action is one parameterless handler named after its control and event.

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "app/cmd.h"
#include "app/control_ids.h"
#include "app/gdi.h"
#include "app/launcher.h"
#include "app/preview_player.h"
#include "app/progress_ctl.h"
#include "app/skin_painter_win32.h"
#include "builders/build_guard.h"
#include "builders/output_folder.h"
#include "filelist/code_page.h"
#include "filelist/file_list_commands.h"
#include "filelist/movie_list.h"
#include "filelist/movie_list_view_win32.h"
#include "preview/preview_commands.h"
#include "ui/file_system.h"
#include "ui/window_ui_win32.h"

namespace app {

// What closing the window does besides destroying it.
enum class ExitMode {
    QuitMessageLoop,  // the program: post WM_QUIT so that the message loop ends
    DestroyOnly,      // tests that host the window in their own process
};

struct Form1Options {
    std::wstring skinPath;  // empty: "<program folder>\skins\frmmain.skn"
    ExitMode exitMode = ExitMode::QuitMessageLoop;
    int showCommand = SW_SHOWNORMAL;
    // What Help and the web links start; null: the system's (tests give one that records).
    Launcher* launcher = nullptr;
};

// Form1 is also the commands' user interface (ui::Ui): message boxes, the shared file dialog,
// the list view's selected row, the progress bar, the pointer and the message pump.
class Form1 : public ui::WindowUi {
public:
    explicit Form1(HINSTANCE instance);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls, loads and applies the skin and shows the window
    // (the load sequence). False only if the window itself cannot be created.
    bool create(const Form1Options& options = {});

    HWND hwnd() const { return m_hwnd; }
    HWND control(ControlId id) const;
    HACCEL accelerators() const { return m_accel; }
    HWND tooltips() const { return m_tooltips; }
    bool skinApplied() const { return m_skinApplied; }
    const std::vector<HWND>& tabOrder() const { return m_tabOrder; }
    ProgressCtl progress() const { return ProgressCtl(control(kIdProgressCtl1)); }

    // The message loop's hook: shortcut keys, Tab / Shift+Tab through the keyboard order, and
    // Enter on a focused button. True when the message was consumed.
    bool preTranslateMessage(MSG& msg);

    // Runs the message loop until the window is closed; returns the exit code.
    int runMessageLoop();

    // The movie list shown by lvwAudioTracks, the only copy of the movie paths.
    filelist::MovieList& movieList() { return m_list; }
    // The builders' output folder, shared by the screensaver and projector builders.
    const builders::OutputFolder& outputFolder() const { return m_outputFolder; }
    // Set while a build runs; the list-changing commands and a second build return at once.
    bool buildRunning() const { return m_buildGuard.busy(); }
    // ShockwaveFlash1's player view (null if it could not be made) and the preview's
    // PausedFrame.
    platform::PlayerView* previewView() const { return m_previewPlayer.view(); }
    std::int32_t pausedFrame() const { return m_preview.pausedFrame(); }

    // ui::Ui: what only the main window knows.
    std::optional<std::size_t> selectedRow() const override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgress(int value) override;
    // Pending messages go through preTranslateMessage as in the message loop, so shortcut keys
    // and Tab keep working while a long command lets the window breathe.
    void processPendingMessages() override;

    // "<program folder>\skins\frmmain.skn" for the running program.
    static std::wstring defaultSkinPath();

    // Load and unload.
    void Form_Load();
    void Form_Unload();

    // File menu.
    void NewCDLayout_Click();
    void OpenCDLayout_Click();
    void SaveCDLayout_Click();
    void exit_Click();
    // Edit menu.
    void AddFiles_Click();
    void RemoveSelectedFile_Click();
    void ClearAll_Click();
    // Action menu.
    void BurnNow_Click();
    void play_Click();
    void EXEtoSWF_Click();
    void EraseDisc_Click();
    // Help menu.
    void helphelp_Click();
    void DiscwrightHomePage_Click();
    void SupportOnline_Click();
    void About_Click();
    // Buttons.
    void Command1_Click();
    void Command2_Click();
    void cmdWriteDisc_Click();
    void Command3_Click();
    void Command4_Click();
    void Command9_Click();
    void Command11_Click();
    void Command15_Click();
    void Command16_Click();
    void Command17_Click();
    // The list.
    void lvwAudioTracks_DblClick();
    // Opens the help file.
    void gethelp();

private:
    static LRESULT CALLBACK wndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void createControls();
    void addTooltip(HWND control, const wchar_t* text);
    void onCommand(WORD id, WORD code, HWND control);
    void runCommand(Cmd cmd);
    void runButton(ControlId id);
    LRESULT onNotify(const NMHDR& hdr);
    void moveFocus(int step);
    void focusControl(HWND control);
    void unloadWindow();
    Launcher& launcher() const { return m_options.launcher ? *m_options.launcher : systemLauncher(); }
    // Opens one of the maker's pages; tells the user when no browser could be asked.
    void openMakerPage(const std::wstring& url);

    HINSTANCE m_instance;
    Form1Options m_options;
    HWND m_hwnd = nullptr;
    HACCEL m_accel = nullptr;
    HWND m_tooltips = nullptr;
    HWND m_lastFocus = nullptr;
    Font m_font;        // Tahoma 9 pt
    Font m_boldFont;    // Tahoma 9 pt bold
    Font m_labelFont;   // MS Sans Serif 8.25 pt
    SkinPainter m_skin;  // Skin1
    bool m_skinApplied = false;
    std::array<HWND, 32> m_controls{};
    std::vector<HWND> m_tabOrder;

    // The movie list and its view (lvwAudioTracks), the shared file dialog CommonDialog1 and
    // the list commands working on them.
    filelist::MovieList m_list;
    filelist::MovieListView m_view{m_list};
    ui::FileDialogSettings m_commonDialog1;
    filelist::FileListCommands m_fileList{m_list, *this, ui::nativeFileSystem(), filelist::systemCodePage(),
                                          m_commonDialog1};
    // OutputFolder of both builders, and the guard that keeps a build run to itself.
    builders::OutputFolder m_outputFolder;
    builders::BuildGuard m_buildGuard;
    // ShockwaveFlash1 and the preview commands that drive it; PausedFrame lives in m_preview.
    PreviewPlayer m_previewPlayer;
    preview::PreviewCommands m_preview{m_list, *this, m_previewPlayer};
};

}  // namespace app
