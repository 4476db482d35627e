// The standard messages per code and port type, and the remedy hints.
#include <gtest/gtest.h>

#include <cerrno>

#include "base/language.h"
#include "port/port_errors.h"
#include "port/port_settings.h"

using namespace printune;

namespace {

struct MessageCase {
    int code;
    int portType;
    const char* english; // "" where the code has no message for the type
};

TEST(PortErrorMessage, TheStandardTableInEnglish) {
    const char* inUse = "The interface is used by other program or non-existent!";
    const char* write = "Unable to send file to port.";
    const char* read = "Unable to get printer's setting!";
    const MessageCase cases[] = {
        {8000, PORT_LPT, "Open the LPT interface fail!"},
        {8000, PORT_USB, "Open the USB interface fail!"},
        {8000, PORT_LAN,
         "Lan connect fail. Please ensure the wire is connecting and the IP is valid."},
        {8000, PORT_COM, ""},
        {8002, PORT_LPT, inUse},
        {8002, PORT_USB, inUse},
        {8002, PORT_LAN, inUse},
        {8002, PORT_COM, inUse},
        {8005, PORT_USB, "Haven't detected any printer on line."},
        {8005, PORT_COM, ""},
        {8005, PORT_LAN, ""},
        {8006, PORT_USB, "Get no information about printer."},
        {8006, PORT_LPT, ""},
        {8003, PORT_LPT, write},
        {8003, PORT_USB, write},
        {8003, PORT_LAN, write},
        {8003, PORT_COM, write},
        {8004, PORT_LPT, read},
        {8004, PORT_USB, read},
        {8004, PORT_LAN, read},
        {8004, PORT_COM, read},
        {8001, PORT_USB, ""},
        {8003, 5, ""},
        {0, PORT_COM, ""},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " type " + std::to_string(c.portType));
        EXPECT_EQ(PortErrorMessage(c.code, c.portType, LANG_ENGLISH), c.english);
        // Every English message has a Chinese one, and only those.
        std::string zh = PortErrorMessage(c.code, c.portType, LANG_CHINESE);
        EXPECT_EQ(zh.empty(), std::string(c.english).empty());
        if (!zh.empty()) {
            EXPECT_NE(zh, c.english);
        }
    }
}

TEST(PortErrorMessage, ChineseTexts) {
    EXPECT_EQ(PortErrorMessage(8002, PORT_COM, LANG_CHINESE), "接口被其他程序占用或不存在！");
    EXPECT_EQ(PortErrorMessage(8000, PORT_USB, LANG_CHINESE), "打开USB接口失败！");
    // Any other language id falls back to English.
    EXPECT_EQ(PortErrorMessage(8003, PORT_COM, 1041), "Unable to send file to port.");
}

TEST(PortErrorHint, NamesTheRemedyForTheCause) {
    EXPECT_NE(PortErrorHint(8002, PORT_COM, EACCES, LANG_ENGLISH).find("dialout"),
              std::string::npos);
    EXPECT_NE(PortErrorHint(8000, PORT_USB, EACCES, LANG_ENGLISH).find("lp group"),
              std::string::npos);
    EXPECT_NE(PortErrorHint(8000, PORT_LPT, EPERM, LANG_ENGLISH).find("lp group"),
              std::string::npos);
    EXPECT_NE(PortErrorHint(8002, PORT_COM, EBUSY, LANG_ENGLISH).find("in use"), std::string::npos);
    EXPECT_NE(PortErrorHint(8000, PORT_USB, EBUSY, LANG_CHINESE).find("使用"), std::string::npos);
    EXPECT_NE(PortErrorHint(8005, PORT_USB, ENOENT, LANG_ENGLISH).find("usblp"), std::string::npos);
    EXPECT_NE(PortErrorHint(8006, PORT_USB, ENODEV, LANG_ENGLISH).find("model"), std::string::npos);
    EXPECT_NE(PortErrorHint(8000, PORT_LAN, ECONNREFUSED, LANG_ENGLISH).find("TCP port"),
              std::string::npos);
    EXPECT_NE(PortErrorHint(8000, PORT_LAN, ETIMEDOUT, LANG_ENGLISH).find("IP address"),
              std::string::npos);
    // Nothing useful to add.
    EXPECT_EQ(PortErrorHint(8003, PORT_COM, 0, LANG_ENGLISH), "");
    EXPECT_EQ(PortErrorHint(8000, PORT_LAN, EACCES, LANG_ENGLISH), "");
    EXPECT_EQ(PortErrorHint(8003, PORT_COM, EIO, LANG_ENGLISH), "");
}

} // namespace
