#include "network/netcfg_messages.h"

#include "base/language.h"

namespace printune {

std::string NetMessageText(NetMessage message, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    switch (message) {
    case NetMessage::SearchBusy:
        return zh ? "当前状态忙，请稍后再试。" : "Current condition is busy. Please try again.";
    case NetMessage::PrinterBusy:
        // The English text is the one users know, spelling included.
        return zh ? "正在搜索网络打印机，请稍后再试。"
                  : "Network printer is seaching. Please try again later.";
    case NetMessage::SelectPrinter:
        return zh ? "您必须选择一台打印机，或单击“取消”退出。"
                  : "You must select one printer or click cancel to exit.";
    case NetMessage::NoPrinterFound:
        return zh ? "没有找到网络打印机。" : "No network printer was found.";
    case NetMessage::QueryTimedOut:
        return zh ? "打印机没有应答。" : "The printer did not answer.";
    }
    return {};
}

} // namespace printune
