// SPDX-License-Identifier: GPL-3.0-or-later
#include "IRemoteShutdownApi.h"

#include <QStringList>
#include <QVector>

#include <windows.h>
#include <winnetwk.h>

namespace {

const wchar_t *Wide(const QString &i_sText)
{
    return reinterpret_cast<const wchar_t *>(i_sText.utf16());
}

QString UncName(const QString &i_sHost)
{
    return i_sHost.startsWith(QLatin1Char('\\')) ? i_sHost : QStringLiteral("\\\\") + i_sHost;
}

class CRemoteShutdownApiWin final : public IRemoteShutdownApi
{
public:
    int
    Logon(const QString &i_sResource, const QString &i_sUser, const QString &i_sPassword) override;
    int Shutdown(const QString &i_sAddress, const TShutdown &i_rShutdown) override;
    int Abort(const QString &i_sAddress) override;
    void DropConnections(const QString &i_sName, const QString &i_sAddress) override;
};

int CRemoteShutdownApiWin::Logon(const QString &i_sResource,
                                 const QString &i_sUser,
                                 const QString &i_sPassword)
{
    QString sResource = i_sResource;
    NETRESOURCEW oResource = {};
    oResource.dwType = RESOURCETYPE_ANY;
    oResource.lpRemoteName = const_cast<wchar_t *>(Wide(sResource));
    return int(WNetAddConnection2W(&oResource, Wide(i_sPassword), Wide(i_sUser), 0));
}

int CRemoteShutdownApiWin::Shutdown(const QString &i_sAddress, const TShutdown &i_rShutdown)
{
    QString sMachine = i_sAddress;
    QString sMessage = i_rShutdown.sMessage;
    const BOOL fOk = InitiateSystemShutdownW(
        const_cast<wchar_t *>(Wide(sMachine)),
        i_rShutdown.fHasMessage ? const_cast<wchar_t *>(Wide(sMessage)) : nullptr,
        DWORD(i_rShutdown.nTimeoutSec),
        i_rShutdown.fForce,
        i_rShutdown.fReboot);
    return fOk ? 0 : int(GetLastError());
}

int CRemoteShutdownApiWin::Abort(const QString &i_sAddress)
{
    QString sMachine = i_sAddress;
    return AbortSystemShutdownW(const_cast<wchar_t *>(Wide(sMachine))) ? 0 : int(GetLastError());
}

// Connected resources carry the server as "\\name": compare in that form, and ask for as many
// entries as fit, so that stale connections to the machine are really cancelled.
void CRemoteShutdownApiWin::DropConnections(const QString &i_sName, const QString &i_sAddress)
{
    HANDLE hEnum = nullptr;
    if (WNetOpenEnumW(RESOURCE_CONNECTED, RESOURCETYPE_ANY, 0, nullptr, &hEnum) != NO_ERROR)
        return;
    const QString sName = i_sName.isEmpty() ? QString() : UncName(i_sName);
    const QString sAddress = i_sAddress.isEmpty() ? QString() : UncName(i_sAddress);
    QStringList lsCancel;
    QVector<char> oBuffer(2048);
    for (;;) {
        DWORD nCount = DWORD(-1);
        DWORD nSize = DWORD(oBuffer.size());
        const DWORD nResult = WNetEnumResourceW(hEnum, &nCount, oBuffer.data(), &nSize);
        if (nResult == ERROR_MORE_DATA && nCount == 0) {
            oBuffer.resize(int(nSize));
            continue;
        }
        if (nResult != NO_ERROR)
            break;
        const auto *pResources = reinterpret_cast<const NETRESOURCEW *>(oBuffer.constData());
        for (DWORD i = 0; i < nCount; ++i) {
            if (!pResources[i].lpRemoteName)
                continue;
            const QString sRemote = QString::fromWCharArray(pResources[i].lpRemoteName);
            if ((!sName.isEmpty() && sRemote.compare(sName, Qt::CaseInsensitive) == 0)
                || (!sAddress.isEmpty() && sRemote.compare(sAddress, Qt::CaseInsensitive) == 0))
                lsCancel << sRemote;
        }
    }
    WNetCloseEnum(hEnum);
    for (QString &sRemote : lsCancel)
        WNetCancelConnection2W(const_cast<wchar_t *>(Wide(sRemote)), CONNECT_UPDATE_PROFILE, TRUE);
}

} // namespace

std::unique_ptr<IRemoteShutdownApi> IRemoteShutdownApi::CreatePlatform()
{
    return std::make_unique<CRemoteShutdownApiWin>();
}
