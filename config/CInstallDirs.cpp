// SPDX-License-Identifier: GPL-3.0-or-later
#include "CInstallDirs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

// The build passes these in (see the top CMakeLists); the fallbacks keep the file compilable alone.
#ifndef VISTREL_DATA_DIR_RELATIVE
#define VISTREL_DATA_DIR_RELATIVE "../share/vistrel"
#endif
#ifndef VISTREL_DATA_DIR_ABSOLUTE
#define VISTREL_DATA_DIR_ABSOLUTE "/usr/local/share/vistrel"
#endif
#ifndef VISTREL_HELPER_DIR_RELATIVE
#define VISTREL_HELPER_DIR_RELATIVE "../libexec/vistrel"
#endif
#ifndef VISTREL_HELPER_DIR_ABSOLUTE
#define VISTREL_HELPER_DIR_ABSOLUTE "/usr/local/libexec/vistrel"
#endif

QStringList CInstallDirs::DataDirs()
{
    return DataDirs(ProgramDir());
}

QStringList CInstallDirs::DataDirs(const QString &i_sProgramDir)
{
    return Dirs(i_sProgramDir, QStringLiteral(VISTREL_DATA_DIR_RELATIVE), InstalledDataDir());
}

QString CInstallDirs::DataFile(const QString &i_sFileName)
{
    return DataFile(i_sFileName, ProgramDir());
}

QString CInstallDirs::DataFile(const QString &i_sFileName, const QString &i_sProgramDir)
{
    const QStringList lsDirs = DataDirs(i_sProgramDir);
    for (const QString &sDir : lsDirs) {
        const QString sPath = QDir(sDir).filePath(i_sFileName);
        if (QFileInfo(sPath).isFile())
            return sPath;
    }
    return QDir(lsDirs.first()).filePath(i_sFileName);
}

QString CInstallDirs::DataDirWith(const QStringList &i_lsNameFilters)
{
    return DataDirWith(i_lsNameFilters, ProgramDir());
}

QString CInstallDirs::DataDirWith(const QStringList &i_lsNameFilters, const QString &i_sProgramDir)
{
    const QStringList lsDirs = DataDirs(i_sProgramDir);
    for (const QString &sDir : lsDirs) {
        if (!QDir(sDir).entryList(i_lsNameFilters, QDir::Files, QDir::Unsorted).isEmpty())
            return sDir;
    }
    return lsDirs.first();
}

QString CInstallDirs::HelperProgram(const QString &i_sName)
{
    return HelperProgram(i_sName, ProgramDir());
}

QString CInstallDirs::HelperProgram(const QString &i_sName, const QString &i_sProgramDir)
{
    const QStringList lsDirs =
        Dirs(i_sProgramDir, QStringLiteral(VISTREL_HELPER_DIR_RELATIVE), InstalledHelperDir());
    for (const QString &sDir : lsDirs) {
        const QFileInfo oInfo(QDir(sDir).filePath(i_sName));
        if (oInfo.isFile() && oInfo.isExecutable())
            return oInfo.absoluteFilePath();
    }
    return QString();
}

QString CInstallDirs::InstalledDataDir()
{
    return QStringLiteral(VISTREL_DATA_DIR_ABSOLUTE);
}

QString CInstallDirs::InstalledHelperDir()
{
    return QStringLiteral(VISTREL_HELPER_DIR_ABSOLUTE);
}

QString CInstallDirs::ProgramDir()
{
    // applicationDirPath() complains without an application object; code under test and tools
    // may run without one.
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

QStringList CInstallDirs::Dirs(const QString &i_sProgramDir,
                               const QString &i_sRelative,
                               const QString &i_sAbsolute)
{
    QStringList lsDirs;
    if (!i_sProgramDir.isEmpty()) {
        lsDirs << QDir::cleanPath(i_sProgramDir);
        lsDirs << QDir::cleanPath(i_sProgramDir + QLatin1Char('/') + i_sRelative);
    }
    const QString sAbsolute = QDir::cleanPath(i_sAbsolute);
    if (!lsDirs.contains(sAbsolute))
        lsDirs << sAbsolute;
    return lsDirs;
}
