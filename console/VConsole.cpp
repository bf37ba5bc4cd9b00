// SPDX-License-Identifier: GPL-3.0-or-later
#include "VConsole.h"

#include "CAtomicFile.h"
#include "CConsoleProgress.h"
#include "CEventPrograms.h"
#include "CResultsXml.h"
#include "CTerminal.h"
#include "IpRangeReaders.h"
#include "MIpMacDataStorage.h"

#include <QSet>
#include <QSysInfo>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

VConsole::VConsole(QObject *i_pParent)
    : QObject(i_pParent)
    , m_pStdOut(new QTextStream(stdout))
{
}

VConsole::~VConsole()
{
    m_pStdOut->flush();
    delete m_pStdOut;
}

QString VConsole::UsageText()
{
    return QStringLiteral(
        "Usage:\n"
        "</r:<IP range> OR /s:<source_file>> [/f:<output_file>]\n"
        "\n"
        "Description:\n"
        "/r - IP or range of IP adresses to scan, ex 192.168.0.1-192.168.0.255\n"
        "or\n"
        "/s - path to the file with IP ranges with 1 IP/IP range per line format, ex\n"
        "     192.168.0.1-192.168.0.128\n"
        "     192.168.0.155\n"
        "     192.168.1.10\n"
        "\n"
        "/f - path to the file where scan results will be written\n"
        "\n"
        "Example:\n"
        "vistrel_console.exe /r:192.168.0.1-192.168.0.255\n"
        "vistrel_console.exe /s:ip_ranges.txt /f:scan_results.txt");
}

bool VConsole::ParseArguments(const QStringList &i_lsArguments, QString &o_rsMessage)
{
    bool fSeenR = false;
    bool fSeenS = false;
    bool fSeenF = false;
    bool fHaveRanges = false;
    QSet<QChar> stSeenOptions;
    for (const QString &sArgument : i_lsArguments) {
        if (sArgument.isEmpty())
            continue;
        const QChar cSlash = sArgument.at(0);
        const QChar cSwitch = sArgument.size() > 1 ? sArgument.at(1) : QChar();
        if (sArgument.size() <= 3 || (cSlash != QLatin1Char('/') && cSlash != QLatin1Char('\\'))
            || sArgument.at(2) != QLatin1Char(':')
            || (cSwitch != QLatin1Char('r') && cSwitch != QLatin1Char('s')
                && cSwitch != QLatin1Char('f') && !CConsoleOptions::IsOptionSwitch(cSwitch))) {
            o_rsMessage = QStringLiteral("Invalid argument");
            return false;
        }
        const QString sValue = sArgument.mid(3).trimmed();
        if (CConsoleOptions::IsOptionSwitch(cSwitch)) {
            if (stSeenOptions.contains(cSwitch)) {
                o_rsMessage = QStringLiteral("Error: Several identical arguments found");
                return false;
            }
            if (!m_oOptions.Parse(cSwitch, sValue, o_rsMessage))
                return false;
            stSeenOptions.insert(cSwitch);
            continue;
        }
        bool &rfSeen = cSwitch == QLatin1Char('r')   ? fSeenR
                       : cSwitch == QLatin1Char('s') ? fSeenS
                                                     : fSeenF;
        if (rfSeen) {
            o_rsMessage = QStringLiteral("Error: Several identical arguments found");
            return false;
        }
        if (cSwitch == QLatin1Char('f')) {
            m_sOutputFileName = sValue;
            rfSeen = true;
            continue;
        }
        if (fHaveRanges) {
            o_rsMessage = QStringLiteral("Duplicate in argument list");
            return false;
        }
        bool fRead = false;
        if (cSwitch == QLatin1Char('r')) {
            TIpRange oRange;
            if (ParseRange(sValue, &oRange) || ParseCidr(sValue, &oRange))
                fRead = m_oRanges.Assign(&oRange, 1, false);
        } else {
            fRead = LoadRangesFromFile(&m_oRanges, sValue, &o_rsMessage);
        }
        fHaveRanges = m_oRanges.Count() > 0;
        if (!fRead || !fHaveRanges) {
            if (o_rsMessage.isEmpty())
                o_rsMessage = QStringLiteral("Invalid IP address or range");
            return false;
        }
        rfSeen = true;
    }
    if (fHaveRanges) {
        if (!m_oOptions.ChooseFormatByFileName(m_sOutputFileName, o_rsMessage))
            return false;
        if (IsWatching() && !m_sOutputFileName.isEmpty()) {
            o_rsMessage = QStringLiteral("/w: prints changes on standard output and takes no /f:");
            return false;
        }
        if ((IsWatching() || !m_oOptions.Store().isEmpty())
            && m_oOptions.Format() != EOutputFormat::Text
            && m_oOptions.Format() != EOutputFormat::JsonLines && m_sOutputFileName.isEmpty()) {
            o_rsMessage = QStringLiteral(
                "Changes are printed as text or jsonl: use /o:text or /o:jsonl, or /f:");
            return false;
        }
        QString sError;
        if (m_oOptions.VendorSource() == EVendorSource::File
            && !m_oVendors.LoadFile(m_oOptions.VendorFile(), &sError)) {
            o_rsMessage = QStringLiteral("Invalid value \"%1\" for /v: %2")
                              .arg(m_oOptions.VendorFile(), sError);
            return false;
        }
        return true;
    }
    if (o_rsMessage.isEmpty())
        o_rsMessage = QStringLiteral("No IP addresses for scanning");
    return false;
}

