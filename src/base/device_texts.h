#pragma once
// Messages of the device operations (sending, firmware, print tests, Wi-Fi,
// Bluetooth) in both languages, so the GUI and the command line say the same.
#include <string>

namespace printune {

enum class DeviceText {
    SendFailed,         // "Unable to send file to port."
    FileSent,           // "File sent successfully."
    InputEmpty,         // "The input content can not empty!"
    NotHex,             // "Data entered is not hexadecimal data!"
    SelectFile,         // "Select a file please."
    TestDataMissing,    // "File -"testPrint.vt" is missing !"
    WifiKeyFormat,      // the key check message
    WifiKeyInstruction, // the key-format instruction text
    WifiFieldMissing,   // a Wi-Fi field left empty
    BtNameInvalid,      // "Please enter a valid Bluetooth name !"
    BtPasswordInvalid,  // "Please enter a valid password !"
    BtRemark,           // the dialog's remark text
    TimedOut,           // "Communication is time out!"
    ReadFailed,         // "Unable to get printer's setting!"
    PortUnavailable,    // the port type opens nothing
    FileUnreadable,     // %s: path
    ImageKindUnknown,   // %s: path
    CharNotInCodePage,  // %s: the character, %s: the code page
    CharNotSingleByte,  // %s: the character
    InvalidUtf8,        // the text is not valid UTF-8
    FirmwareCancelled,  // the update was stopped before every byte went out
    FileEmpty,          // %s: path
    FileNotRegular,     // %s: path (a FIFO, a device, a directory)
    ImageTooLarge,      // %s: path, %s: the bound in MiB
};

// The text in the language with the given identifier (1033 or 2052), UTF-8.
// Texts with %s take their arguments through FormatDeviceText.
std::string DeviceTextString(DeviceText id, int languageId);
std::string FormatDeviceText(DeviceText id, int languageId, const std::string& a,
                             const std::string& b = std::string());

} // namespace printune
