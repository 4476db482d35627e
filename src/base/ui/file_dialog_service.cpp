#include "base/ui/file_dialog_service.h"

#include <QFileDialog>

namespace printune {

namespace {

FileDialogService::Answerer& CurrentAnswerer() {
    static FileDialogService::Answerer answerer;
    return answerer;
}

} // namespace

std::optional<QString> FileDialogService::Choose(const FileDialogRequest& request) {
    if (CurrentAnswerer())
        return CurrentAnswerer()(request);
    const bool save = request.mode == FileDialogRequest::Mode::Save;
    QFileDialog dialog(request.owner, request.title, QString(), request.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void FileDialogService::SetAnswerer(Answerer answerer) {
    CurrentAnswerer() = std::move(answerer);
}

} // namespace printune