bool VConsole::Start(QString &o_rsMessage)
{
    if (!m_oOptions.Store().isEmpty() || IsWatching()) {
        m_pStore = std::make_unique<CInventoryStore>();
        if (m_oOptions.VendorSource() != EVendorSource::None)
            m_pStore->SetVendorLookup(
                [this](const QByteArray &i_baMac) { return m_oVendors.Lookup(i_baMac); });
        QString sWarning;
        const QString sStore =
            m_oOptions.Store().isEmpty() ? QStringLiteral("default") : m_oOptions.Store();
        if (!m_pStore->Open(sStore, &o_rsMessage, &sWarning))
            return false;
        if (!sWarning.isEmpty())
            Warn(sWarning);
        if (!m_oOptions.EventProgram().isEmpty())
            m_pPrograms = std::make_unique<CEventPrograms>(m_oOptions.EventProgram());
    }
    if (!m_sOutputFileName.isEmpty()) {
        m_pOutputFile = std::make_unique<CAtomicFile>(m_sOutputFileName);
        if (!m_pOutputFile->Open()) {
            o_rsMessage = QStringLiteral("Can not open file for output: ") + m_sOutputFileName;
            return false;
        }
    }
    if (m_oOptions.Format() == EOutputFormat::Text && !IsWatching()) {
        QString sHeader = QStringLiteral(
            "Status | Name | IP | NetBIOS name | NetBIOS group | MAC address | User | Comments");
        if (m_oOptions.VendorSource() != EVendorSource::None)
            sHeader += QStringLiteral(" | Vendor");
        if (m_oOptions.Compare())
            sHeader += QStringLiteral(" | Change");
        WriteLine(sHeader);
    }
    if (m_oOptions.VendorSource() == EVendorSource::Default && !m_oVendors.LoadDefault()) {
        Warn(QStringLiteral("MAC vendor registry not found in %1 (Debian package ieee-data); "
                            "vendors are left empty")
                 .arg(CMacVendors::DefaultFolders().join(QStringLiteral(" or "))));
    }
    if (m_oOptions.Compare() && m_pStore) {
        // The store remembers each site's last scan of every address: it is the record.
        QString sError;
        m_oComparison.SetPrevious(m_pStore->LastAlive(SiteName(), m_oRanges.Ranges(), &sError));
        if (!sError.isEmpty())
            Warn(sError);
    } else if (m_oOptions.Compare()) {
        QString sWarning;
        m_oComparison.Load(CScanComparison::RecordPathBeside(MIpMacDataStorage::DefaultPath()),
                           &sWarning);
        if (!sWarning.isEmpty())
            Warn(sWarning);
    }
    const CIpList oList = OnIpRangesRequired();
    // Lines streaming to the same terminal would be overwritten by the redrawn status line (a
    // text line has no line break after it until the next one comes).
    const bool fStreamsToTerminal = m_sOutputFileName.isEmpty()
                                    && (m_oOptions.Format() == EOutputFormat::Text
                                        || m_oOptions.Format() == EOutputFormat::JsonLines)
                                    && CTerminal::IsStdOutTerminal();
    if (CTerminal::IsStdErrTerminal() && !fStreamsToTerminal && !IsWatching()) {
        m_pProgress = std::make_unique<CConsoleProgress>(oList.Count());
        m_pProgressTimer = new QTimer(this);
        connect(m_pProgressTimer, &QTimer::timeout, this, [this] {
            m_pProgress->Update(m_nResultsReceived, m_nAlive);
        });
        m_pProgressTimer->start(1000);
        m_pProgress->Update(0, 0);
    }
    StartScan();
    return true;
}

