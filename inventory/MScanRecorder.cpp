// SPDX-License-Identifier: GPL-3.0-or-later
#include "MScanRecorder.h"

#include "CInventoryStore.h"

#include <QCoreApplication>
#include <QSysInfo>

MScanRecorder::MScanRecorder(std::unique_ptr<CInventoryStore> i_pStore,
                             const QString &i_sSite,
                             QObject *i_pParent)
    : QObject(i_pParent)
    , m_pStore(std::move(i_pStore))
    , m_sSite(i_sSite)
{
}

MScanRecorder::~MScanRecorder() = default;

void MScanRecorder::OnScanStarted(CIpList i_oScope)
{
    m_vRanges = i_oScope.Ranges();
    m_lAlive.clear();
    m_nReceived = 0;
    m_oStarted = QDateTime::currentDateTimeUtc();
    m_fActive = true;
}

void MScanRecorder::OnResult(CScanResult i_oResult)
{
    if (!m_fActive)
        return;
    if (i_oResult.IsAlive())
        m_lAlive << i_oResult;
    if (++m_nReceived == i_oResult.scan_size())
        Record();
}

void MScanRecorder::OnScanStopped()
{
    m_fActive = false;
    m_lAlive.clear();
}

void MScanRecorder::Record()
{
    m_fActive = false;
    CInventoryStore::TScan oScan;
    oScan.oStarted = m_oStarted;
    oScan.oEnded = QDateTime::currentDateTimeUtc();
    oScan.vRanges = m_vRanges;
    oScan.sProbes = m_sProbes;
    oScan.sSite = m_sSite.isEmpty() ? QSysInfo::machineHostName() : m_sSite;
    oScan.sMachine = QSysInfo::machineHostName();
    oScan.sVersion = QCoreApplication::applicationVersion();
    CInventoryEvents lEvents;
    QString sError;
    const QList<CScanResult> lAlive = std::move(m_lAlive);
    m_lAlive.clear();
    if (m_pStore->RecordScan(oScan, lAlive, &lEvents, &sError))
        emit EmitRecorded(lEvents);
    else
        emit EmitRecordFailed(sError);
}
