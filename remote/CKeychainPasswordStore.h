// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPasswordStore.h"

// The desktop's secret store (Secret Service, KWallet, Windows credentials) through QtKeychain.
// Without such a store every read finds nothing and every write fails: the password is then
// simply not kept, never written in clear text.
class CKeychainPasswordStore final : public IPasswordStore
{
    Q_OBJECT
    Q_DISABLE_COPY(CKeychainPasswordStore)

public:
    explicit CKeychainPasswordStore(const QString &i_sService, QObject *i_pParent = nullptr);

    void Read(const QString &i_sKey) override;
    void Write(const QString &i_sKey, const QString &i_sPassword) override;

private:
    QString m_sService;
};
