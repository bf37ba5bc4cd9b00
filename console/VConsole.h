// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CConsoleOptions.h"
#include "CHostJson.h"
#include "CIpList.h"
#include "CMacVendors.h"
#include "CScanComparison.h"
#include "CScanResult.h"
#include "IpRanges.h"

#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

class CAtomicFile;
class CConsoleProgress;
class QTextStream;
class QTimer;

// The console front end: reads the command line, writes the header and one line per result,
// and ends the application when every address of the scan has reported. Main thread only.
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
    // 0; 5 when the record of the last scan could not be written; 6 when a report could not be
    // made from the results; 130 or 143 when the program was asked to stop (OnStopRequested).
    int ExitStatus() const { return m_nExitStatus; }
    bool IsInterrupted() const { return m_fInterrupted; }
    QString OutputFileName() const { return m_sOutputFileName; }
    // Set when a line could not be written to the output file (a full disk, a removed medium):
    // empty when all went well, else the message to print before ending with a failure status.
    QString OutputError() const { return m_sOutputError; }

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
};
