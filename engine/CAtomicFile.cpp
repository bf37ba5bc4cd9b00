// SPDX-License-Identifier: GPL-3.0-or-later
#include "CAtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

CAtomicFile::CAtomicFile(const QString &i_sPath)
    : m_sPath(i_sPath)
{
}

CAtomicFile::~CAtomicFile()
{
    Discard();
}

bool CAtomicFile::Open()
{
    Discard();
    m_fFailed = false;
    m_sError.clear();
    const QFileInfo oTarget(m_sPath);
    m_fDirect = oTarget.exists() && !oTarget.isFile() && !oTarget.isDir();
    if (m_fDirect) {
        m_pFile = std::make_unique<QFile>(m_sPath);
    } else {
        auto pSaveFile = std::make_unique<QSaveFile>(m_sPath);
        // Never fall back to rewriting the file in place: that is what this class is against.
        pSaveFile->setDirectWriteFallback(false);
        m_pFile = std::move(pSaveFile);
    }
    if (!m_pFile->open(QIODevice::WriteOnly)) {
        Fail(m_pFile->errorString());
        m_pFile.reset();
        return false;
    }
    return true;
}

bool CAtomicFile::Write(const QByteArray &i_baData)
{
    if (!m_pFile || m_fFailed)
        return false;
    if (m_pFile->write(i_baData) != i_baData.size()) {
        Fail(m_pFile->errorString());
        return false;
    }
    return true;
}

bool CAtomicFile::Commit()
{
    if (!m_pFile) {
        if (m_sError.isEmpty())
            m_sError = QStringLiteral("the file was not open");
        return false;
    }
    if (!m_fFailed && !m_pFile->flush())
        Fail(m_pFile->errorString());
    if (m_fFailed) {
        Discard();
        return false;
    }
    bool fDone = false;
    if (m_fDirect) {
        m_pFile->close();
        fDone = m_pFile->error() == QFileDevice::NoError;
    } else {
        fDone = static_cast<QSaveFile *>(m_pFile.get())->commit();
    }
    if (!fDone)
        Fail(m_pFile->errorString());
    m_pFile.reset();
    return fDone;
}

void CAtomicFile::Discard()
{
    if (!m_pFile)
        return;
    if (!m_fDirect)
        static_cast<QSaveFile *>(m_pFile.get())->cancelWriting();
    // QSaveFile removes its temporary file when destroyed uncommitted.
    m_pFile.reset();
}

bool CAtomicFile::IsOpen() const
{
    return m_pFile != nullptr;
}

void CAtomicFile::Fail(const QString &i_sError)
{
    if (!m_fFailed || m_sError.isEmpty())
        m_sError = i_sError.isEmpty() ? QStringLiteral("write error") : i_sError;
    m_fFailed = true;
}

bool CAtomicFile::Save(const QString &i_sPath, const QByteArray &i_baData, QString *o_psError)
{
    CAtomicFile oFile(i_sPath);
    const bool fSaved = oFile.Open() && oFile.Write(i_baData) && oFile.Commit();
    if (!fSaved && o_psError)
        *o_psError = oFile.ErrorString();
    return fSaved;
}
