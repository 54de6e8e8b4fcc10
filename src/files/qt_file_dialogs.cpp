#include "qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace morvi::files {

std::optional<QString> QtFileDialogs::choose(const FileDialogRequest &request)
{
    QFileDialog dialog(parent_, request.title);
    const bool open = request.kind == FileDialogRequest::Kind::Open;
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open && request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    // No start folder of its own: a bare name opens in the current directory,
    // a whole path in that file's folder.
    const QFileInfo initial(request.initialName);
    dialog.setDirectory(initial.isAbsolute() ? initial.absolutePath() : QDir::currentPath());
    dialog.selectFile(initial.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace morvi::files
