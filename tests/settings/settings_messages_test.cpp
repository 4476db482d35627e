#include <gtest/gtest.h>

#include "base/language.h"
#include "port/port_errors.h"
#include "settings/settings_messages.h"

using namespace printune;

TEST(SettingsMessages, ExchangeOutcomesInBothLanguages) {
    ExchangeResult r;
    r.outcome = ExchangeOutcome::TimedOut;
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_COM, LANG_ENGLISH), "Communication is time out!");
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_COM, LANG_CHINESE), TimeOutMessage(LANG_CHINESE));
    EXPECT_NE(TimeOutMessage(LANG_CHINESE), TimeOutMessage(LANG_ENGLISH));

    r.outcome = ExchangeOutcome::WriteFailed;
    r.portError = PORT_ERR_WRITE;
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_USB, LANG_ENGLISH), "Unable to send file to port.");
    r.outcome = ExchangeOutcome::ReadFailed;
    r.portError = PORT_ERR_READ;
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_LAN, LANG_ENGLISH),
              "Unable to get printer's setting!");
    r.outcome = ExchangeOutcome::OpenFailed;
    r.portError = PORT_ERR_USB_NONE;
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_USB, LANG_ENGLISH),
              "Get no information about printer.");
    // An open failure that has no message for its port type is still told.
    r.portError = PORT_ERR_OPEN;
    EXPECT_FALSE(ExchangeFailureMessage(r, 7, LANG_ENGLISH).empty());

    r.outcome = ExchangeOutcome::Reply;
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_COM, LANG_ENGLISH), "");
    r.outcome = ExchangeOutcome::Stopped;
    EXPECT_EQ(ExchangeFailureMessage(r, PORT_COM, LANG_ENGLISH), "");
    EXPECT_EQ(ValueTooLargeMessage(LANG_ENGLISH), "The value is too large!");
    EXPECT_EQ(InputIntegerMessage(LANG_ENGLISH), "Input integer please.");
}
