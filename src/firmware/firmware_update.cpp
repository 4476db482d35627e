#include "firmware/firmware_update.h"

#include <algorithm>

#include "base/device_texts.h"
#include "firmware/firmware_rules.h"
#include "firmware/firmware_texts.h"
#include "port/fd_io.h"
#include "port/usb_filter.h"
#include "port/exchange.h"
#include "base/narrow_text.h"

namespace printune {

std::vector<uint8_t> FirmwareVersionRequest() {
    return {0x1B, 0x0D, 0x53, 0x1B, 0x1A, 0x01, 0x1B, 0x10, 0x45};
}

std::optional<std::string> ReadFirmwareVersion(PortLink& link, int timeoutMs, std::stop_token stop,
                                               int languageId) {
    LinkAsPort port{link};
    ExchangeOptions options = LabelExchangeOptions();
    options.timeoutMs = timeoutMs;
    const ExchangeResult r =
        ExchangeOver(port, FirmwareVersionRequest(), true, options, std::move(stop));
    if (r.outcome != ExchangeOutcome::Reply)
        return std::nullopt;
    // The text ends at the first zero byte, or where the reply ends.
    const auto end = std::find(r.reply.begin(), r.reply.end(), uint8_t{0});
    std::string text(r.reply.begin(), end);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    return NarrowToUtf8(text, languageId);
}

DownloadModeResult EnterDownloadMode(PortLink& link, const std::string& printerModel,
                                     int languageId, std::stop_token stop) {
    DownloadModeResult r;
    if (UpdateAvailable(link.PortType(), printerModel, languageId) &&
        HasDownloadCommand(printerModel, languageId))
        r.versionBefore = ReadFirmwareVersion(link, VERSION_READ_TIMEOUT_MS, stop, languageId);
    r.send = SendDownloadCommand(link, languageId);
    return r;
}

TransferEstimate EstimateTransfer(int64_t sent, int64_t total, int64_t elapsedMs, int blocks) {
    TransferEstimate e;
    if (blocks < ESTIMATE_MIN_BLOCKS || elapsedMs < ESTIMATE_MIN_MS || sent <= 0)
        return e;
    e.bytesPerSecond = static_cast<double>(sent) * 1000.0 / static_cast<double>(elapsedMs);
    const int64_t left = std::max<int64_t>(0, total - sent);
    e.secondsLeft = static_cast<int64_t>(static_cast<double>(left) / e.bytesPerSecond + 0.5);
    return e;
}

namespace {

using ProgressFn = std::function<void(const UpdateProgress&)>;

void Report(const ProgressFn& onProgress, const UpdateProgress& p) {
    if (onProgress)
        onProgress(p);
}

// After the download-mode command a USB printer leaves the bus and comes
// back with its loader's IDs: wait for it rather than fail the open.
bool AwaitLoader(const FirmwareUpdateRequest& q, ImageKind kind, std::stop_token stop,
                 const ProgressFn& onProgress) {
    if (!q.downloadMode)
        return true;
    UpdateProgress p;
    p.stage = UpdateStage::WaitingForLoader;
    p.text = FormatFirmwareText(FirmwareText::WaitingForLoader, q.languageId);
    if (q.portType == PORT_USB) {
        Report(onProgress, p);
        const UsbFilter filter = UpdateUsbFilter(kind, true, CurrentUsbFilter());
        return WaitForPrinterReturn(filter, q.afterCommandMs, PRINTER_RETURN_MAX_MS, stop) !=
               PrinterReturn::Stopped;
    }
    if (q.afterCommandMs <= 0)
        return true;
    Report(onProgress, p);
    return PauseFor(q.afterCommandMs, stop);
}

// The printer restarts with the new image: wait until it answers the
// version request, within the bound.
void AwaitReturn(PortLink& link, const FirmwareUpdateRequest& q, std::stop_token stop,
                 const ProgressFn& onProgress, FirmwareUpdateResult& r) {
    const int64_t start = MonotonicMs();
    const int64_t deadline = start + std::max(0, q.returnMaxMs);
    UpdateProgress p;
    p.stage = UpdateStage::WaitingForReturn;
    p.waitMaxMs = std::max(0, q.returnMaxMs);
    const auto report = [&] {
        p.waitedMs = static_cast<int>(MonotonicMs() - start);
        p.text = FormatFirmwareText(FirmwareText::WaitingForReturn, q.languageId,
                                    std::to_string(p.waitedMs / 1000),
                                    std::to_string(p.waitMaxMs / 1000));
        Report(onProgress, p);
    };
    // Pauses up to ms (never past the deadline), showing the wait.
    const auto pause = [&](int64_t ms) {
        const int64_t until = std::min(deadline, MonotonicMs() + ms);
        for (int64_t now = MonotonicMs(); now < until; now = MonotonicMs()) {
            report();
            if (!PauseFor(static_cast<int>(std::min<int64_t>(250, until - now)), stop))
                return false;
        }
        return true;
    };
    bool going = true;
    if (q.portType == PORT_USB) {
        // The model's filter is back in place: see the printer leave the bus
        // and return (or stay, when it restarts between two looks).
        const int64_t bound = std::min<int64_t>(q.returnMaxMs, PRINTER_RETURN_MAX_MS);
        going = WaitForPrinterReturn(CurrentUsbFilter(), RESTART_SETTLE_MS, static_cast<int>(bound),
                                     stop, [&](bool) { report(); }) != PrinterReturn::Stopped;
    } else {
        going = pause(RESTART_SETTLE_MS);
    }
    while (going) {
        const int64_t left = deadline - MonotonicMs();
        report();
        r.versionAfter = ReadFirmwareVersion(
            link, static_cast<int>(std::clamp<int64_t>(left, 500, VERSION_READ_TIMEOUT_MS)), stop,
            q.languageId);
        if (r.versionAfter) {
            r.check = PrinterCheck::Back;
            r.versionNotice =
                r.versionBefore
                    ? Notice{Severity::Information,
                             FormatFirmwareText(FirmwareText::VersionChange, q.languageId,
                                                *r.versionBefore, *r.versionAfter)}
                    : Notice{Severity::Information,
                             FormatFirmwareText(FirmwareText::VersionAfter, q.languageId,
                                                *r.versionAfter)};
            return;
        }
        if (stop.stop_requested())
            break;
        if (MonotonicMs() >= deadline) {
            r.check = PrinterCheck::NotBack;
            r.versionNotice =
                Notice{Severity::Warning, FormatFirmwareText(FirmwareText::NotBack, q.languageId,
                                                             std::to_string(q.returnMaxMs / 1000))};
            return;
        }
        going = pause(VERSION_POLL_MS);
    }
    r.check = PrinterCheck::Stopped;
}

} // namespace

std::optional<Notice> CheckUpdateFile(const std::string& path, const std::string& printerModel,
                                      int languageId) {
    if (auto wrong = CheckImageForModel(ImageKindFromPath(path), path, printerModel, languageId))
        return wrong;
    PreparedImage prepared = PrepareImage(path, languageId);
    if (!prepared.ok)
        return prepared.notice.value_or(Notice{});
    return std::nullopt;
}

FirmwareUpdateResult RunFirmwareUpdate(PortLink& link, const FirmwareUpdateRequest& q,
                                       std::stop_token stop, const ProgressFn& onProgress) {
    FirmwareUpdateResult r;
    r.versionBefore = q.versionBefore;
    const ImageKind kind = ImageKindFromPath(q.path);
    auto refuse = [&r](std::optional<Notice> notice) {
        r.refused = true;
        r.transfer.notice = std::move(notice);
        r.updateEnabledAfter = true; // nothing happened to the printer
        return r;
    };
    if (auto wrong = CheckImageForModel(kind, q.path, q.printerModel, q.languageId))
        return refuse(wrong);
    PreparedImage prepared = PrepareImage(q.path, q.languageId);
    if (!prepared.ok)
        return refuse(prepared.notice);
    r.fileLength = prepared.image.fileLength;

    if (!AwaitLoader(q, kind, stop, onProgress)) {
        r.transfer.notice =
            Notice{Severity::Error, DeviceTextString(DeviceText::FirmwareCancelled, q.languageId)};
        r.updateEnabledAfter = UpdateEnabledAfterUpdate(false, q.printerModel, q.languageId);
        return r;
    }

    const int64_t start = MonotonicMs();
    UpdateProgress p;
    p.stage = UpdateStage::Sending;
    r.transfer = TransferImage(
        link, prepared.image, q.downloadMode, stop, q.languageId, [&](const TransferProgress& t) {
            p.transfer = t;
            ++p.blocks;
            p.estimate = EstimateTransfer(t.sent, t.total, MonotonicMs() - start, p.blocks);
            p.text = TransferDetail(t.sent, t.total, p.estimate.bytesPerSecond,
                                    p.estimate.secondsLeft, q.languageId);
            Report(onProgress, p);
        });
    r.updateEnabledAfter = UpdateEnabledAfterUpdate(r.transfer.ok, q.printerModel, q.languageId);

    const bool knowable = r.transfer.ok && kind == ImageKind::LabelFile &&
                          HasDownloadCommand(q.printerModel, q.languageId) &&
                          (q.portType == PORT_USB || q.portType == PORT_LAN);
    if (knowable)
        AwaitReturn(link, q, stop, onProgress, r);
    return r;
}

} // namespace printune