void VConsole::StartScan()
{
    const CIpList oList = OnIpRangesRequired();
    m_fStopped = false;
    m_nResultsReceived = 0;
    m_nAlive = 0;
    m_lAlive.clear();
    m_oScanStarted = QDateTime::currentDateTimeUtc();
    if (oList.Count() > 0)
        emit EmitScan(oList, m_nScanId);
    else // e.g. 0.0.0.1/32 names only 0.0.0.0 and 0.0.0.1: nothing to wait for
        QMetaObject::invokeMethod(this, &VConsole::OnScanProcessStopped, Qt::QueuedConnection);
}

CIpList VConsole::OnIpRangesRequired()
{
    return CIpList(m_oRanges);
}

QString VConsole::ConsoleMacText(const QByteArray &i_baMac)
{
    QStringList lsBytes;
    for (int i = 0; i < 6; ++i)
        lsBytes << QString::number(static_cast<quint8>(i < i_baMac.size() ? i_baMac.at(i) : 0), 16);
    return lsBytes.join(QLatin1Char('.'));
}

QString VConsole::ResultLine(const CScanResult &i_oResult)
{
    return QStringList{HostStatusText(i_oResult.status()),
                       i_oResult.name(),
                       i_oResult.IpText(),
                       i_oResult.netbiosname(),
                       i_oResult.netbiosgroup(),
                       ConsoleMacText(i_oResult.mac()),
                       i_oResult.user()}
        .join(QStringLiteral(" | "));
}

THostExtras VConsole::Extras(const CScanResult &i_oResult, bool *o_pfGone)
{
    THostExtras oExtras;
    if (m_oOptions.VendorSource() != EVendorSource::None) {
        oExtras.fVendor = true;
        oExtras.sVendor = m_oVendors.Lookup(i_oResult.mac());
    }
    *o_pfGone = false;
    if (m_oOptions.Compare()) {
        const CScanComparison::TMark oMark =
            m_oComparison.Compare(i_oResult, MIpMacDataStorage::Instance());
        oExtras.fChange = true;
        oExtras.sChange = oMark.Word();
        oExtras.lsChanged = oMark.lsChanged;
        *o_pfGone = oMark.eChange == CScanComparison::EChange::Gone;
    }
    return oExtras;
}

void VConsole::WriteHost(const CScanResult &i_oResult, const THostExtras &i_oExtras)
{
    switch (m_oOptions.Format()) {
    case EOutputFormat::Text: {
        QString sLine = ResultLine(i_oResult);
        if (i_oExtras.fVendor || i_oExtras.fChange)
            sLine += QStringLiteral(" | "); // the empty "Comments" field
        if (i_oExtras.fVendor)
            sLine += QStringLiteral(" | ") + i_oExtras.sVendor;
        if (i_oExtras.fChange) {
            sLine += QStringLiteral(" | ") + i_oExtras.sChange;
            if (!i_oExtras.lsChanged.isEmpty())
                sLine += QStringLiteral(": ") + i_oExtras.lsChanged.join(QStringLiteral(", "));
        }
        WriteLine(sLine);
        break;
    }
    case EOutputFormat::JsonLines:
        WriteBytes(CHostJson::Line(i_oResult, i_oExtras));
        break;
    case EOutputFormat::Xml:
    case EOutputFormat::Html:
    case EOutputFormat::Csv: {
        QList<QPair<QString, QString>> lExtra;
        if (i_oExtras.fVendor)
            lExtra << qMakePair(QStringLiteral("vendor"), i_oExtras.sVendor);
        if (i_oExtras.fChange) {
            lExtra << qMakePair(QStringLiteral("change"), i_oExtras.sChange);
            lExtra << qMakePair(QStringLiteral("changed"),
                                i_oExtras.lsChanged.join(QLatin1Char(' ')));
        }
        m_msDocumentRows.insert(i_oResult.ip(), CResultsXml::Row(CScanItem(i_oResult), lExtra));
        break;
    }
    }
}

