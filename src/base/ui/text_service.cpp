#include "base/ui/text_service.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "base/language.h"

namespace printune {

namespace {

const char* const kChineseQm = ":/i18n/printune_zh_CN.qm";

// The translator TextIn() reads. Loaded once; translate() is const and only
// reads the loaded tables, so any thread may call it.
const QTranslator& ChineseTexts() {
    static QTranslator* translator = [] {
        auto* t = new QTranslator;
        (void)t->load(QString::fromLatin1(kChineseQm));
        return t;
    }();
    return *translator;
}

// The one installed into the application (owned by the application object).
QTranslator* installed = nullptr;
int uiLanguage = LANG_ENGLISH;

bool SystemUiIsChinese() {
    const QStringList languages = QLocale::system().uiLanguages();
    return !languages.isEmpty() && languages.first().startsWith(QLatin1String("zh"));
}

} // namespace

int ApplyUiLanguage(int languageId) {
    if (languageId != LANG_CHINESE && languageId != LANG_ENGLISH)
        languageId = SystemUiIsChinese() ? LANG_CHINESE : LANG_ENGLISH;
    if (languageId == LANG_CHINESE && !installed) {
        installed = new QTranslator(QCoreApplication::instance());
        if (installed->load(QString::fromLatin1(kChineseQm)))
            QCoreApplication::installTranslator(installed);
    } else if (languageId == LANG_ENGLISH && installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    uiLanguage = languageId;
    return languageId;
}

int UiLanguageId() {
    return uiLanguage;
}

QString TextIn(int languageId, const char* context, const char* source) {
    if (languageId == LANG_CHINESE) {
        QString text = ChineseTexts().translate(context, source);
        if (!text.isEmpty())
            return text;
    }
    return QString::fromUtf8(source);
}

} // namespace printune
