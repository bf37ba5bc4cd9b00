// SPDX-License-Identifier: GPL-3.0-or-later
#include "CLocalizations.h"

#include "CCfg.h"
#include "CInstallDirs.h"
#include "ExtrasLog.h"
#include "platform/CSystemLanguages.h"

#include <QAtomicPointer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace {

const QString UntranslatedCode = QStringLiteral("en_us");

QAtomicPointer<CLocalizations> g_pInstance;
QMutex g_oInstanceLock;

QString BaseName(const QString &i_sFileName)
{
    const int nDot = i_sFileName.lastIndexOf(QLatin1Char('.'));
    return nDot < 0 ? i_sFileName : i_sFileName.left(nDot);
}

} // namespace

CLocalizations *CLocalizations::instance()
{
    if (CLocalizations *pInstance = g_pInstance.loadAcquire())
        return pInstance;
    QMutexLocker oLock(&g_oInstanceLock);
    if (!g_pInstance.loadAcquire()) {
        const QString sProgram = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        const QString sPrefix = BaseName(sProgram);
        const QString sDir = CInstallDirs::DataDirWith({sPrefix + QStringLiteral("_*.qm")});
        qCDebug(lcGuiExtras) << "translations from" << sDir;
        g_pInstance.storeRelease(new CLocalizations(sDir, sPrefix, QCoreApplication::instance()));
    }
    return g_pInstance.loadAcquire();
}

CLocalizations::CLocalizations(const QString &i_sDir, const QString &i_sPrefix, QObject *i_pParent)
    : QObject(i_pParent)
    , m_sDir(i_sDir)
    , m_sPrefix(i_sPrefix)
{
    const QString sLead = m_sPrefix + QLatin1Char('_');
    const QStringList lsFiles =
        QDir(m_sDir).entryList({sLead + QStringLiteral("*.qm")}, QDir::Files, QDir::Unsorted);
    for (const QString &sFile : lsFiles) {
        const QString sCode = BaseName(sFile).mid(sLead.size()).toLower();
        if (sCode.isEmpty())
            continue;
        if (!m_mapLanguages.contains(sCode)) {
            m_mapLanguages.insert(sCode, QString());
            m_mapFiles.insert(sCode, sFile);
        }
    }
    const QMap<QString, QString> mapSystem = SystemLanguageTable();
    for (auto it = m_mapLanguages.begin(); it != m_mapLanguages.end(); ++it)
        it.value() = mapSystem.value(it.key());
    // Without a file of its own the source language would get an empty menu entry; it gets the
    // system's name for American English instead.
    if (!m_mapLanguages.contains(UntranslatedCode))
        m_mapLanguages.insert(UntranslatedCode, mapSystem.value(UntranslatedCode));
}

CLocalizations::~CLocalizations()
{
    // The process-wide instance dies with the application, when there is none left to ask.
    if (QCoreApplication::instance())
        QCoreApplication::removeTranslator(&m_oTranslator);
    g_pInstance.testAndSetOrdered(this, nullptr);
}

bool CLocalizations::SetLocale(const QString &i_sCode)
{
    CCfg oSettings;
    QString sCode = i_sCode;
    if (sCode.isEmpty())
        sCode = oSettings.locale();

    QCoreApplication::removeTranslator(&m_oTranslator);
    bool fLoaded = false;
    if (!sCode.isEmpty()) {
        const QString sFile = m_mapFiles.value(sCode.toLower());
        // A code found on disk loads its own file; any other goes through Qt's search, which
        // also tries the shorter names ("vistrel_ru" for "ru_ru").
        if (sFile.isEmpty()) {
            fLoaded = m_oTranslator.load(m_sPrefix + QLatin1Char('_') + sCode, m_sDir);
        } else {
            // Only that file: the file deleted since start-up means no translation, not a
            // shorter name's.
            const QString sPath = QDir(m_sDir).filePath(sFile);
            fLoaded = QFileInfo::exists(sPath) && m_oTranslator.load(sPath);
        }
        // No file for the source language is the normal way back to it; a file that was
        // found and does not load is worth a warning.
        if (!fLoaded && sFile.isEmpty())
            qCDebug(lcGuiExtras) << "no translation for" << sCode << "in" << m_sDir;
        else if (!fLoaded)
            qCWarning(lcGuiExtras) << "cannot load translation" << sFile << "from" << m_sDir;
    }
    if (fLoaded) {
        QCoreApplication::installTranslator(&m_oTranslator);
        m_sCurrent = sCode;
    } else {
        m_sCurrent.clear();
    }
    oSettings.set_locale(m_sCurrent);
    return fLoaded;
}

QString CLocalizations::CurrentLocale(const QString &i_sDefault) const
{
    return m_sCurrent.isEmpty() ? i_sDefault : m_sCurrent;
}

QString CLocalizations::MenuText(const QString &i_sCode) const
{
    QString sName = m_mapLanguages.value(i_sCode);
    if (sName.isEmpty())
        return i_sCode;
    sName[0] = sName.at(0).toUpper();
    return sName;
}
