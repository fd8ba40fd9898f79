#include "system_language.h"

#include <QRegularExpression>
#include <QtGlobal>

#include <array>
#include <utility>

namespace platform {

int primaryLanguageIdFromLocale(const QString &localeName)
{
    static constexpr std::array<std::pair<const char16_t *, int>, 16> Ids{{
        {u"ar", 0x01}, {u"zh", 0x04}, {u"cs", 0x05}, {u"de", 0x07},
        {u"el", 0x08}, {u"en", 0x09}, {u"es", 0x0A}, {u"fr", 0x0C},
        {u"hu", 0x0E}, {u"it", 0x10}, {u"ja", 0x11}, {u"ko", 0x12},
        {u"nl", 0x13}, {u"pl", 0x15}, {u"pt", 0x16}, {u"tr", 0x1F},
    }};
    // language[_territory][.codeset][@modifier]; "de-DE" is accepted as well.
    QString language = localeName.trimmed();
    const qsizetype end = language.indexOf(QRegularExpression(QStringLiteral("[_.@-]")));
    if (end >= 0)
        language.truncate(end);
    language = language.toLower();
    for (const auto &[code, id] : Ids) {
        if (language == QStringView(code))
            return id;
    }
    return 0;
}

int systemPrimaryLanguageId()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return primaryLanguageIdFromLocale(value);
    }
    return 0;
}

} // namespace platform
