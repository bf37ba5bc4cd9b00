// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CConsoleOptions.h"
#include "CHostJson.h"
#include "CInventoryEvent.h"
#include "CInventoryStore.h"
#include "CIpList.h"
#include "CMacVendors.h"
#include "CScanComparison.h"
#include "CScanResult.h"
#include "IpRanges.h"

#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

class CAtomicFile;
class CConsoleProgress;
class CEventPrograms;
class CInventoryStore;
class QTextStream;
class QTimer;

// The console front end: reads the command line, writes the header and one line per result,
// and ends the application when every address of the scan has reported. With a store it records
// the scan and prints the changes found; in watch mode it scans again and again, printing only
// the changes, until asked to stop. Main thread only.
class VConsole final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(VConsole)

public:
    explicit VConsole(QObject *i_pParent = nullptr);
    ~VConsole() override;

    // False with o_rsMessage set when the command line is rejected.
    bool ParseArguments(const QStringList &i_lsArguments, QString &o_rsMessage);
    // False with o_rsMessage set when the output file cannot be opened.
    bool Start(QString &o_rsMessage);

    const IpRanges &Ranges() const { return m_oRanges; }
    const CConsoleOptions &Options() const { return m_oOptions; }
    // 0; 5 when the record of the last scan, or the scan in the store, could not be written; 6
    // when a report could not be made from the results; 130 or 143 when the program was asked
    // to stop (OnStopRequested), but 0 when a watch was stopped that way.
    int ExitStatus() const { return m_nExitStatus; }
    bool IsInterrupted() const { return m_fInterrupted; }
    QString OutputFileName() const { return m_sOutputFileName; }
    // Set when a line could not be written to the output file (a full disk, a removed medium):
    // empty when all went well, else the message to print before ending with a failure status.
    QString OutputError() const { return m_sOutputError; }

    // The probes this run asks, recorded with each scan (CConsoleOptions::ProbesText).
    void SetProbes(const QString &i_sProbes) { m_sProbes = i_sProbes; }

    static QString UsageText();
    static QString ResultLine(const CScanResult &i_oResult);
    static QString ConsoleMacText(const QByteArray &i_baMac);

signals:
    void EmitScan(CIpList i_oScope, int i_nId);
    void EndApplication();

public slots:
    CIpList OnIpRangesRequired();
    void OnResult(CScanResult i_oResult);
    void OnScanProcessStopped();
    // Ends the program before the scan is done: the output file keeps what it held before the
    // run (the new one is dropped unfinished), the record of the last scan is left as it was,
    // and ExitStatus() becomes i_nExitStatus. Lines already written to standard output stay.
    void OnStopRequested(int i_nExitStatus);

private:
    void WriteLine(const QString &i_sText);
    void NoteOutputFailure();
    void WriteBytes(const QByteArray &i_baData);
    static void Warn(const QString &i_sText);
    THostExtras Extras(const CScanResult &i_oResult, bool *o_pfGone);
    void WriteHost(const CScanResult &i_oResult, const THostExtras &i_oExtras);
    void WriteDocument();
    void StartScan();
    bool IsWatching() const { return m_oOptions.WatchSeconds().has_value(); }
    // Records the scan just ended (and earlier ones a lost server kept out), prints the events
    // and hands them to the event program. False when this scan could not be recorded.
    bool RecordScan();
    void WriteEvent(const CInventoryEvent &i_oEvent);
    QString SiteName() const;

    IpRanges m_oRanges;
    QString m_sOutputFileName;
    bool m_fLineWritten = false;
    QString m_sOutputError;
    // Written through a temporary file that replaces the old one only when the scan has ended
    // and every byte was written; null without "/f:".
    std::unique_ptr<CAtomicFile> m_pOutputFile;
    QTextStream *m_pStdOut;
    qint32 m_nResultsReceived = 0;

    CConsoleOptions m_oOptions;
    CMacVendors m_oVendors;
    CScanComparison m_oComparison;
    std::unique_ptr<CConsoleProgress> m_pProgress;
    // Keeps the elapsed time moving while no host finishes.
    QTimer *m_pProgressTimer = nullptr;
    // Rows of the XML, HTML and CSV forms by address, written when the scan ends.
    QMap<quint32, QString> m_msDocumentRows;
    qint64 m_nAlive = 0;
    int m_nExitStatus = 0;
    bool m_fStopped = false;
    bool m_fInterrupted = false;

    std::unique_ptr<CInventoryStore> m_pStore;
    std::unique_ptr<CEventPrograms> m_pPrograms;
    // Alive hosts of the scan under way, for the store.
    QList<CScanResult> m_lAlive;
    QDateTime m_oScanStarted;
    int m_nScanId = 1;
    // Scans a store that could not be reached kept out, retried before the next one is
    // recorded; the oldest give way beyond kMaxPendingScans.
    static constexpr int kMaxPendingScans = 3;
    QList<QPair<CInventoryStore::TScan, QList<CScanResult>>> m_lPending;
    QTimer *m_pWatchTimer = nullptr;
    bool m_fEventLineWritten = false;
    QString m_sProbes;
};
