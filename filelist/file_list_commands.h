#pragma once
// The commands of the movie list and of project files, free of any window: the main window's
// handlers (Command1_Click and AddFiles_Click, Command2_Click and RemoveSelectedFile_Click,
// ClearAll_Click, NewCDLayout_Click, OpenCDLayout_Click, SaveCDLayout_Click) call them, and tests
// run them against a fake user interface and a fake file system.

#include <string>

#include "filelist/code_page.h"
#include "filelist/movie_list.h"
#include "ui/file_system.h"
#include "ui/ui.h"

namespace filelist {

// The open dialog of Add Files: Explorer style, several files at once, no read-only check box,
// shortcuts returned as themselves.
inline constexpr std::uint32_t kAddFilesDialogFlags = ui::kOfnHideReadOnly |
                                                      ui::kOfnAllowMultiSelect | ui::kOfnExplorer |
                                                      ui::kOfnNoDereferenceLinks;
static_assert(kAddFilesDialogFlags == 0x180204);
inline constexpr const char* kMovieFilter = "MP3 Files(*.SWF)|*.SWF";
inline constexpr const char* kProjectFilter = "Recording Project Files(*.Kvx)|*.Kvx";
inline constexpr std::size_t kDialogMaxFileLength = 32767;

// "mm-dd-yyyy": 3 July 2006 reads 07-03-2006.
std::string formatDate(const ui::LocalTime& time);

class FileListCommands {
public:
    // sharedDialog is the main window's one file dialog: what a command sets on it stays set for
    // the next command that shows it.
    FileListCommands(MovieList& list, ui::Ui& ui, ui::FileSystem& files, const CodePage& codePage,
                     ui::FileDialogSettings& sharedDialog)
        : m_list(list), m_ui(ui), m_files(files), m_codePage(codePage), m_dialog(sharedDialog) {}

    // Add Files: one row per chosen file, after the rows already there, in the dialog's order,
    // with its size and date; a file whose size or date cannot be read keeps empty cells and the
    // rest of the selection is still added. Cancel changes nothing.
    void addFiles();

    // Remove File: removes the selected row; nothing happens without one.
    void removeFile();

    // Clear All and New project: empty the list without a question.
    void clearAll();
    void newProject() { clearAll(); }

    // Open project: appends the rows of a project file. Cancel, an empty name or a file that
    // cannot be read leave the list as it was, without a message.
    void openProject();

    // Save project: writes every row to the chosen file through a temporary file that replaces
    // it only when complete. A failure is shown in a message box and leaves an existing file
    // as it was; Cancel writes nothing.
    void saveProject();

private:
    void setUpProjectDialog();

    MovieList& m_list;
    ui::Ui& m_ui;
    ui::FileSystem& m_files;
    const CodePage& m_codePage;
    ui::FileDialogSettings& m_dialog;
};

}  // namespace filelist
