#include "filelist/file_list_commands.h"

#include <cstdio>
#include <vector>

#include "filelist/mod_dlg_select_file_info.h"
#include "filelist/project_file.h"

namespace filelist {

std::string formatDate(const ui::LocalTime& time) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d", time.month, time.day, time.year);
    return buf;
}

void FileListCommands::addFiles() {
    m_dialog.flags = kAddFilesDialogFlags;
    m_dialog.filter = kMovieFilter;
    m_dialog.maxFileLength = kDialogMaxFileLength;
    if (m_ui.showOpen(m_dialog) != ui::DialogOutcome::Confirmed) return;

    const ModDlgSelectFileInfo::DlgSelectFileInfo info =
        ModDlgSelectFileInfo::GetDlgSelectFileInfo(m_dialog.fileName, m_ui);
    m_dialog.fileName.clear();  // the next dialog starts with an empty name box
    if (info.FileCount <= 0) return;

    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(info.FileCount));
    for (std::int32_t i = 1; i <= info.FileCount; ++i) {
        Row row(info.FolderPath + info.FileNames[static_cast<std::size_t>(i)]);
        if (core::Result<ui::FileInfo> fi = m_files.fileInfo(row.path())) {
            row.cell(Column::Byte) = std::to_string(fi->size);
            row.cell(Column::Time) = formatDate(fi->lastModified);
        }
        rows.push_back(std::move(row));
    }
    m_list.append(std::move(rows));
}

void FileListCommands::removeFile() {
    const std::optional<std::size_t> selected = m_ui.selectedRow();
    if (selected) m_list.remove(*selected);  // no such row: nothing happens
}

void FileListCommands::clearAll() { m_list.clear(); }

void FileListCommands::setUpProjectDialog() {
    // Only these two; the flags and the name stay as the last command left them.
    m_dialog.maxFileLength = kDialogMaxFileLength;
    m_dialog.filter = kProjectFilter;
}

void FileListCommands::openProject() {
    setUpProjectDialog();
    if (m_ui.showOpen(m_dialog) != ui::DialogOutcome::Confirmed) return;
    if (m_dialog.fileName.empty()) return;
    core::Result<std::string> bytes = m_files.readFile(m_dialog.fileName);
    if (!bytes) return;
    m_list.append(readProject(*bytes, m_codePage));
}

void FileListCommands::saveProject() {
    setUpProjectDialog();
    if (m_ui.showSave(m_dialog) != ui::DialogOutcome::Confirmed) return;
    if (m_dialog.fileName.empty()) return;
    const ProjectBytes content = writeProject(m_list.rows(), m_codePage);
    const core::Status written = m_files.replaceFile(m_dialog.fileName, content.bytes);
    if (written) return;
    ui::MessageBoxRequest request;
    request.text = "The project could not be saved to " + m_dialog.fileName + ".\n\n" +
                   written.error().message;
    request.caption = ui::kApplicationTitle;
    request.icon = ui::Icon::Critical;
    request.buttons = ui::Buttons::Ok;
    m_ui.messageBox(request);
}

}  // namespace filelist
