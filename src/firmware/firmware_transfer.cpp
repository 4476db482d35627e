#include "firmware/firmware_transfer.h"

#include <optional>

#include "port/comm_trace.h"

#include "base/device_texts.h"
#include "base/pause.h"
#include "port/fd_io.h"
#include "port/models.h"
#include "port/port_link.h"
#include "port/usb_printers.h"

namespace printune {

namespace {

Notice FailedNotice(Severity severity, int languageId) {
    return Notice{severity, DeviceTextString(DeviceText::SendFailed, languageId)};
}

} // namespace

TransferResult TransferImage(PortLink& link, const FirmwareImage& image, bool downloadMode,
                             std::stop_token stop, int languageId,
                             const std::function<void(const TransferProgress&)>& onProgress) {
    TransferResult r;
    ScopedUsbFilter filter(UpdateUsbFilter(image.kind, downloadMode, CurrentUsbFilter()));
    LinkCloser closer(link);
    try {
        if (link.Open() != 1) {
            r.notice = OpenFailureNotice(link, 0, Severity::Error, languageId);
            return r;
        }
    } catch (const PortError& e) {
        r.portError = e.Code();
        r.notice = OpenFailureNotice(e, Severity::Error, languageId);
        return r;
    }

    const auto total = static_cast<int64_t>(image.bytes.size());
    const BlockPlan plan = PlanBlocks(total);
    TransferProgress progress;
    progress.total = total;
    int64_t offset = 0;
    int zeroWrites = 0;
    while (offset < total) {
        if (stop.stop_requested()) {
            link.Close();
            r.notice = Notice{Severity::Error,
                              DeviceTextString(DeviceText::FirmwareCancelled, languageId)};
            return r;
        }
        const int64_t block = std::min(plan.block, total - offset);
        int written = 0;
        try {
            std::optional<TraceNote> note;
            if (TraceOn())
                note.emplace("firmware block " + std::to_string(offset / plan.block + 1) + " of " +
                             std::to_string(plan.writes));
            written = link.Write(image.bytes.data() + offset, static_cast<int32_t>(block));
        } catch (const PortError& e) {
            r.portError = e.Code();
            r.notice = FailedNotice(Severity::Warning, languageId);
            return r;
        }
        if (written == 0) {
            // Nothing taken: offer the same block again, but not for ever
            // (a USB open that found no printer writes nothing each time).
            if (++zeroWrites >= MAX_ZERO_WRITES) {
                link.Close();
                r.notice = FailedNotice(Severity::Error, languageId);
                return r;
            }
            PauseFor(10, stop);
            continue;
        }
        zeroWrites = 0;
        ++r.writes;
        r.sent += written;
        if (written != block) {
            link.Close();
            r.notice = FailedNotice(Severity::Error, languageId);
            return r;
        }
        offset += block;
        progress.sent = r.sent;
        progress.percent = static_cast<int>(r.sent * 100 / total);
        progress.caption = PercentCaption(r.sent, total);
        if (onProgress)
            onProgress(progress);
    }
    // The image counts as sent only once the printer has taken its tail.
    try {
        link.Flush();
    } catch (const PortError& e) {
        r.ok = false;
        r.portError = e.Code();
        r.notice = FailedNotice(Severity::Warning, languageId);
        return r;
    }
    link.Close();
    r.ok = r.sent == total;
    r.notice =
        r.ok ? Notice{Severity::Information, DeviceTextString(DeviceText::FileSent, languageId)}
             : FailedNotice(Severity::Error, languageId);
    return r;
}

TransferResult UpdateFirmware(PortLink& link, const std::string& path, bool downloadMode,
                              std::stop_token stop, int languageId,
                              const std::function<void(const TransferProgress&)>& onProgress) {
    PreparedImage prepared = PrepareImage(path, languageId);
    if (!prepared.ok) {
        TransferResult r;
        r.notice = prepared.notice;
        return r;
    }
    return TransferImage(link, prepared.image, downloadMode, stop, languageId, onProgress);
}

PrinterReturn WaitForPrinterReturn(const UsbFilter& filter, int settleMs, int maxMs,
                                   std::stop_token stop,
                                   const std::function<void(bool present)>& onPoll) {
    const int64_t start = MonotonicMs();
    const int64_t end = start + std::min(maxMs, PRINTER_RETURN_MAX_MS);
    bool seenGone = false;
    for (;;) {
        const bool present = CountUsbPrinters(filter) > 0;
        if (onPoll)
            onPoll(present);
        const int64_t now = MonotonicMs();
        seenGone = seenGone || !present;
        if (present && (seenGone || now - start >= settleMs))
            return PrinterReturn::Back;
        if (now >= end)
            return PrinterReturn::NotBack;
        if (!PauseFor(static_cast<int>(std::min<int64_t>(PRINTER_RETURN_POLL_MS, end - now)), stop))
            return PrinterReturn::Stopped;
    }
}

bool UpdateEnabledAfterUpdate(bool completed, const std::string& printerModel, int languageId) {
    return completed || !IsLabelPrinterName(printerModel, languageId);
}

SendOutcome SendDownloadCommand(PortLink& link, int languageId) {
    return SendToPrinter(link, DownloadModeCommand(), languageId);
}

} // namespace printune
