// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

// The history of scanned range texts and range files ("file://<path>"), most used first, most
// recent first among equal counts. Main thread only; reached through its slots. Loaded from
// "State/IpRangesMruList" at the first configuration and written back when destroyed.
class MScanSrcDataHistory final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MScanSrcDataHistory)

public:
    explicit MScanSrcDataHistory(QObject *i_pParent = nullptr);
    ~MScanSrcDataHistory() override;

public slots:
    void OnScanHistoryRequired(QStringList &i_lsSrcData);
    void OnScanSrcDataWasUsed(QString i_rsText);
    void OnCfg(CCfg i_oCfg);

private:
    struct TEntry
    {
        QString sText;
        // Twice the number of uses, plus 1 for the entry used last.
        quint32 nWeight;
    };

    void Load();
    void Save();

    QList<TEntry> m_lEntries;
    bool m_fLoaded = false;
    CCfg m_oCfg;
};
