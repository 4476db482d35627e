#pragma once
// The one way the settings pages ask for a file name. Tests install an
// answerer that records each request and answers it instead of showing a
// modal file dialog (as they answer the message service).
#include <functional>
#include <optional>

#include <QPointer>
#include <QString>
#include <QWidget>

namespace printune {

struct FileDialogRequest {
    enum class Mode { Open, Save };
    QPointer<QWidget> owner;
    Mode mode = Mode::Open;
    QString title;
    QString filter;        // "Profiles (*.profile);;All files (*)"
    QString defaultSuffix; // added to a saved name without one
};

class FileDialogService {
public:
    using Answerer = std::function<std::optional<QString>(const FileDialogRequest&)>;

    // Shows a modal file dialog; the chosen path, or nothing when cancelled.
    static std::optional<QString> Choose(const FileDialogRequest& request);

    // Replaces the modal dialog (tests); an empty answerer restores it.
    static void SetAnswerer(Answerer answerer);
};

} // namespace printune
