// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanInventory.h"

#include "CDeviceHistory.h"
#include "CInventoryStore.h"
#include "GuiLog.h"
#include "MScanRecorder.h"

#include <QHostAddress>
#include <QSqlQuery>
#include <QSysInfo>

CScanInventory::CScanInventory(QObject *i_pParent)
    : QObject(i_pParent)
{
}

CScanInventory::~CScanInventory() = default;

CInventoryStore *CScanInventory::Store() const
{
    return m_pRecorder ? m_pRecorder->Store() : nullptr;
}

QString CScanInventory::Location() const
{
    const QString sStore = m_oCfg.inventory_store();
    return sStore.isEmpty() ? QStringLiteral("default") : sStore;
}

bool CScanInventory::EnsureOpen(QString *o_psError)
{
    const QString sLocation = Location();
    if (m_pRecorder && m_pRecorder->Store()->Location() == sLocation)
        return true;
    m_pRecorder.reset();
    auto pStore = std::make_unique<CInventoryStore>();
    QString sWarning;
    if (!pStore->Open(sLocation, o_psError, &sWarning))
        return false;
    if (!sWarning.isEmpty())
        emit RecordFailed(sWarning);
    // Empty: the recorder names the site after this machine.
    m_pRecorder = std::make_unique<MScanRecorder>(std::move(pStore), QString());
    connect(m_pRecorder.get(), &MScanRecorder::EmitRecorded, this, &CScanInventory::Recorded);
    connect(
        m_pRecorder.get(), &MScanRecorder::EmitRecordFailed, this, &CScanInventory::RecordFailed);
    return true;
}

void CScanInventory::OnCfg(CCfg i_oCfg)
{
    m_oCfg = i_oCfg;
}

void CScanInventory::OnScanRequested(CIpList i_oScope, int i_nId)
{
    if (i_oScope.Count() == 0) {
        // Behind a scan's last result this is a no-op; before it, the user stopped the scan.
        m_nScanId = -1;
        if (m_pRecorder)
            m_pRecorder->OnScanStopped();
        return;
    }
    m_nScanId = -1;
    if (!m_oCfg.record_scans()) {
        m_pRecorder.reset();
        return;
    }
    QString sError;
    if (!EnsureOpen(&sError)) {
        qCWarning(lcGui) << "inventory not opened:" << sError;
        emit RecordFailed(sError);
        return;
    }
    QStringList lsProbes;
    if (m_oCfg.scan_netbios())
        lsProbes << QStringLiteral("netbios");
    if (m_oCfg.scan_http())
        lsProbes << QStringLiteral("http");
    if (m_oCfg.scan_https())
        lsProbes << QStringLiteral("https");
    if (m_oCfg.scan_ftp())
        lsProbes << QStringLiteral("ftp");
    if (m_oCfg.scan_shares())
        lsProbes << QStringLiteral("shares");
    if (m_oCfg.scan_username())
        lsProbes << QStringLiteral("user");
    m_pRecorder->SetProbes(lsProbes.join(QLatin1Char(',')));
    m_nScanId = i_nId;
    m_pRecorder->OnScanStarted(i_oScope);
}

void CScanInventory::OnScanResult(CScanResult i_oResult)
{
    if (m_nScanId < 0 || i_oResult.scan_id() != m_nScanId || !m_pRecorder)
        return;
    m_pRecorder->OnResult(i_oResult);
}

QHash<quint32, VResultsBackend::THostHistory>
CScanInventory::HostHistory(const CInventoryEvents &i_lEvents) const
{
    QHash<quint32, VResultsBackend::THostHistory> hHistory;
    const auto Ip = [](const QString &i_sIp) { return QHostAddress(i_sIp).toIPv4Address(); };
    if (CInventoryStore *pStore = Store()) {
        QSqlQuery oQuery(pStore->Database());
        oQuery.setForwardOnly(true);
        // Oldest sighting first, so that the device last seen at an address is the one kept.
        oQuery.prepare(QStringLiteral("SELECT ip, first_seen, last_seen FROM vistrel_devices "
                                      "WHERE site = ? ORDER BY last_seen"));
        oQuery.addBindValue(QSysInfo::machineHostName());
        if (oQuery.exec()) {
            while (oQuery.next()) {
                VResultsBackend::THostHistory &rHost = hHistory[Ip(oQuery.value(0).toString())];
                rHost.oFirstSeen =
                    QDateTime::fromString(oQuery.value(1).toString(), Qt::ISODateWithMs);
                rHost.oLastSeen =
                    QDateTime::fromString(oQuery.value(2).toString(), Qt::ISODateWithMs);
            }
        } else {
            qCWarning(lcGui) << "inventory not read for the history columns";
        }
    }
    for (const CInventoryEvent &oEvent : i_lEvents) {
        VResultsBackend::THostHistory &rHost = hHistory[Ip(oEvent.sIp)];
        QString sLine = CDeviceHistory::KindText(oEvent.sKind);
        if (!oEvent.sOld.isEmpty() || !oEvent.sNew.isEmpty())
            sLine += QStringLiteral(": %1 \u2192 %2").arg(oEvent.sOld, oEvent.sNew);
        rHost.sDetails += (rHost.sDetails.isEmpty() ? QString() : QStringLiteral("\n")) + sLine;
        // A new or gone device says all; anything else on an address is a change.
        if (oEvent.sKind == QLatin1String("new") || oEvent.sKind == QLatin1String("gone"))
            rHost.sChange = CDeviceHistory::KindText(oEvent.sKind);
        else if (rHost.sChange.isEmpty())
            rHost.sChange = tr("changed");
    }
    return hHistory;
}
