// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetAccountSecret.h"

#include "IPasswordStore.h"
#include "RemoteLog.h"

QPointer<CNetAccountSecret> CNetAccountSecret::s_pInstance;

CNetAccountSecret::CNetAccountSecret(IPasswordStore *i_pStore, QObject *i_pParent)
    : QObject(i_pParent)
    , m_pStore(i_pStore)
{
    if (m_pStore)
        connect(
            m_pStore, &IPasswordStore::EmitPasswordRead, this, &CNetAccountSecret::OnPasswordRead);
    if (!s_pInstance)
        s_pInstance = this;
}

CNetAccountSecret::~CNetAccountSecret() = default;

CNetAccountSecret *CNetAccountSecret::Instance()
{
    return s_pInstance.data();
}

void CNetAccountSecret::Load(CCfg i_oCfg)
{
    m_oCfg = i_oCfg;
    const QString sLegacy = m_oCfg.TakeLegacyPassword();
    if (!sLegacy.isEmpty()) {
        TNetAccount oAccount = m_oCfg.net_account();
        oAccount.sPassword = sLegacy;
        Save(m_oCfg, oAccount);
        qCInfo(lcRemote) << "the clear-text password of an older version was moved to the"
                            " secret store and erased from the settings";
        return;
    }
    if (m_pStore)
        m_pStore->Read(CCfg::NetAccountSecretKey());
}

void CNetAccountSecret::Save(CCfg i_oCfg, const TNetAccount &i_oAccount)
{
    m_oCfg = i_oCfg;
    m_oCfg.set_net_account(i_oAccount);
    if (m_pStore)
        m_pStore->Write(CCfg::NetAccountSecretKey(), i_oAccount.sPassword);
}

void CNetAccountSecret::OnPasswordRead(const QString &i_sKey,
                                       const QString &i_sPassword,
                                       bool i_fFound)
{
    if (i_sKey != CCfg::NetAccountSecretKey())
        return;
    TNetAccount oAccount = m_oCfg.net_account();
    // A password typed in this session meanwhile wins over the stored one.
    if (i_fFound && oAccount.sPassword.isEmpty() && !i_sPassword.isEmpty()) {
        oAccount.sPassword = i_sPassword;
        m_oCfg.set_net_account(oAccount);
    }
    emit EmitLoaded(i_fFound);
}
