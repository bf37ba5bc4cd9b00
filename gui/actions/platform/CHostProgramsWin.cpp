// SPDX-License-Identifier: GPL-3.0-or-later
#include "ActionsLog.h"
#include "IHostPrograms.h"

#include <QFileInfo>
#include <QProcess>

// msi.h needs the types of windows.h.
// clang-format off
#include <windows.h>
#include <msi.h>
#include <shellapi.h>
// clang-format on

namespace {

const wchar_t kOrtavoUpgradeCode[] = L"{5C3E8A21-6B4F-4D97-A1E2-3F8B0C6D7E94}";

// A 32-bit program on 64-bit Windows sees SysWOW64 as its system folder, where telnet.exe is
// missing; redirection is switched off while the real folder is looked at and used.
class CRedirectionOff
{
public:
    CRedirectionOff()
    {
        HMODULE hKernel = GetModuleHandleW(L"kernel32");
        if (!hKernel)
            return;
        m_pDisable = reinterpret_cast<TDisable>(
            reinterpret_cast<void *>(GetProcAddress(hKernel, "Wow64DisableWow64FsRedirection")));
        m_pRevert = reinterpret_cast<TRevert>(
            reinterpret_cast<void *>(GetProcAddress(hKernel, "Wow64RevertWow64FsRedirection")));
        if (m_pDisable && m_pRevert)
            m_fOff = m_pDisable(&m_pOld) != FALSE;
    }
    ~CRedirectionOff()
    {
        if (m_fOff)
            m_pRevert(m_pOld);
    }
    CRedirectionOff(const CRedirectionOff &) = delete;
    CRedirectionOff &operator=(const CRedirectionOff &) = delete;

private:
    using TDisable = BOOL(WINAPI *)(PVOID *);
    using TRevert = BOOL(WINAPI *)(PVOID);
    TDisable m_pDisable = nullptr;
    TRevert m_pRevert = nullptr;
    PVOID m_pOld = nullptr;
    bool m_fOff = false;
};

QString TelnetPath()
{
    wchar_t szDir[MAX_PATH] = {};
    const UINT nLength = GetSystemDirectoryW(szDir, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return {};
    return QString::fromWCharArray(szDir, int(nLength)) + QStringLiteral("/telnet.exe");
}

class CHostProgramsWin final : public IHostPrograms
{
public:
    bool HasTelnet() const override
    {
        CRedirectionOff oOff;
        return QFileInfo::exists(TelnetPath());
    }
    bool StartTelnet(const QString &i_sAddress) const override
    {
        CRedirectionOff oOff;
        return QProcess::startDetached(TelnetPath(), {i_sAddress});
    }
    QString FindOrtavoViewer() const override;
    QString HostPath(const QString &i_sHost) const override
    {
        return QStringLiteral("\\\\%1").arg(i_sHost);
    }
    QString SharePath(const QString &i_sHost, const QString &i_sShare) const override
    {
        return QStringLiteral("\\\\%1\\%2").arg(i_sHost, i_sShare);
    }
    bool ShowProperties(const QString &i_sPath) const override
    {
        QString sPath = i_sPath;
        SHELLEXECUTEINFOW oInfo = {};
        oInfo.cbSize = sizeof(oInfo);
        oInfo.fMask = SEE_MASK_INVOKEIDLIST;
        oInfo.lpVerb = L"properties";
        oInfo.lpFile = reinterpret_cast<const wchar_t *>(sPath.utf16());
        oInfo.nShow = SW_SHOW;
        return ShellExecuteExW(&oInfo) != FALSE;
    }
};

QString CHostProgramsWin::FindOrtavoViewer() const
{
    wchar_t szProduct[39] = {};
    if (MsiEnumRelatedProductsW(kOrtavoUpgradeCode, 0, 0, szProduct) != ERROR_SUCCESS)
        return {};
    wchar_t szLocation[1024] = {};
    DWORD nLength = 1023;
    if (MsiGetProductInfoW(szProduct, L"InstallLocation", szLocation, &nLength) != ERROR_SUCCESS)
        return {};
    // The installer registers the folder with its trailing backslash; none is added here.
    return QString::fromWCharArray(szLocation) + QStringLiteral("Ortavo.exe");
}

} // namespace

std::unique_ptr<IHostPrograms> IHostPrograms::Create()
{
    return std::make_unique<CHostProgramsWin>();
}
