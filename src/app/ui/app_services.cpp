#include "app/ui/app_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>

namespace printune {

namespace {
RestartHandler restartHandler;
OpenDocumentHandler openHandler;
} // namespace

bool RestartProgram() {
    if (restartHandler)
        return restartHandler();
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), {},
                                   QDir::currentPath());
}

void SetRestartHandler(RestartHandler handler) {
    restartHandler = std::move(handler);
}

bool OpenDocument(const QString& absolutePath) {
    if (openHandler)
        return openHandler(absolutePath);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(absolutePath));
}

void SetOpenDocumentHandler(OpenDocumentHandler handler) {
    openHandler = std::move(handler);
}

} // namespace printune
