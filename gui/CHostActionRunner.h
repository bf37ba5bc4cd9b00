// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "COrtavoViewer.h"
#include "CTelnetLauncher.h"
#include "EOrtavoCommand.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class COpenUrlThread;
class IHostPrograms;

// What the main window's host actions finally do outside the window: open a URL or path, start
// telnet or the Ortavo viewer, show a share's properties. The window owns one and calls it on the
// main thread; tests put a recording subclass in its place, so that the menus can be checked
// without starting programs. Opened addresses run on URL threads, which the destructor waits for.
class CHostActionRunner
{
public:
    CHostActionRunner();
    virtual ~CHostActionRunner();
    CHostActionRunner(const CHostActionRunner &) = delete;
    CHostActionRunner &operator=(const CHostActionRunner &) = delete;

    virtual void OpenUrl(const QString &i_sUrl);
    // Called on i_pContext's thread with an address the system found no program for.
    using TOpenFailed = std::function<void(const QString &i_sUrl)>;
    void SetFailureHandler(QObject *i_pContext, TOpenFailed i_fnFailed);
    // Checks and starts without blocking; i_fnDone gets the result, unless i_pContext is destroyed
    // first.
    virtual void
    StartTelnet(const QString &i_sAddress, QObject *i_pContext, CTelnetLauncher::TDone i_fnDone);
    // The viewer's path as installed, or empty.
    virtual QString FindOrtavoViewer();
    virtual COrtavoViewer::EResult StartOrtavo(const QString &i_sViewer,
                                               EOrtavoCommand i_eCommand,
                                               int i_nPort,
                                               const QString &i_sAddress);
    // False where the system has no properties dialog; the caller then opens the path.
    virtual bool ShowProperties(const QString &i_sPath);

    // The platform's form of a host's or a share's network path.
    QString HostPath(const QString &i_sHost) const;
    QString SharePath(const QString &i_sHost, const QString &i_sShare) const;

    int RunningUrlThreads() const { return m_lpUrlThreads.size(); }

private:
    std::unique_ptr<IHostPrograms> m_pPrograms;
    QList<COpenUrlThread *> m_lpUrlThreads;
    QPointer<QObject> m_pFailureContext;
    TOpenFailed m_fnFailed;
};
