// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"

#include <QObject>
#include <QPointer>

class IPasswordStore;

// Keeps the network account's password where it belongs: in the secret store, and for this
// session in memory (CCfg::net_account()). Without a working store the password is kept in
// memory only and asked for again in the next session. Lives on the main thread.
class CNetAccountSecret final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CNetAccountSecret)

public:
    // i_pStore (may be null, not owned) must outlive this object.
    explicit CNetAccountSecret(IPasswordStore *i_pStore, QObject *i_pParent = nullptr);
    ~CNetAccountSecret() override;

    // Once at start: a clear-text password an older version left in the settings is moved to
    // the store and erased; otherwise the store's password is read into the session.
    void Load(CCfg i_oCfg);
    // Login and domain to the settings, the password to the session and the store (an empty
    // password removes the store's entry).
    void Save(CCfg i_oCfg, const TNetAccount &i_oAccount);

    // The program's own, or null when none was made (the console, tests of single dialogs).
    static CNetAccountSecret *Instance();

signals:
    // The store's answer to Load() reached the session (i_fFound: it had a password).
    void EmitLoaded(bool i_fFound);

private slots:
    void OnPasswordRead(const QString &i_sKey, const QString &i_sPassword, bool i_fFound);

private:
    IPasswordStore *m_pStore;
    CCfg m_oCfg;
    static QPointer<CNetAccountSecret> s_pInstance;
};
