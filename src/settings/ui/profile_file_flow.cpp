#include "settings/ui/profile_file_flow.h"

#include <cstring>

#include <QWidget>

#include "base/ui/file_dialog_service.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"

namespace printune {

namespace {

constexpr const char* CONTEXT = "ProfileFiles";

QString Text(int languageId, const char* source) {
    return TextIn(languageId, CONTEXT, source);
}

QString Filter(int languageId) {
    return Text(languageId,
                QT_TRANSLATE_NOOP("ProfileFiles", "Settings profiles (*.profile);;All files (*)"));
}

QString ErrnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

void SaveProfileFromPage(QWidget* owner, int lang, const PageProfile& page,
                         const SettingNamer& names) {
    if (!page.invalid.empty()) {
        MessageService::Show(
            owner, MessageIcon::Warning,
            Text(lang,
                 QT_TRANSLATE_NOOP("ProfileFiles",
                                   "These fields hold no valid value; nothing was saved:\n%1"))
                .arg(names(page.invalid)));
        return;
    }
    if (!ProfileHasSendableValues(page.profile)) {
        MessageService::Show(
            owner, MessageIcon::Warning,
            Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "The page holds no settings to save. "
                                                         "Get the printer's settings first.")));
        return;
    }
    const std::optional<QString> path =
        FileDialogService::Choose({owner, FileDialogRequest::Mode::Save,
                                   Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "Save to File")),
                                   Filter(lang), QStringLiteral("profile")});
    if (!path)
        return;
    int err = 0;
    if (!WriteProfileFile(S(*path), page.profile, err))
        MessageService::Show(owner, MessageIcon::Warning,
                             Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "Cannot write %1:\n%2"))
                                 .arg(*path, ErrnoText(err)));
}

std::optional<SettingsProfile> LoadProfileForPage(QWidget* owner, int lang, ProfileFamily family) {
    const std::optional<QString> path = FileDialogService::Choose(
        {owner, FileDialogRequest::Mode::Open,
         Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "Load from File")), Filter(lang), QString()});
    if (!path)
        return std::nullopt;
    const ProfileFileRead read = ReadProfileFile(S(*path));
    if (read.readError != 0) {
        MessageService::Show(owner, MessageIcon::Warning,
                             Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "Cannot read %1:\n%2"))
                                 .arg(*path, ErrnoText(read.readError)));
        return std::nullopt;
    }
    if (!read.parse.ok()) {
        MessageService::Show(
            owner, MessageIcon::Warning,
            Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "%1 cannot be loaded.\nLine %2: %3"))
                .arg(*path)
                .arg(read.parse.line)
                .arg(Q(ProfileErrorText(read.parse, lang))));
        return std::nullopt;
    }
    if (read.parse.profile.family != family) {
        MessageService::Show(owner, MessageIcon::Warning,
                             Q(ProfileFamilyMismatchText(read.parse.profile.family, family, lang)));
        return std::nullopt;
    }
    return read.parse.profile;
}

void ReportPageLoad(QWidget* owner, int lang, const PageLoadPlan& plan, const SettingNamer& names) {
    if (!plan.unavailable.empty())
        MessageService::Show(
            owner, MessageIcon::Warning,
            Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "This page cannot show these values of "
                                                         "the profile; they were left as they "
                                                         "are:\n%1"))
                .arg(names(plan.unavailable)));
    else if (plan.changes.empty())
        MessageService::Show(
            owner, MessageIcon::Information,
            Text(lang, QT_TRANSLATE_NOOP("ProfileFiles", "The page shows the profile's values "
                                                         "already; nothing was marked.")));
}

} // namespace printune
