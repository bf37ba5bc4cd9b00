// SPDX-License-Identifier: GPL-3.0-or-later
// The network management API: NetShareEnum and NetWkstaUserEnum against the host's name, with
// the logged-on user's own identity (the configured credentials are for remote shutdown, where
// a network logon is made explicitly). These calls are thread-safe; the system bounds their
// waits.
#include "EngineLog.h"
#include "INetResources.h"

#include <QSet>

#include <windows.h>
// lm.h relies on the base types of windows.h.
#include <lm.h>

namespace {

class CNetResourcesWin final : public INetResources
{
public:
    std::optional<QStringList> Shares(const QString &i_sServer,
                                      quint32 i_nIp,
                                      const TCredentials &i_oCredentials,
                                      int i_nConnectMs) override;
    std::optional<QString> LoggedOnUser(const QString &i_sServer,
                                        quint32 i_nIp,
                                        const TCredentials &i_oCredentials,
                                        int i_nConnectMs) override;
};

constexpr NET_API_STATUS MoreData = ERROR_MORE_DATA; // 234

std::wstring Wide(const QString &i_sText)
{
    return i_sText.toStdWString();
}

std::optional<QStringList> CNetResourcesWin::Shares(const QString &i_sServer,
                                                    quint32 i_nIp,
                                                    const TCredentials &i_oCredentials,
                                                    int i_nConnectMs)
{
    Q_UNUSED(i_nIp)
    Q_UNUSED(i_oCredentials)
    Q_UNUSED(i_nConnectMs)
    const std::wstring sServer = Wide(i_sServer);
    QStringList lsShares;
    QSet<QString> stSeen;
    // The resume handle carries on where the previous call stopped, so a listing that comes
    // in parts gives every name once.
    DWORD nResume = 0;
    NET_API_STATUS nStatus = NERR_Success;
    do {
        LPBYTE pBuffer = nullptr;
        DWORD nRead = 0;
        DWORD nTotal = 0;
        nStatus = NetShareEnum(const_cast<LPWSTR>(sServer.c_str()),
                               0,
                               &pBuffer,
                               MAX_PREFERRED_LENGTH,
                               &nRead,
                               &nTotal,
                               &nResume);
        if (nStatus == NERR_Success || nStatus == MoreData) {
            const auto *pInfo = reinterpret_cast<const SHARE_INFO_0 *>(pBuffer);
            for (DWORD i = 0; pInfo && i < nRead; ++i) {
                const QString sName = QString::fromWCharArray(pInfo[i].shi0_netname);
                if (sName.isEmpty() || stSeen.contains(sName.toCaseFolded()))
                    continue;
                stSeen.insert(sName.toCaseFolded());
                lsShares.append(sName);
            }
        }
        if (pBuffer)
            NetApiBufferFree(pBuffer);
    } while (nStatus == MoreData);
    if (nStatus != NERR_Success)
        qCDebug(lcEngine) << "NetShareEnum" << i_sServer << "ended with" << nStatus;
    return lsShares;
}

std::optional<QString> CNetResourcesWin::LoggedOnUser(const QString &i_sServer,
                                                      quint32 i_nIp,
                                                      const TCredentials &i_oCredentials,
                                                      int i_nConnectMs)
{
    Q_UNUSED(i_nIp)
    Q_UNUSED(i_nConnectMs)
    Q_UNUSED(i_oCredentials)
    const std::wstring sServer = Wide(i_sServer);
    LPBYTE pBuffer = nullptr;
    DWORD nRead = 0;
    DWORD nTotal = 0;
    DWORD nResume = 0;
    const NET_API_STATUS nStatus = NetWkstaUserEnum(const_cast<LPWSTR>(sServer.c_str()),
                                                    0,
                                                    &pBuffer,
                                                    MAX_PREFERRED_LENGTH,
                                                    &nRead,
                                                    &nTotal,
                                                    &nResume);
    std::optional<QString> osUser;
    if ((nStatus == NERR_Success || nStatus == MoreData) && pBuffer && nRead > 0) {
        const auto *pInfo = reinterpret_cast<const WKSTA_USER_INFO_0 *>(pBuffer);
        osUser = QString::fromWCharArray(pInfo[0].wkui0_username);
    } else {
        qCDebug(lcEngine) << "NetWkstaUserEnum" << i_sServer << "ended with" << nStatus;
    }
    if (pBuffer)
        NetApiBufferFree(pBuffer);
    return osUser;
}

} // namespace

INetResources &INetResources::Instance()
{
    static CNetResourcesWin s_oInstance;
    return s_oInstance;
}
