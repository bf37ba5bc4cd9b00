// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Where the programs find what ships with them: the report stylesheets, the translations and the
// helper programs. A file beside the program wins, so that a build tree or an unpacked copy runs
// as it is and a user can override an installed file by placing one there. Then come the folders
// of an installation: first as seen from the program's own folder (an installation moved or
// unpacked as a whole still works), then the absolute folders chosen when the tree was
// configured.
//
// Stateless; every call may come from any thread. The overloads without a program folder use the
// running program's folder, which needs the application object; without one only the absolute
// folders are searched.
class CInstallDirs final
{
public:
    // The folders searched for data files, in order. Folders that do not exist are included.
    static QStringList DataDirs();
    static QStringList DataDirs(const QString &i_sProgramDir);

    // The first existing file named i_sFileName in DataDirs(). When there is none, the path beside
    // the program, so that a message about the missing file names the first place looked at.
    static QString DataFile(const QString &i_sFileName);
    static QString DataFile(const QString &i_sFileName, const QString &i_sProgramDir);

    // The first of DataDirs() holding a file that matches one of i_lsNameFilters (wildcards as in
    // QDir::entryList). When none does, the program's folder.
    static QString DataDirWith(const QStringList &i_lsNameFilters);
    static QString DataDirWith(const QStringList &i_lsNameFilters, const QString &i_sProgramDir);

    // The first executable named i_sName beside the program or in the installed helper folder;
    // empty when there is none.
    static QString HelperProgram(const QString &i_sName);
    static QString HelperProgram(const QString &i_sName, const QString &i_sProgramDir);

    // The installed folders themselves, as configured (absolute paths).
    static QString InstalledDataDir();
    static QString InstalledHelperDir();

private:
    static QString ProgramDir();
    static QStringList
    Dirs(const QString &i_sProgramDir, const QString &i_sRelative, const QString &i_sAbsolute);
};