void VConsole::OnResult(CScanResult i_oResult)
{
    if (m_fStopped || i_oResult.scan_id() != m_nScanId)
        return;
    if (m_pStore && i_oResult.IsAlive())
        m_lAlive << i_oResult;
    if (IsWatching()) {
        ++m_nResultsReceived;
        if (m_nResultsReceived == i_oResult.scan_size())
            OnScanProcessStopped();
        return;
    }
    bool fGone = false;
    const THostExtras oExtras = Extras(i_oResult, &fGone);
    if (i_oResult.IsAlive())
        ++m_nAlive;
    // A host that went away is news even when only alive hosts are asked for.
    if (!m_oOptions.OnlyAlive() || i_oResult.IsAlive() || fGone)
        WriteHost(i_oResult, oExtras);
    ++m_nResultsReceived;
    if (m_pProgress)
        m_pProgress->Update(m_nResultsReceived, m_nAlive);
    if (m_nResultsReceived == i_oResult.scan_size())
        OnScanProcessStopped();
}

void VConsole::WriteDocument()
{
    CResultsXml::TScanInfo oInfo;
    oInfo.oStarted = m_oScanStarted.toLocalTime();
    oInfo.sRanges = CResultsXml::RangesText(m_oRanges.Ranges());
    oInfo.nDurationMs = m_oScanStarted.msecsTo(QDateTime::currentDateTimeUtc());
    QString sDocument = CResultsXml::DocumentStart(oInfo);
    for (const QString &sRow : qAsConst(m_msDocumentRows))
        sDocument += sRow;
    sDocument += CResultsXml::DocumentEnd();
    const QString sXsl = m_oOptions.XslFileName();
    if (!sXsl.isEmpty()) {
        sDocument = CResultsXml::Transform(sDocument, CResultsXml::XslPath(sXsl));
        if (sDocument.isEmpty()) {
            Warn(QStringLiteral("The report could not be made with ") + CResultsXml::XslPath(sXsl));
            m_nExitStatus = 6;
            // No report is no reason to lose the previous one.
            if (m_pOutputFile)
                m_pOutputFile->Discard();
            return;
        }
    }
    WriteBytes(sDocument.toUtf8());
}

void VConsole::OnScanProcessStopped()
{
    if (m_fStopped)
        return;
    m_fStopped = true;
    if (IsWatching()) {
        RecordScan();
        ++m_nScanId;
        if (!m_pWatchTimer) {
            m_pWatchTimer = new QTimer(this);
            m_pWatchTimer->setSingleShot(true);
            connect(m_pWatchTimer, &QTimer::timeout, this, &VConsole::StartScan);
        }
        m_pWatchTimer->start(*m_oOptions.WatchSeconds() * 1000);
        return;
    }
    if (m_pProgressTimer)
        m_pProgressTimer->stop();
    if (m_pProgress)
        m_pProgress->Finish();
    if (m_oOptions.Format() == EOutputFormat::Xml || m_oOptions.Format() == EOutputFormat::Html
        || m_oOptions.Format() == EOutputFormat::Csv)
        WriteDocument();
    QString sError;
    QString sNote;
    if (m_oOptions.Compare() && !m_pStore && !m_oComparison.Save(&sError, &sNote)) {
        Warn(QStringLiteral("The record of this scan could not be written to %1: %2")
                 .arg(m_oComparison.Path(), sError));
        // The next comparison would be made against an older scan: the user must know.
        if (m_nExitStatus == 0)
            m_nExitStatus = 5;
    }
    if (!sNote.isEmpty())
        Warn(sNote);
    if (m_pOutputFile && m_pOutputFile->IsOpen() && !m_pOutputFile->Commit())
        NoteOutputFailure();
    if (m_pStore && !RecordScan() && m_nExitStatus == 0)
        m_nExitStatus = 5;
    m_pStdOut->flush();
    if (m_pPrograms && m_pPrograms->Running() > 0) {
        // The changes of a single scan are told before the program ends, within the programs'
        // own time bound.
        connect(m_pPrograms.get(), &CEventPrograms::EmitIdle, this, &VConsole::EndApplication);
        return;
    }
    emit EndApplication();
}

