// SPDX-License-Identifier: GPL-3.0-or-later
#include "COpenUrlThread.h"

#include "ActionsLog.h"

#include <QDesktopServices>
#include <QUrl>

COpenUrlThread::COpenUrlThread(const QString &i_sUrl, QObject *i_pParent)
    : QThread(i_pParent)
    , m_sUrl(i_sUrl)
{
    setObjectName(QStringLiteral("open-url"));
}

void COpenUrlThread::run()
{
    if (!QDesktopServices::openUrl(QUrl(m_sUrl))) {
        qCDebug(lcActions) << "system could not open" << m_sUrl;
        emit OpenFailed(m_sUrl);
    }
}

COpenUrlThread *COpenUrlThread::Open(const QString &i_sUrl,
                                     QList<COpenUrlThread *> &io_lpThreads,
                                     const std::function<void(COpenUrlThread *)> &i_fnBeforeStart)
{
    auto *pThread = new COpenUrlThread(i_sUrl);
    io_lpThreads.append(pThread);
    if (i_fnBeforeStart)
        i_fnBeforeStart(pThread);
    pThread->start(QThread::InheritPriority);
    Reap(io_lpThreads);
    return pThread;
}

void COpenUrlThread::Reap(QList<COpenUrlThread *> &io_lpThreads)
{
    for (auto it = io_lpThreads.begin(); it != io_lpThreads.end();) {
        if ((*it)->isFinished()) {
            // finished() may still be on its way out of run(); wait() returns at once after it.
            (*it)->wait();
            delete *it;
            it = io_lpThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void COpenUrlThread::ReapAll(QList<COpenUrlThread *> &io_lpThreads, int i_nIntervalMs)
{
    Reap(io_lpThreads);
    while (!io_lpThreads.isEmpty()) {
        io_lpThreads.first()->wait(static_cast<unsigned long>(i_nIntervalMs));
        Reap(io_lpThreads);
    }
}
