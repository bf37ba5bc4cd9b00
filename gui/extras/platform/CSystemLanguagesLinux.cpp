// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSystemLanguages.h"

#include <QLocale>

// Linux has no system-wide locale catalogue with native names; Qt's CLDR data is the same
// knowledge the Windows locale tables give, for the same codes.
QMap<QString, QString> SystemLanguageTable()
{
    QMap<QString, QString> mapTable;
    const QList<QLocale> lLocales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyCountry);
    for (const QLocale &oLocale : lLocales) {
        if (oLocale.language() == QLocale::C)
            continue;
        const QString sNative = oLocale.nativeLanguageName();
        // Qt lists some locales twice, once without a name (en_US as POSIX); keep the named one.
        if (sNative.isEmpty())
            continue;
        const QString sName = oLocale.name().toLower();
        const QString sLanguage = sName.section(QLatin1Char('_'), 0, 0);
        if (!mapTable.contains(sLanguage))
            mapTable.insert(sLanguage, sNative);
        mapTable.insert(sName, sNative);
    }
    return mapTable;
}
