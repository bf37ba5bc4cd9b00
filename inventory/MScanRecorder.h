// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CInventoryEvent.h"
#include "CIpList.h"
#include "CScanResult.h"

#include <QDateTime>
#include <QObject>

#include <memory>

class CInventoryStore;

// Records the scans of the windowed program: gathers the results of the scan under way and
// hands them to the store when every address has reported. A scan stopped before its end is
// not recorded. Lives on the main thread; slots and signals are direct there. Owns its store.
class MScanRecorder final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MScanRecorder)

public:
    // i_pStore opened already; i_sSite and i_sProbes are recorded with every scan.
    MScanRecorder(std::unique_ptr<CInventoryStore> i_pStore,
                  const QString &i_sSite,
                  QObject *i_pParent = nullptr);
    ~MScanRecorder() override;

    void SetProbes(const QString &i_sProbes) { m_sProbes = i_sProbes; }
    CInventoryStore *Store() const { return m_pStore.get(); }

signals:
    // After a scan was recorded: the changes it brought (possibly none).
    void EmitRecorded(CInventoryEvents i_lEvents);
    // The scan could not be recorded; i_sMessage is for the user.
    void EmitRecordFailed(QString i_sMessage);

public slots:
    void OnScanStarted(CIpList i_oScope);
    void OnResult(CScanResult i_oResult);
    // The scan was stopped by the user: nothing of it is recorded.
    void OnScanStopped();

private:
    void Record();

    std::unique_ptr<CInventoryStore> m_pStore;
    QString m_sSite;
    QString m_sProbes;
    QVector<TIpRange> m_vRanges;
    QList<CScanResult> m_lAlive;
    QDateTime m_oStarted;
    qint32 m_nReceived = 0;
    bool m_fActive = false;
};
