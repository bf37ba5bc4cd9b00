// SPDX-License-Identifier: GPL-3.0-or-later
#include "CStopRequests.h"

#include <QAtomicPointer>
#include <QMetaObject>

#include <windows.h>

namespace {

QAtomicPointer<CStopRequests> s_pInstance;
QAtomicInt s_nRequests;

// Runs on a thread the system creates for the event; the main thread gets a queued call.
BOOL WINAPI OnControl(DWORD i_nEvent)
{
    int nStatus = 0;
    switch (i_nEvent) {
    case CTRL_C_EVENT:
        nStatus = 128 + 2; // as for SIGINT
        break;
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
        nStatus = 128 + 15; // as for SIGTERM
        break;
    default:
        return FALSE;
    }
    CStopRequests *pInstance = s_pInstance.loadAcquire();
    // The second request, or one without a receiver, gets the default handling: the end.
    if (!pInstance || s_nRequests.fetchAndAddOrdered(1) > 0)
        return FALSE;
    QMetaObject::invokeMethod(
        pInstance,
        [pInstance, nStatus] { emit pInstance->EmitStopRequested(nStatus); },
        Qt::QueuedConnection);
    if (i_nEvent == CTRL_CLOSE_EVENT)
        Sleep(5000); // the process ends when this returns; give the main thread its time
    return TRUE;
}

} // namespace

struct CStopRequests::TState
{
};

CStopRequests::CStopRequests(QObject *i_pParent)
    : QObject(i_pParent)
    , m_pState(std::make_unique<TState>())
{
    s_nRequests.storeRelease(0);
    s_pInstance.storeRelease(this);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

CStopRequests::~CStopRequests()
{
    SetConsoleCtrlHandler(OnControl, FALSE);
    s_pInstance.storeRelease(nullptr);
}
