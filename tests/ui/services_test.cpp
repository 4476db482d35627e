// The text service (a text in a named language, whatever the UI language)
// and the port failure text with its remedy line.
#include <cerrno>

#include <QTest>

#include "base/language.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "port/port_errors.h"
#include "port/port_settings.h"
#include "port/ui/port_failure_text.h"

using namespace printune;

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void textsComeInTheNamedLanguageWhateverTheUiLanguage() {
        for (int ui : {LANG_ENGLISH, LANG_CHINESE}) {
            ApplyUiLanguage(ui);
            QCOMPARE(TextIn(LANG_CHINESE, "CPrintuneDlg", "Printune Help File.pdf"),
                     QString::fromUtf8("Printune 帮助文件.pdf"));
            QCOMPARE(TextIn(LANG_ENGLISH, "CPrintuneDlg", "Printune Help File.pdf"),
                     QStringLiteral("Printune Help File.pdf"));
            QCOMPARE(TextIn(LANG_CHINESE, "printune::CPrintuneDlg", "Test Items"),
                     QString::fromUtf8("测试项"));
            // A text without translation stays as written.
            QCOMPARE(TextIn(LANG_CHINESE, "CPrintuneDlg", "no such text"),
                     QStringLiteral("no such text"));
        }
        QCOMPARE(ApplyUiLanguage(LANG_ENGLISH), LANG_ENGLISH);
        QCOMPARE(UiLanguageId(), LANG_ENGLISH);
    }

    void applyingTheUiLanguageSwitchesTheInstalledTranslation() {
        ApplyUiLanguage(LANG_CHINESE);
        QCOMPARE(QCoreApplication::translate("CPrintuneDlg", "Exit"), QString::fromUtf8("退出"));
        ApplyUiLanguage(LANG_ENGLISH);
        QCOMPARE(QCoreApplication::translate("CPrintuneDlg", "Exit"), QStringLiteral("Exit"));
    }

    void portFailureGetsARemedyLineOnlyWhenTheCauseIsKnown() {
        for (int language : {LANG_ENGLISH, LANG_CHINESE}) {
            const QString standard =
                QString::fromStdString(PortErrorMessage(PORT_ERR_IN_USE, PORT_COM, language));
            QCOMPARE(PortFailureText(PORT_ERR_IN_USE, PORT_COM, 0, language), standard);
            const std::string hint = PortErrorHint(PORT_ERR_IN_USE, PORT_COM, EACCES, language);
            QVERIFY(!hint.empty());
            QCOMPARE(PortFailureText(PORT_ERR_IN_USE, PORT_COM, EACCES, language),
                     standard + QLatin1Char('\n') + QString::fromStdString(hint));
        }
    }

    void answererReceivesEveryMessage() {
        std::vector<MessageRecord> seen;
        MessageService::SetAnswerer([&](const MessageRecord& record) {
            seen.push_back(record);
            return QMessageBox::Cancel;
        });
        QCOMPARE(MessageService::Show(nullptr, MessageIcon::Error, QStringLiteral("x"),
                                      QMessageBox::Ok | QMessageBox::Cancel),
                 QMessageBox::Cancel);
        MessageService::SetAnswerer({});
        QCOMPARE(seen.size(), size_t(1));
        QCOMPARE(seen[0].icon, MessageIcon::Error);
        QCOMPARE(seen[0].text, QStringLiteral("x"));
    }
};

QTEST_MAIN(ServicesTest)
#include "services_test.moc"
