// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHostActionRunner.h"

#include "COpenUrlThread.h"
#include "IHostPrograms.h"

CHostActionRunner::CHostActionRunner()
    : m_pPrograms(IHostPrograms::Create())
{
}

CHostActionRunner::~CHostActionRunner()
{
    COpenUrlThread::ReapAll(m_lpUrlThreads);
}

void CHostActionRunner::OpenUrl(const QString &i_sUrl)
{
    COpenUrlThread::Open(i_sUrl, m_lpUrlThreads, [this](COpenUrlThread *i_pThread) {
        if (m_pFailureContext && m_fnFailed)
            QObject::connect(i_pThread,
                             &COpenUrlThread::OpenFailed,
                             m_pFailureContext.data(),
                             m_fnFailed,
                             Qt::QueuedConnection);
    });
}

void CHostActionRunner::SetFailureHandler(QObject *i_pContext, TOpenFailed i_fnFailed)
{
    m_pFailureContext = i_pContext;
    m_fnFailed = std::move(i_fnFailed);
}

void CHostActionRunner::StartTelnet(const QString &i_sAddress,
                                    QObject *i_pContext,
                                    CTelnetLauncher::TDone i_fnDone)
{
    CTelnetLauncher().Launch(i_sAddress, i_pContext, std::move(i_fnDone));
}

QString CHostActionRunner::FindOrtavoViewer()
{
    return m_pPrograms->FindOrtavoViewer();
}

COrtavoViewer::EResult CHostActionRunner::StartOrtavo(const QString &i_sViewer,
                                                      EOrtavoCommand i_eCommand,
                                                      int i_nPort,
                                                      const QString &i_sAddress)
{
    return COrtavoViewer::LaunchPath(i_sViewer, i_eCommand, i_nPort, i_sAddress);
}

bool CHostActionRunner::ShowProperties(const QString &i_sPath)
{
    return m_pPrograms->ShowProperties(i_sPath);
}

QString CHostActionRunner::HostPath(const QString &i_sHost) const
{
    return m_pPrograms->HostPath(i_sHost);
}

QString CHostActionRunner::SharePath(const QString &i_sHost, const QString &i_sShare) const
{
    return m_pPrograms->SharePath(i_sHost, i_sShare);
}
