// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QFileDevice;

// Writes a file so that it is either replaced whole or left as it was: the bytes go to a
// temporary file beside it, which takes the file's place only when every byte has been written
// and flushed. Every program file (the IP-to-MAC memory, Favorites, saved results, the console's
// output and last-scan record) is saved through this class.
//
// Qt's QSaveFile alone is not enough: in Qt 5.15 commit() flushes the last buffered bytes without
// looking at the result, so on a full disk it reports success and puts a short (often empty)
// file in place of the old one. Here every write and the final flush are checked first.
//
// A path naming something other than a regular file (a device such as /dev/null, a pipe) is
// written directly: it cannot be replaced, and renaming a file over it would destroy it.
//
// Not thread-bound; one thread at a time. An object destroyed without Commit() discards its
// temporary file.
class CAtomicFile final
{
public:
    explicit CAtomicFile(const QString &i_sPath);
    ~CAtomicFile();
    CAtomicFile(const CAtomicFile &) = delete;
    CAtomicFile &operator=(const CAtomicFile &) = delete;

    // Creates the temporary file. False with ErrorString() set when it cannot be created or the
    // file may not be replaced (a read-only file or folder).
    bool Open();
    // False once any write has failed; the bytes of a failed write and later ones are dropped,
    // and Commit() will fail.
    bool Write(const QByteArray &i_baData);
    // Flushes, checks, and puts the temporary file in the file's place. False with ErrorString()
    // set when anything failed; the old file is then as it was and the temporary file is gone.
    bool Commit();
    // Drops the temporary file; the old file stays as it was.
    void Discard();

    bool IsOpen() const;
    QString ErrorString() const { return m_sError; }

    // Open(), Write() and Commit() in one call. False with o_psError set on failure.
    static bool
    Save(const QString &i_sPath, const QByteArray &i_baData, QString *o_psError = nullptr);

private:
    void Fail(const QString &i_sError);

    QString m_sPath;
    std::unique_ptr<QFileDevice> m_pFile;
    bool m_fDirect = false;
    bool m_fFailed = false;
    QString m_sError;
};
