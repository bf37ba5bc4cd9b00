// SPDX-License-Identifier: GPL-3.0-or-later
#include "CSystemLanguages.h"

#include <QMutex>
#include <QMutexLocker>

#include <cwchar>

#include <windows.h>

namespace {

constexpr int BufferChars = 260;

// EnumSystemLocalesW passes no context to its callback, so the table being built is reached
// through this pointer, guarded by the mutex for the length of one enumeration.
QMutex g_oTableLock;
QMap<QString, QString> *g_pTable = nullptr;

QString LocaleText(LCID i_nLocale, LCTYPE i_nType)
{
    wchar_t awcBuffer[BufferChars] = {};
    if (GetLocaleInfoW(i_nLocale, i_nType, awcBuffer, BufferChars) == 0)
        return QString();
    return QString::fromWCharArray(awcBuffer);
}

BOOL CALLBACK OnLocale(LPWSTR i_pwsLocale)
{
    const LCID nLocale = static_cast<LCID>(std::wcstoul(i_pwsLocale, nullptr, 16));
    const QString sLanguage = LocaleText(nLocale, LOCALE_SISO639LANGNAME);
    const QString sNative = LocaleText(nLocale, LOCALE_SNATIVELANGNAME);
    if (!g_pTable->contains(sLanguage.toLower()))
        g_pTable->insert(sLanguage.toLower(), sNative);
    // LOCALE_SNAME needs Vista; XP and 2003 give the parts separately.
    QString sName = LocaleText(nLocale, LOCALE_SNAME);
    if (sName.isEmpty())
        sName = sLanguage + QLatin1Char('-') + LocaleText(nLocale, LOCALE_SISO3166CTRYNAME);
    g_pTable->insert(sName.replace(QLatin1Char('-'), QLatin1Char('_')).toLower(), sNative);
    return TRUE;
}

} // namespace

QMap<QString, QString> SystemLanguageTable()
{
    QMap<QString, QString> mapTable;
    QMutexLocker oLock(&g_oTableLock);
    g_pTable = &mapTable;
    EnumSystemLocalesW(OnLocale, LCID_SUPPORTED);
    g_pTable = nullptr;
    return mapTable;
}
