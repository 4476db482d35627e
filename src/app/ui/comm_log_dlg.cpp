#include "app/ui/comm_log_dlg.h"

#include <cstring>
#include <deque>
#include <mutex>

#include <QAbstractTableModel>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

#include "app/trace_meanings.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "ui_comm_log_dlg.h"

namespace printune {

namespace {

constexpr int BATCH_MS = 100;

enum Column { TIME, TRANSPORT, ENDPOINT, DIRECTION, LENGTH, BYTES, MEANING, COLUMNS };

struct TransportChoice {
    const char* key;
    const char* label; // shown as is, except "All"
};
constexpr TransportChoice TRANSPORTS[] = {{"", QT_TRANSLATE_NOOP("printune::CCommLogDlg", "All")},
                                          {"com", "COM"},
                                          {"lpt", "LPT"},
                                          {"usb", "USB"},
                                          {"lan", "LAN"},
                                          {"udp", "UDP"}};

CCommLogDlg::FileChooser& Chooser() {
    static CCommLogDlg::FileChooser chooser;
    return chooser;
}

QString ColumnTitle(int column) {
    switch (column) {
    case TIME:
        return CCommLogDlg::tr("Time (s)");
    case TRANSPORT:
        return CCommLogDlg::tr("Transport");
    case ENDPOINT:
        return CCommLogDlg::tr("Endpoint");
    case DIRECTION:
        return CCommLogDlg::tr("Direction");
    case LENGTH:
        return CCommLogDlg::tr("Length");
    case BYTES:
        return CCommLogDlg::tr("Bytes");
    default:
        return CCommLogDlg::tr("Meaning");
    }
}

// The window's word for a row's direction or event kind.
QString DirectionText(const std::string& key) {
    if (key == "out")
        return CCommLogDlg::tr("Send");
    if (key == "in")
        return CCommLogDlg::tr("Receive");
    if (key == "open")
        return CCommLogDlg::tr("Open");
    if (key == "close")
        return CCommLogDlg::tr("Close");
    if (key == "timeout")
        return CCommLogDlg::tr("Time-out");
    return CCommLogDlg::tr("Error");
}

// A row with the window's words, upper-case transport names.
CommLogRow ShownRow(const TraceEvent& event, int64_t originUs) {
    CommLogRow row = CommLogRowOf(event, originUs);
    for (char& c : row.transport)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    row.direction = S(DirectionText(row.direction));
    return row;
}

const std::string& Cell(const CommLogRow& row, int column) {
    switch (column) {
    case TIME:
        return row.time;
    case TRANSPORT:
        return row.transport;
    case ENDPOINT:
        return row.endpoint;
    case DIRECTION:
        return row.direction;
    case LENGTH:
        return row.length;
    case BYTES:
        return row.bytes;
    default:
        return row.meaning;
    }
}

} // namespace

// Events from the trace's threads, waiting for the GUI thread. Bounded: what
// exceeds one log's worth would be dropped by the log anyway.
struct CCommLogDlg::Inbox {
    std::mutex mutex;
    std::deque<TraceEvent> events;
    uint64_t lost = 0;

    void Put(const TraceEvent& e) {
        std::lock_guard lock(mutex);
        if (events.size() >= COMM_LOG_CAPACITY) {
            events.pop_front();
            ++lost;
        }
        events.push_back(e);
    }
};

// The table's rows: the kept events that pass the filter, by sequence.
class CommLogTableModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(shown_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : COLUMNS;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (role == Qt::TextAlignmentRole && (index.column() == TIME || index.column() == LENGTH))
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const CommLogRow row = RowAt(index.row());
        return Q(Cell(row, index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return ColumnTitle(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    CommLogRow RowAt(int row) const {
        return ShownRow(log_.BySequence(shown_[static_cast<size_t>(row)]), log_.OriginUs());
    }
    const CommLog& Log() const { return log_; }
    std::vector<size_t> ShownIndexes() const {
        std::vector<size_t> indexes;
        for (uint64_t seq : shown_)
            indexes.push_back(static_cast<size_t>(seq - log_.Dropped()));
        return indexes;
    }

    void Append(std::deque<TraceEvent>& batch) {
        std::vector<uint64_t> fresh;
        for (TraceEvent& e : batch) {
            const uint64_t seq = log_.Dropped() + log_.Size();
            if (CommLogPasses(e, filter_))
                fresh.push_back(seq);
            log_.Add(std::move(e));
        }
        size_t gone = 0;
        while (gone < shown_.size() && !log_.Holds(shown_[gone]))
            ++gone;
        if (gone > 0) {
            beginRemoveRows(QModelIndex(), 0, static_cast<int>(gone) - 1);
            shown_.erase(shown_.begin(), shown_.begin() + static_cast<std::ptrdiff_t>(gone));
            endRemoveRows();
        }
        std::erase_if(fresh, [this](uint64_t seq) { return !log_.Holds(seq); });
        if (fresh.empty())
            return;
        const int first = rowCount();
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(fresh.size()) - 1);
        shown_.insert(shown_.end(), fresh.begin(), fresh.end());
        endInsertRows();
    }
    void SetFilter(const std::string& filter) {
        beginResetModel();
        filter_ = filter;
        shown_.clear();
        for (size_t index : log_.Matching(filter_))
            shown_.push_back(log_.Dropped() + index);
        endResetModel();
    }
    void Clear() {
        beginResetModel();
        log_.Clear();
        shown_.clear();
        endResetModel();
    }

private:
    CommLog log_;
    std::vector<uint64_t> shown_;
    std::string filter_;
};

CCommLogDlg::CCommLogDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CCommLogDlg>()), inbox_(std::make_shared<Inbox>()) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    for (const TransportChoice& t : TRANSPORTS)
        ui_->transportCombo->addItem(*t.key ? QString::fromLatin1(t.label) : tr(t.label),
                                     QString::fromLatin1(t.key));
    model_ = new CommLogTableModel(this);
    QTableView* table = ui_->eventTable;
    table->setModel(model_);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    const int em = table->fontMetrics().horizontalAdvance(QLatin1Char('M'));
    const int widths[] = {8, 6, 14, 6, 5, 20};
    for (int c = 0; c < MEANING; ++c)
        table->setColumnWidth(c, widths[c] * em);

    timer_ = new QTimer(this);
    timer_->setInterval(BATCH_MS);
    connect(timer_, &QTimer::timeout, this, &CCommLogDlg::TakeInbox);
    connect(ui_->transportCombo, &QComboBox::currentIndexChanged, this, &CCommLogDlg::OnFilter);
    connect(ui_->clearButton, &QPushButton::clicked, this, &CCommLogDlg::OnClear);
    connect(ui_->saveButton, &QPushButton::clicked, this, &CCommLogDlg::OnSave);
    connect(ui_->copyButton, &QPushButton::clicked, this, &CCommLogDlg::OnCopy);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->recordClosedCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (!on && !isVisible())
            Detach();
    });
    UpdateCount();
}

