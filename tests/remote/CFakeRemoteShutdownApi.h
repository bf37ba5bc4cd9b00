// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IRemoteShutdownApi.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QStringList>
#include <QWaitCondition>

#include <algorithm>
#include <memory>

// Stands in for the operating system's shutdown calls: records every call, answers with the
// result set for the call (0 when none), and holds calls naming a held host until the test
// releases it.
struct CFakeShutdownState
{
    QMutex oMutex;
    QStringList lsCalls;
    QHash<QString, int> mResults; // "Logon \\\\x", "Shutdown x", "Abort x" -> result
    QSet<QString> lsHeld;
    QWaitCondition oReleased;
    int nRunning = 0;
    int nMaxRunning = 0;

    QStringList Calls()
    {
        QMutexLocker oLock(&oMutex);
        return lsCalls;
    }

    int Running()
    {
        QMutexLocker oLock(&oMutex);
        return nRunning;
    }

    void Hold(const QStringList &i_lsHosts)
    {
        QMutexLocker oLock(&oMutex);
        for (const QString &sHost : i_lsHosts)
            lsHeld.insert(sHost);
    }

    void ReleaseAll()
    {
        QMutexLocker oLock(&oMutex);
        lsHeld.clear();
        oReleased.wakeAll();
    }

    int Call(const QString &i_sCall)
    {
        QMutexLocker oLock(&oMutex);
        lsCalls << i_sCall;
        ++nRunning;
        nMaxRunning = std::max(nMaxRunning, nRunning);
        const QStringList lsWords = i_sCall.split(QLatin1Char(' '));
        const auto IsHeld = [this, &lsWords] {
            for (const QString &sWord : lsWords) {
                if (lsHeld.contains(sWord))
                    return true;
            }
            return false;
        };
        while (IsHeld())
            oReleased.wait(&oMutex);
        --nRunning;
        return mResults.value(i_sCall, 0);
    }
};

class CFakeRemoteShutdownApi final : public IRemoteShutdownApi
{
public:
    explicit CFakeRemoteShutdownApi(std::shared_ptr<CFakeShutdownState> i_pState)
        : m_pState(std::move(i_pState))
    {
    }

    int
    Logon(const QString &i_sResource, const QString &i_sUser, const QString &i_sPassword) override
    {
        return m_pState->Call(
            QStringLiteral("Logon %1 %2/%3").arg(i_sResource, i_sUser, i_sPassword));
    }
    int Shutdown(const QString &i_sMachine, const TShutdown &i_rShutdown) override
    {
        m_pState->Call(QStringLiteral("Args %1 msg=%2(%3) t=%4 f=%5 r=%6")
                           .arg(i_sMachine, i_rShutdown.sMessage)
                           .arg(i_rShutdown.fHasMessage)
                           .arg(i_rShutdown.nTimeoutSec)
                           .arg(i_rShutdown.fForce)
                           .arg(i_rShutdown.fReboot));
        return m_pState->Call(QStringLiteral("Shutdown ") + i_sMachine);
    }
    int Abort(const QString &i_sMachine) override
    {
        return m_pState->Call(QStringLiteral("Abort ") + i_sMachine);
    }
    void DropConnections(const QString &i_sName, const QString &i_sAddress) override
    {
        m_pState->Call(QStringLiteral("Drop %1 %2").arg(i_sName, i_sAddress));
    }

private:
    std::shared_ptr<CFakeShutdownState> m_pState;
};

inline std::shared_ptr<CFakeShutdownState> InstallFakeShutdownApi()
{
    auto pState = std::make_shared<CFakeShutdownState>();
    IRemoteShutdownApi::SetFactory(
        [pState] { return std::make_unique<CFakeRemoteShutdownApi>(pState); });
    return pState;
}
