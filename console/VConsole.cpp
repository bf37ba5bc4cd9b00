// SPDX-License-Identifier: GPL-3.0-or-later
#include "VConsole.h"

#include "IpRangeReaders.h"

#include <QTextStream>

#include <cstdio>

VConsole::VConsole(QObject *i_pParent)
    : QObject(i_pParent)
    , m_pOutputFile(new QFile(this))
    , m_pStdOut(new QTextStream(stdout))
{}

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
    for (const QString &sArgument : i_lsArguments) {
        if (sArgument.isEmpty())
            continue;
        const QChar cSlash = sArgument.at(0);
        const QChar cSwitch = sArgument.size() > 1 ? sArgument.at(1) : QChar();
        if (sArgument.size() <= 3 || (cSlash != QLatin1Char('/') && cSlash != QLatin1Char('\\'))
            || sArgument.at(2) != QLatin1Char(':')
            || (cSwitch != QLatin1Char('r') && cSwitch != QLatin1Char('s') && cSwitch != QLatin1Char('f'))) {
            o_rsMessage = QStringLiteral("Invalid argument");
            return false;
        }
        const QString sValue = sArgument.mid(3).trimmed();
        bool &rfSeen = cSwitch == QLatin1Char('r') ? fSeenR : cSwitch == QLatin1Char('s') ? fSeenS : fSeenF;
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
    if (fHaveRanges)
        return true;
    if (o_rsMessage.isEmpty())
        o_rsMessage = QStringLiteral("No IP addresses for scanning");
    return false;
}

bool VConsole::IsOutputXml() const
{
    return m_sOutputFileName.size() > 3 && m_sOutputFileName.endsWith(QLatin1String(".xml"), Qt::CaseInsensitive);
}

bool VConsole::Start(QString &o_rsMessage)
{
    if (!m_sOutputFileName.isEmpty()) {
        m_pOutputFile->setFileName(m_sOutputFileName);
        if (!m_pOutputFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            o_rsMessage = QStringLiteral("Can not open file for output: ") + m_sOutputFileName;
            return false;
        }
    }
    WriteLine(QStringLiteral("Status | Name | IP | NetBIOS name | NetBIOS group | MAC address | User | Comments"));
    const CIpList oList = OnIpRangesRequired();
    if (oList.Count() > 0)
        emit EmitScan(oList, 1);
    else // e.g. 0.0.0.1/32 names only 0.0.0.0 and 0.0.0.1: nothing to wait for
        QMetaObject::invokeMethod(this, &VConsole::OnScanProcessStopped, Qt::QueuedConnection);
    return true;
}

CIpList VConsole::OnIpRangesRequired() { return CIpList(m_oRanges); }

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

void VConsole::OnResult(CScanResult i_oResult)
{
    WriteLine(ResultLine(i_oResult));
    ++m_nResultsReceived;
    if (m_nResultsReceived == i_oResult.scan_size())
        OnScanProcessStopped();
}

void VConsole::OnScanProcessStopped()
{
    if (m_pOutputFile->isOpen()) {
        // Lines are buffered: a full disk often shows only when they are flushed.
        if (!m_pOutputFile->flush())
            NoteOutputFailure();
        m_pOutputFile->close();
        if (m_pOutputFile->error() != QFileDevice::NoError)
            NoteOutputFailure();
    }
    m_pStdOut->flush();
    emit EndApplication();
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
        const QByteArray baLine = sLine.toUtf8();
        if (m_pOutputFile->write(baLine) != baLine.size())
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