CCommLogDlg::~CCommLogDlg() {
    Detach();
}

void CCommLogDlg::SetFileChooser(FileChooser chooser) {
    Chooser() = std::move(chooser);
}

const CommLog& CCommLogDlg::Log() const {
    return model_->Log();
}

int CCommLogDlg::ShownRows() const {
    return model_->rowCount();
}

void CCommLogDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Attach();
}

void CCommLogDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!ui_->recordClosedCheck->isChecked())
        Detach();
}

void CCommLogDlg::Attach() {
    if (sink_ >= 0)
        return;
    InstallTraceMeanings();
    // The sink runs on the reporting thread: it only queues the event. The
    // inbox outlives the sink (RemoveTraceSink waits for a running call).
    std::shared_ptr<Inbox> inbox = inbox_;
    sink_ = AddTraceSink([inbox](const TraceEvent& e) { inbox->Put(e); });
    timer_->start();
}

void CCommLogDlg::Detach() {
    if (sink_ < 0)
        return;
    RemoveTraceSink(sink_);
    sink_ = -1;
    timer_->stop();
    TakeInbox();
}

void CCommLogDlg::TakeInbox() {
    std::deque<TraceEvent> batch;
    uint64_t lost = 0;
    {
        std::lock_guard lock(inbox_->mutex);
        batch.swap(inbox_->events);
        std::swap(lost, inbox_->lost);
    }
    lost_ += lost;
    if (batch.empty() && lost == 0)
        return;
    QScrollBar* bar = ui_->eventTable->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    model_->Append(batch);
    UpdateCount();
    if (atEnd)
        ui_->eventTable->scrollToBottom();
}

void CCommLogDlg::UpdateCount() {
    const qulonglong dropped = Dropped();
    const qulonglong kept = model_->Log().Size();
    ui_->countLabel->setText(dropped == 0
                                 ? tr("%1 events").arg(kept)
                                 : tr("%1 events, %2 older ones dropped").arg(kept).arg(dropped));
}

void CCommLogDlg::OnFilter(int index) {
    TakeInbox();
    model_->SetFilter(S(ui_->transportCombo->itemData(index).toString()));
}

void CCommLogDlg::OnClear() {
    TakeInbox();
    model_->Clear();
    lost_ = 0;
    UpdateCount();
}

QString CCommLogDlg::RowsText(bool selectedOnly) const {
    std::vector<int> rows;
    if (selectedOnly)
        for (const QModelIndex& index : ui_->eventTable->selectionModel()->selectedRows())
            rows.push_back(index.row());
    if (rows.empty())
        for (int r = 0; r < model_->rowCount(); ++r)
            rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    CommLogRow header;
    std::string* cells[] = {&header.time,   &header.transport, &header.endpoint, &header.direction,
                            &header.length, &header.bytes,     &header.meaning};
    for (int c = 0; c < COLUMNS; ++c)
        *cells[c] = S(ColumnTitle(c));
    std::string text = CommLogRowText(header) + "\n";
    for (int r : rows)
        text += CommLogRowText(model_->RowAt(r)) + "\n";
    return Q(text);
}

void CCommLogDlg::OnCopy() {
    TakeInbox();
    QGuiApplication::clipboard()->setText(RowsText(true));
}

void CCommLogDlg::OnSave() {
    TakeInbox();
    QString path;
    if (Chooser())
        path = Chooser()(this);
    else
        path = QFileDialog::getSaveFileName(this, tr("Save Communication Log"),
                                            QStringLiteral("printune-trace.jsonl"),
                                            tr("Trace files (*.jsonl);;All files (*)"));
    if (path.isEmpty())
        return;
    if (!model_->Log().Save(S(path), model_->ShownIndexes())) {
        const int error = errno;
        MessageService::Show(this, MessageIcon::Error,
                             tr("The log cannot be saved to %1: %2")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
}

} // namespace printune
