#pragma once
// Shared pieces of the GUI tests: a temporary working directory holding the
// settings file, the main window built in a chosen UI language, recorded
// message boxes and restarts, and modal dialogs driven from a timer.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>
#include <QTemporaryDir>
#include <QTest>

#include "app/ui/printune_dlg.h"
#include "base/ui/file_dialog_service.h"
#include "base/ui/message_service.h"

namespace printune_test {

// The eighteen lines of a settings file with the given values.
struct IniValues {
    std::string model = "KP-520";
    int portType = 3;
    std::string com = "COM1";
    std::string baud = "9600";
    std::string parity = "None";
    std::string dataBit = "8";
    std::string stopBit = "1";
    std::string flow = "DTR";
    std::string lpt = "LPT1";
    std::string ip = "169.254.1.10";
    int listenPort = 9100;
    std::string language = "English";
};
std::string IniText(const IniValues& values);

// One test's world: a fresh current directory, answered message boxes,
// observed restarts and document openings. Restores everything at the end.
class GuiWorld {
public:
    GuiWorld();
    ~GuiWorld();

    void WriteIni(const IniValues& values);
    // The settings file as written, or empty when there is none.
    std::string ReadIni() const;
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // The main window with the UI language applied first (1033 or 2052),
    // shown and exposed.
    std::unique_ptr<printune::CPrintuneDlg> OpenMainWindow(int uiLanguage = 1033);

    std::vector<printune::MessageRecord> messages;
    // The file dialogs of the file dialog service: each is recorded and
    // answered with fileAnswer (nothing: cancelled).
    std::vector<printune::FileDialogRequest> fileRequests;
    std::optional<QString> fileAnswer;
    int restarts = 0;
    std::vector<QString> openedDocuments;

private:
    QTemporaryDir dir_;
    QString previousDir_;
};

// Finds a child widget by object name; fails the test when it is missing.
template <class T>
T* Find(QObject* root, const char* name) {
    T* found = root->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        QTest::qFail(qPrintable(QStringLiteral("no widget named %1").arg(QLatin1String(name))),
                     __FILE__, __LINE__);
    return found;
}

// Runs `action` on the next modal dialog once it is shown, while `trigger`
// (which opens it) blocks in exec(). Returns whether a dialog appeared.
bool WithModalDialog(const std::function<void()>& trigger,
                     const std::function<void(QDialog*)>& action);

// Picks a model of the interface page's list as the user does.
void PickModel(printune::CPrintuneDlg& window, int position);
// Chooses an entry of the function list (0-based row).
void ChooseFunction(printune::CPrintuneDlg& window, int row);

// Whether the text contains the line "key=value" inside "[section]".
bool IniHas(const std::string& ini, const std::string& section, const std::string& key,
            const std::string& value);

} // namespace printune_test
