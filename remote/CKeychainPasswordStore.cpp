// SPDX-License-Identifier: GPL-3.0-or-later
#include "CKeychainPasswordStore.h"

#include "RemoteLog.h"

#include <qt5keychain/keychain.h>

CKeychainPasswordStore::CKeychainPasswordStore(const QString &i_sService, QObject *i_pParent)
    : IPasswordStore(i_pParent)
    , m_sService(i_sService)
{
}

void CKeychainPasswordStore::Read(const QString &i_sKey)
{
    auto *pJob = new QKeychain::ReadPasswordJob(m_sService, this);
    pJob->setAutoDelete(true);
    pJob->setInsecureFallback(false);
    pJob->setKey(i_sKey);
    connect(pJob, &QKeychain::Job::finished, this, [this, pJob, i_sKey](QKeychain::Job *) {
        const bool fFound = pJob->error() == QKeychain::NoError;
        if (!fFound && pJob->error() != QKeychain::EntryNotFound)
            qCDebug(lcRemote) << "secret store read:" << pJob->errorString();
        emit EmitPasswordRead(i_sKey, fFound ? pJob->textData() : QString(), fFound);
    });
    pJob->start();
}

void CKeychainPasswordStore::Write(const QString &i_sKey, const QString &i_sPassword)
{
    QKeychain::Job *pJob = nullptr;
    if (i_sPassword.isEmpty()) {
        pJob = new QKeychain::DeletePasswordJob(m_sService, this);
    } else {
        auto *pWrite = new QKeychain::WritePasswordJob(m_sService, this);
        pWrite->setTextData(i_sPassword);
        pJob = pWrite;
    }
    pJob->setAutoDelete(true);
    pJob->setInsecureFallback(false);
    pJob->setKey(i_sKey);
    const bool fDelete = i_sPassword.isEmpty();
    connect(pJob, &QKeychain::Job::finished, this, [this, i_sKey, fDelete](QKeychain::Job *i_pJob) {
        const bool fOk = i_pJob->error() == QKeychain::NoError
                         || (fDelete && i_pJob->error() == QKeychain::EntryNotFound);
        if (!fOk)
            qCDebug(lcRemote) << "secret store write:" << i_pJob->errorString()
                              << "- the password is not kept";
        emit EmitWriteDone(i_sKey, fOk);
    });
    pJob->start();
}
