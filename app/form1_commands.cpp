// Form1's command handlers and the routing from menu items and buttons to them. A menu item
// or button that runs another entry point's command calls that handler directly.

#include "app/about_box.h"
#include "app/form1.h"
#include "app/general.h"
#include "app/help_links.h"
#include "app/trace.h"
#include "builders/folder_browser_win32.h"
#include "builders/movie_extractor.h"
#include "builders/projector_builder.h"
#include "builders/runtime_image_win32.h"
#include "builders/saver_builder.h"
#include "skin/skin_path.h"
#include "ui/text_win32.h"
#include "winui/file_dialog_system_win32.h"

namespace app {

void Form1::runCommand(Cmd cmd) {
    switch (cmd) {
        case Cmd::NewCDLayout: NewCDLayout_Click(); break;
        case Cmd::OpenCDLayout: OpenCDLayout_Click(); break;
        case Cmd::SaveCDLayout: SaveCDLayout_Click(); break;
        case Cmd::exit: exit_Click(); break;
        case Cmd::AddFiles: AddFiles_Click(); break;
        case Cmd::RemoveSelectedFile: RemoveSelectedFile_Click(); break;
        case Cmd::ClearAll: ClearAll_Click(); break;
        case Cmd::BurnNow: BurnNow_Click(); break;
        case Cmd::play: play_Click(); break;
        case Cmd::EXEtoSWF: EXEtoSWF_Click(); break;
        case Cmd::EraseDisc: EraseDisc_Click(); break;
        case Cmd::helphelp: helphelp_Click(); break;
        case Cmd::DiscwrightHomePage: DiscwrightHomePage_Click(); break;
        case Cmd::SupportOnline: SupportOnline_Click(); break;
        case Cmd::About: About_Click(); break;
        // CancelBurn, EjectCD and CloseCDRom are hidden and disabled: no command.
        case Cmd::CancelBurn:
        case Cmd::EjectCD:
        case Cmd::CloseCDRom:
        case Cmd::None:
            break;
    }
}

void Form1::runButton(ControlId id) {
    switch (id) {
        case kIdCommand1: Command1_Click(); break;
        case kIdCommand2: Command2_Click(); break;
        case kIdCmdWriteDisc: cmdWriteDisc_Click(); break;
        case kIdCommand3: Command3_Click(); break;
        case kIdCommand4: Command4_Click(); break;
        case kIdCommand9: Command9_Click(); break;
        case kIdCommand11: Command11_Click(); break;
        case kIdCommand15: Command15_Click(); break;
        case kIdCommand16: Command16_Click(); break;
        case kIdCommand17: Command17_Click(); break;
        default: break;
    }
}

// File menu.

void Form1::NewCDLayout_Click() {
    traceHandler("NewCDLayout_Click");
    if (m_buildGuard.busy()) return;
    m_fileList.newProject();
}

void Form1::OpenCDLayout_Click() {
    traceHandler("OpenCDLayout_Click");
    if (m_buildGuard.busy()) return;
    m_fileList.openProject();
}

void Form1::SaveCDLayout_Click() {
    traceHandler("SaveCDLayout_Click");
    if (m_buildGuard.busy()) return;
    m_fileList.saveProject();
}

void Form1::exit_Click() {
    traceHandler("exit_Click");
    unloadWindow();
}

// Edit menu.

void Form1::AddFiles_Click() {
    traceHandler("AddFiles_Click");
    Command1_Click();
}

void Form1::RemoveSelectedFile_Click() {
    traceHandler("RemoveSelectedFile_Click");
    Command2_Click();
}

void Form1::ClearAll_Click() {
    traceHandler("ClearAll_Click");
    if (m_buildGuard.busy()) return;
    m_fileList.clearAll();
}

// Action menu.

void Form1::BurnNow_Click() {
    traceHandler("BurnNow_Click");
    cmdWriteDisc_Click();
}

void Form1::play_Click() {
    traceHandler("play_Click");
    m_preview.loadAndPlaySelected();
}

void Form1::EXEtoSWF_Click() {
    traceHandler("EXEtoSWF_Click");
    Command3_Click();
}

void Form1::EraseDisc_Click() {
    traceHandler("EraseDisc_Click");
    // EXE to SWF: the movie out of a player executable, through two file dialogs. The search
    // lets the window handle messages, so the guard keeps a build or a second extraction out.
    std::optional<builders::BuildGuard::Scope> scope = m_buildGuard.tryEnter();
    if (!scope) return;
    winui::Win32FileDialogSystem dialogs;
    builders::MovieExtractor extractor(builders::ExtractorContext{
        *this, ui::nativeFileSystem(), dialogs, reinterpret_cast<std::uintptr_t>(m_hwnd)});
    extractor.EraseDisc_Click();
}

// Help menu.

void Form1::helphelp_Click() {
    traceHandler("helphelp_Click");
    gethelp();
}

void Form1::DiscwrightHomePage_Click() {
    traceHandler("DiscwrightHomePage_Click");
    openMakerPage(homePageUrl(General::webSite()));
}

void Form1::SupportOnline_Click() {
    traceHandler("SupportOnline_Click");
    openMakerPage(supportPageUrl(General::webSite()));
}

void Form1::About_Click() {
    traceHandler("About_Click");
    showAboutBox(m_instance, m_hwnd, m_options.skinPath);
}

// Buttons.

void Form1::Command1_Click() {
    traceHandler("Command1_Click");
    if (m_buildGuard.busy()) return;
    m_fileList.addFiles();
}

void Form1::Command2_Click() {
    traceHandler("Command2_Click");
    if (m_buildGuard.busy()) return;
    m_fileList.removeFile();
}

void Form1::cmdWriteDisc_Click() {
    traceHandler("cmdWriteDisc_Click");
    // A second build while one runs is refused by the builder itself (the guard is busy).
    builders::Win32FolderBrowser browser(m_hwnd);
    builders::ResourceRuntimeImage image(builders::kSaverRuntimeResourceId);
    builders::SaverBuilder builder(builders::SaverBuildContext{m_list, *this, ui::nativeFileSystem(),
                                                               builders::nativeFileLookup(), browser, image,
                                                               m_outputFolder, m_buildGuard});
    builder.cmdWriteDisc_Click();
}

void Form1::Command3_Click() {
    traceHandler("Command3_Click");
    // A second build while one runs is refused by the builder itself (the guard is busy).
    builders::Win32FolderBrowser browser(m_hwnd);
    builders::ResourceRuntimeImage image(builders::kPlayerResourceId);
    builders::ProjectorBuilder builder(builders::ProjectorBuildContext{
        m_list, *this, ui::nativeFileSystem(), builders::nativeFileLookup(), browser, image, m_outputFolder,
        m_buildGuard});
    builder.Command3_Click();
}

void Form1::Command4_Click() {
    traceHandler("Command4_Click");
    EraseDisc_Click();
}

void Form1::Command9_Click() {
    traceHandler("Command9_Click");
    gethelp();
}

void Form1::Command11_Click() {
    traceHandler("Command11_Click");
    unloadWindow();
}

void Form1::Command15_Click() {
    traceHandler("Command15_Click");
    m_preview.pause();
}

void Form1::Command16_Click() {
    traceHandler("Command16_Click");
    m_preview.stop();
}

void Form1::Command17_Click() {
    traceHandler("Command17_Click");
    m_preview.play();
}

void Form1::lvwAudioTracks_DblClick() {
    traceHandler("lvwAudioTracks_DblClick");
    play_Click();
}

void Form1::gethelp() {
    traceHandler("gethelp");
    // "<windows folder>\hh.exe <program folder>\help.chm", started and left to run. A missing
    // or damaged help file is the viewer's to report.
    const std::wstring windows = General::windowsDirectory();
    const std::wstring line = helpCommandLine(windows, skin::programFolder(General::programPath()));
    if (!launcher().startProcess(helpViewerPath(windows), line)) {
        const std::string reason = ui::systemErrorText(GetLastError());
        messageBox(ui::MessageBoxRequest{"The help viewer could not be started: " + ui::narrow(line) +
                                             (reason.empty() ? "" : "\n" + reason),
                                         ui::kApplicationTitle, ui::Icon::Critical});
    }
}

void Form1::openMakerPage(const std::wstring& url) {
    if (!launcher().openWebPage(url)) {
        messageBox(ui::MessageBoxRequest{"No web browser could be started for " + ui::narrow(url),
                                         ui::kApplicationTitle, ui::Icon::Critical});
    }
}

}  // namespace app
