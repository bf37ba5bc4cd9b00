// SPDX-License-Identifier: GPL-3.0-or-later
#include "MRemoteShutdown.h"

#include "IRemoteShutdownApi.h"
#include "RemoteLog.h"

#include <QHostAddress>

MRemoteShutdown::MRemoteShutdown(QObject *i_pParent)
    : QObject(i_pParent)
{
}

void MRemoteShutdown::OnShutdownAbort(int i_nIp)
{
    const quint32 nIp = quint32(i_nIp);
    const QString sAddress = QHostAddress(nIp).toString();
    const int nResult = IRemoteShutdownApi::Create()->Abort(sAddress);
    if (nResult != 0)
        qCDebug(lcRemote) << "abort of shutdown on" << sAddress << "failed:" << nResult;
    emit EmitAbortDone(nIp, nResult);
}
