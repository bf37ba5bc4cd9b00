// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QTranslator>

// Finds the translation files (<program>_<code>.qm) beside the program, else in the installed data
// folder (CInstallDirs), names each language in
// its own tongue, installs the chosen translation and remembers the choice under the settings key
// "locale". One instance per process (instance()), living on the main thread; every call but
// instance() belongs to the main thread. Failures to load are reported by SetLocale's result.
class CLocalizations final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CLocalizations)

public:
    // The process-wide manager for the program's file name and the first folder holding its
    // translations (CInstallDirs::DataDirWith); created on the first call with the application
    // object as parent.
    static CLocalizations *instance();

    // A manager for translation files "<i_sPrefix>_<code>.qm" in i_sDir. instance() uses the
    // program's folder and file name; tests use their own folder.
    CLocalizations(const QString &i_sDir, const QString &i_sPrefix, QObject *i_pParent);
    ~CLocalizations() override;

    // Installs the translation for i_sCode, or for the stored code when it is empty. Returns true
    // when a translation file was loaded; otherwise the program shows its source texts. Either
    // way the installed code (empty on failure) is stored as "locale".
    bool SetLocale(const QString &i_sCode = QString());
    // The installed code, or i_sDefault when no translation is installed ("en_us" by convention).
    QString CurrentLocale(const QString &i_sDefault) const;
    // Language code -> native name, in code order; always holds "en_us".
    const QMap<QString, QString> &Languages() const { return m_mapLanguages; }
    // The text of the language menu's entry: the name with a capital first letter, or the code
    // itself for a language the system has no name for, so that no entry is left blank.
    QString MenuText(const QString &i_sCode) const;

private:
    QString m_sDir;
    QString m_sPrefix;
    QMap<QString, QString> m_mapLanguages;
    // Code -> the file it was found in. The code is lower case but the name on disk need not
    // be, and a case-sensitive file system would not find "vistrel_RU_RU.qm" as "vistrel_ru_ru".
    QMap<QString, QString> m_mapFiles;
    QTranslator m_oTranslator;
    QString m_sCurrent;
};
