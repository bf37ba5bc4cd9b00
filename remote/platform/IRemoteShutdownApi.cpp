// SPDX-License-Identifier: GPL-3.0-or-later
#include "IRemoteShutdownApi.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex g_oFactoryMutex;
IRemoteShutdownApi::TFactory g_oFactory;

} // namespace

std::unique_ptr<IRemoteShutdownApi> IRemoteShutdownApi::Create()
{
    TFactory oFactory;
    {
        QMutexLocker oLock(&g_oFactoryMutex);
        oFactory = g_oFactory;
    }
    return oFactory ? oFactory() : CreatePlatform();
}

void IRemoteShutdownApi::SetFactory(TFactory i_oFactory)
{
    QMutexLocker oLock(&g_oFactoryMutex);
    g_oFactory = std::move(i_oFactory);
}
