// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CInventoryEvent.h"
#include "CIpList.h"
#include "CScanResult.h"
#include "VResultsBackend.h"

#include <QObject>

#include <memory>

class CInventoryStore;
class MScanRecorder;

// The window's link to the inventory: opens the store the options name (the embedded one unless
// a PostgreSQL URL is set) when a scan starts, and feeds the recorder the scanner's own results
// of that scan, so that hosts the window does not list still count towards the scan's end. A
// scan stopped by the user is not recorded; with recording off nothing is opened at all.
// Main thread only.
class CScanInventory final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CScanInventory)

public:
    explicit CScanInventory(QObject *i_pParent = nullptr);
    ~CScanInventory() override;

    // The store opened for the last scan, null when none is open; for the History dialog.
    CInventoryStore *Store() const;
    // The location of the store that would be used now ("default" or a PostgreSQL URL).
    QString Location() const;
    // Opens the store of the current options when it is not open yet; false with a message
    // for the user when it cannot be opened.
    bool EnsureOpen(QString *o_psError);
    // For the results tree's history columns: first and last sighting of every device of this
    // machine's site by its last address, and the changes i_lEvents brought to each address.
    QHash<quint32, VResultsBackend::THostHistory>
    HostHistory(const CInventoryEvents &i_lEvents) const;

signals:
    void Recorded(CInventoryEvents i_lEvents);
    void RecordFailed(QString i_sMessage);

public slots:
    void OnCfg(CCfg i_oCfg);
    // The window's scan request: a list with its number, or an empty list when the scan ends
    // or is stopped.
    void OnScanRequested(CIpList i_oScope, int i_nId);
    void OnScanResult(CScanResult i_oResult);

private:
    CCfg m_oCfg;
    std::unique_ptr<MScanRecorder> m_pRecorder;
    int m_nScanId = -1;
};
