#pragma once
// CCommLogDlg: the communication log, a modeless window opened from the main
// window. While it is open (or "Record while closed" is ticked) it attaches
// a sink to the communication trace; events arrive on any thread, wait in
// an inbox and are added to the table on the GUI thread in batches, so that
// a large send cannot flood the window. It keeps the last 10,000 events.
#include <cstdint>
#include <functional>
#include <memory>

#include <QDialog>
#include <QString>

#include "app/comm_log.h"

class QTimer;

namespace Ui {
class CCommLogDlg;
}

namespace printune {

class CommLogTableModel;

class CCommLogDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCommLogDlg(QWidget* parent = nullptr);
    ~CCommLogDlg() override;

    // Asks for the file Save writes; returns an empty text when cancelled.
    // Tests answer it instead of the file dialog; empty restores the dialog.
    using FileChooser = std::function<QString(QWidget* owner)>;
    static void SetFileChooser(FileChooser chooser);

    // Whether a trace sink is attached now.
    bool Recording() const { return sink_ >= 0; }
    const CommLog& Log() const;
    // Rows shown under the current filter.
    int ShownRows() const;
    // Events dropped to keep the last 10,000, since the last Clear.
    uint64_t Dropped() const { return Log().Dropped() + lost_; }
    // The text of the shown rows (all when none is selected), as Copy puts
    // it on the clipboard.
    QString RowsText(bool selectedOnly) const;
    // Moves the events waiting in the inbox into the table (the 100 ms
    // timer does this; tests may call it).
    void TakeInbox();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Inbox;

    void Attach();
    void Detach();
    void UpdateCount();
    void OnClear();
    void OnSave();
    void OnCopy();
    void OnFilter(int index);

    std::unique_ptr<Ui::CCommLogDlg> ui_;
    std::shared_ptr<Inbox> inbox_;
    CommLogTableModel* model_ = nullptr;
    QTimer* timer_ = nullptr;
    int sink_ = -1;
    uint64_t lost_ = 0; // overflowed the inbox before the table took them
};

} // namespace printune
