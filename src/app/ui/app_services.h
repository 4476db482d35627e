#pragma once
// Seams for what leaves the program: starting a new instance of itself and
// opening a document with the desktop's default application. Tests replace
// them to observe the calls instead of spawning processes.
#include <functional>

#include <QString>

namespace printune {

using RestartHandler = std::function<bool()>;
using OpenDocumentHandler = std::function<bool(const QString& absolutePath)>;

// Starts the running executable again (its own full path, no shell, same
// working directory). Returns false when it could not be started.
bool RestartProgram();
void SetRestartHandler(RestartHandler handler); // empty: the real start

// Opens an existing local file with the desktop's default handler (no shell).
bool OpenDocument(const QString& absolutePath);
void SetOpenDocumentHandler(OpenDocumentHandler handler); // empty: the desktop

} // namespace printune