void VConsole::OnStopRequested(int i_nExitStatus)
{
    // A scan that has ended is being written out; a stop request then changes nothing. A watch
    // waiting for its next scan stops at once.
    if (m_fInterrupted || (m_fStopped && !IsWatching()))
        return;
    m_fStopped = true;
    m_fInterrupted = true;
    // Stopping is how a watch ends: that is no failure.
    m_nExitStatus = IsWatching() ? 0 : i_nExitStatus;
    if (m_pWatchTimer)
        m_pWatchTimer->stop();
    if (m_pPrograms)
        m_pPrograms->Finish(1000);
    if (m_pProgressTimer)
        m_pProgressTimer->stop();
    if (m_pProgress)
        m_pProgress->Finish();
    // Half a scan is not a result: neither the output file nor the record of the last scan
    // takes it.
    if (m_pOutputFile)
        m_pOutputFile->Discard();
    m_pStdOut->flush();
    emit EndApplication();
}

QString VConsole::SiteName() const
{
    return m_oOptions.Site().isEmpty() ? QSysInfo::machineHostName() : m_oOptions.Site();
}

bool VConsole::RecordScan()
{
    CInventoryStore::TScan oScan;
    oScan.oStarted = m_oScanStarted;
    oScan.oEnded = QDateTime::currentDateTimeUtc();
    oScan.vRanges = m_oRanges.Ranges();
    oScan.sProbes = m_sProbes;
    oScan.sSite = SiteName();
    oScan.sMachine = QSysInfo::machineHostName();
    oScan.sVersion = QStringLiteral(VISTREL_VERSION_TEXT);
    m_lPending.append(qMakePair(oScan, m_lAlive));
    m_lAlive.clear();
    while (m_lPending.size() > kMaxPendingScans) {
        m_lPending.removeFirst();
        Warn(QStringLiteral(
            "An unrecorded scan was dropped: the store was out of reach for too long"));
    }
    while (!m_lPending.isEmpty()) {
        CInventoryEvents lEvents;
        QString sError;
        if (!m_pStore->RecordScan(
                m_lPending.first().first, m_lPending.first().second, &lEvents, &sError)) {
            Warn(
                sError
                + (IsWatching() ? QStringLiteral("; tried again after the next scan") : QString()));
            if (!IsWatching())
                m_lPending.clear();
            return false;
        }
        m_lPending.removeFirst();
        for (const CInventoryEvent &oEvent : qAsConst(lEvents)) {
            WriteEvent(oEvent);
            if (m_pPrograms)
                m_pPrograms->Run(oEvent);
        }
    }
    return true;
}

void VConsole::WriteEvent(const CInventoryEvent &i_oEvent)
{
    QByteArray baLine = m_oOptions.Format() == EOutputFormat::JsonLines
                            ? i_oEvent.JsonLine()
                            : (i_oEvent.Text() + QLatin1Char('\n')).toUtf8();
    // Host lines on standard output have no line break after the last one.
    if (!m_fEventLineWritten && m_fLineWritten && m_sOutputFileName.isEmpty()
        && m_oOptions.Format() == EOutputFormat::Text)
        baLine.prepend("\r\n");
    m_fEventLineWritten = true;
    m_pStdOut->flush();
    std::fwrite(baLine.constData(), 1, static_cast<size_t>(baLine.size()), stdout);
    std::fflush(stdout);
}

void VConsole::Warn(const QString &i_sText)
{
    CTerminal::WriteStdErr((i_sText + QLatin1Char('\n')).toLocal8Bit());
}

void VConsole::WriteBytes(const QByteArray &i_baData)
{
    if (m_sOutputFileName.isEmpty()) {
        m_pStdOut->flush();
        std::fwrite(i_baData.constData(), 1, static_cast<size_t>(i_baData.size()), stdout);
        std::fflush(stdout);
    } else if (!m_pOutputFile->Write(i_baData)) {
        NoteOutputFailure();
    }
}

void VConsole::WriteLine(const QString &i_sText)
{
    if (i_sText.isEmpty())
        return;
    const QString sLine = m_fLineWritten ? QStringLiteral("\r\n") + i_sText : i_sText;
    if (m_sOutputFileName.isEmpty()) {
        *m_pStdOut << sLine;
        m_pStdOut->flush();
    } else {
        if (!m_pOutputFile->Write(sLine.toUtf8()))
            NoteOutputFailure();
    }
    m_fLineWritten = true;
}

void VConsole::NoteOutputFailure()
{
    // A scan whose results did not reach the file must not end as if they had.
    if (m_sOutputError.isEmpty())
        m_sOutputError = QStringLiteral("Can not write file for output: ") + m_sOutputFileName;
}
