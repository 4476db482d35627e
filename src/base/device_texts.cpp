#include "base/device_texts.h"

#include "base/language.h"

namespace printune {

namespace {

struct Entry {
    const char* english;
    const char* chinese;
};

Entry Lookup(DeviceText id) {
    switch (id) {
    case DeviceText::SendFailed:
        return {"Unable to send file to port.", "无法发送文件到端口。"};
    case DeviceText::FileSent:
        return {"File sent successfully.", "文件发送成功。"};
    case DeviceText::InputEmpty:
        return {"The input content can not empty!", "输入内容不能为空！"};
    case DeviceText::NotHex:
        return {"Data entered is not hexadecimal data!", "输入的数据不是十六进制数据！"};
    case DeviceText::SelectFile:
        return {"Select a file please.", "请选择文件。"};
    case DeviceText::TestDataMissing:
        return {"File -\"testPrint.vt\" is missing !", "文件 -\"testPrint.vt\" 不存在！"};
    case DeviceText::WifiKeyFormat:
        return {"Please input the password with the correct format according to the \"KEY "
                "FORMAT INSTRUCTION\" below!",
                "请按照下面的“密钥格式说明”输入正确格式的密码！"};
    case DeviceText::WifiKeyInstruction:
        return {"KEY FORMAT INSTRUCTION:\n1.None:Key not required;\n2.WEP64:The key should be 5 "
                "ASCII characters or 5 hexadecimal digits;\n3.WEP128:The key should be 13 ASCII "
                "characters or 13 hexadecimal digits;\n4.WPA-PSK(TKIP) or WPA-PSK(CCMP/AES) "
                "or\nWPA2-PSK(TKIP) or WPA2-PSK(CCMP/AES):The key should be 8 to 63 ASCII "
                "characters or 8 to 64 hexadecimal digits.",
                "密钥格式说明：\n1.None：不需要密钥；\n2.WEP64：密钥应为 5 个 ASCII 字符或 5 "
                "个十六进制数；\n3.WEP128：密钥应为 13 个 ASCII 字符或 13 个十六进制数；\n4."
                "WPA-PSK(TKIP)、WPA-PSK(CCMP/AES)、\nWPA2-PSK(TKIP) 或 "
                "WPA2-PSK(CCMP/AES)：密钥应为 8 至 63 个 ASCII 字符或 8 至 64 个十六进制数。"};
    case DeviceText::WifiFieldMissing:
        return {"Please fill in every Wi-Fi field.", "请填写所有 Wi-Fi 参数。"};
    case DeviceText::BtNameInvalid:
        return {"Please enter a valid Bluetooth name !", "请输入有效的蓝牙名称！"};
    case DeviceText::BtPasswordInvalid:
        return {"Please enter a valid password !", "请输入有效的密码！"};
    case DeviceText::BtRemark:
        return {"Remark:\n1. The Bluetooth name must be less than 15 characters in length.\n2. "
                "The Bluetooth password must be 4 charcters.\n3. The printer beeps once when "
                "clicked  \"Send Settings\".If not, the setup is failed.",
                "备注：\n1. 蓝牙名称长度必须少于 15 个字符。\n2. 蓝牙密码必须为 4 个字符。\n3. "
                "点击“发送设置”后打印机会鸣叫一声，否则设置失败。"};
    case DeviceText::TimedOut:
        return {"Communication is time out!", "通讯超时！"};
    case DeviceText::ReadFailed:
        return {"Unable to get printer's setting!", "无法获取打印机设置！"};
    case DeviceText::PortUnavailable:
        return {"The selected interface cannot be opened.", "无法打开所选接口。"};
    case DeviceText::FileUnreadable:
        return {"Unable to read the file \"%s\".", "无法读取文件“%s”。"};
    case DeviceText::ImageKindUnknown:
        return {"\"%s\" is not a firmware or font file (.bin, .fw or .cg).",
                "“%s”不是固件或字库文件（.bin、.fw 或 .cg）。"};
    case DeviceText::CharNotInCodePage:
        return {"The character \"%s\" cannot be sent in the printer's code page (%s).",
                "字符“%s”无法用打印机的代码页（%s）发送。"};
    case DeviceText::CharNotSingleByte:
        return {"The character \"%s\" cannot be sent here: only single-byte (Latin-1) "
                "characters are allowed.",
                "此处不能发送字符“%s”：只允许单字节（Latin-1）字符。"};
    case DeviceText::InvalidUtf8:
        return {"The text contains an invalid character.", "文本包含无效字符。"};
    case DeviceText::FirmwareCancelled:
        return {"The update was stopped before the whole file was sent.",
                "更新已停止，文件未完全发送。"};
    case DeviceText::FileEmpty:
        return {"The file \"%s\" is empty.", "文件“%s”为空。"};
    case DeviceText::FileNotRegular:
        return {"\"%s\" is not a regular file.", "“%s”不是普通文件。"};
    case DeviceText::ImageTooLarge:
        return {"The file \"%s\" is larger than any firmware image (%s MiB at most).",
                "文件“%s”超过固件映像的最大大小（最多 %s MiB）。"};
    }
    return {"", ""};
}

} // namespace

std::string DeviceTextString(DeviceText id, int languageId) {
    Entry e = Lookup(id);
    return languageId == LANG_CHINESE ? e.chinese : e.english;
}

std::string FormatDeviceText(DeviceText id, int languageId, const std::string& a,
                             const std::string& b) {
    std::string pattern = DeviceTextString(id, languageId);
    std::string out;
    int arg = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            out += arg++ == 0 ? a : b;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace printune
