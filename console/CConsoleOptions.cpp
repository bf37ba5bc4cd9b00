// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConsoleOptions.h"

#include "CCfg.h"
#include "CInventoryStore.h"
#include "CMacVendors.h"
#include "CResultsXml.h"
#include "MScanner.h"

#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QString Quoted(const QString &i_sText)
{
    return QLatin1Char('"') + i_sText + QLatin1Char('"');
}

} // namespace

bool CConsoleOptions::IsOptionSwitch(QChar i_cSwitch)
{
    return QStringLiteral("pnatqohcvdlweux").contains(i_cSwitch);
}

QStringList CConsoleOptions::ProbeNames()
{
    return {QStringLiteral("http"),
            QStringLiteral("https"),
            QStringLiteral("ftp"),
            QStringLiteral("shares"),
            QStringLiteral("netbios"),
            QStringLiteral("user")};
}

QString CConsoleOptions::UsageTail()
{
    return QStringLiteral(
        "More switches:\n"
        "/p - probes to run, comma separated: http, https, ftp, shares, netbios, user, or all,\n"
        "     none; +name or -name alone adds to or removes from the default (http, shares, ftp)\n"
        "/n - remote administration ports to test, comma separated, or none (default 4899)\n"
        "/x - web servers on other ports, asked as ports 80 and 443 are: comma separated, an s\n"
        "     after a port for HTTPS (/x:8080,8443s), or none (the default)\n"
        "/a - high accuracy: on or off (default off)\n"
        "/t - number of scan threads, 1-1024 (default 96)\n"
        "/q - pace of the liveness sweep in requests per second, 1-100000 (default 4000)\n"
        "/o - output format: text (default), xml, html, csv or jsonl (one JSON object per host);\n"
        "     without /o, a /f file named *.xml, *.html, *.csv or *.jsonl gets that format\n"
        "/h - hosts to print: all (default) or alive; with /c:on gone hosts are printed too\n"
        "/c - compare with the last scan: on or off; marks each host new, gone, changed or\n"
        "     unchanged and keeps this scan's hosts in vistrel_LastScan.xml in the home folder\n"
        "/v - MAC vendors: on (registry of the ieee-data package), off, or a registry file\n"
        "/d - record the scan in the inventory: default (a SQLite file in the user's data\n"
        "     folder), sqlite:PATH or postgresql://user@host:port/db (password in ~/.pgpass);\n"
        "     the changes it finds (new, gone, back, ip-changed, mac-changed, name-changed,\n"
        "     services-changed) follow on standard output, as text or with /o:jsonl\n"
        "/l - site name recorded with each scan (default: this machine's host name)\n"
        "/w - watch: scan again SECONDS after each scan ends, recording each one (in the\n"
        "     default store without /d), printing only the changes, until interrupted\n"
        "/e - program run for each change, with VISTREL_EVENT, VISTREL_IP, VISTREL_MAC,\n"
        "     VISTREL_OLD, VISTREL_NEW and VISTREL_SITE in its environment\n"
        "/u - network account for shares and the logged-on user: an authentication file with\n"
        "     lines username = NAME, password = PASSWORD, domain = DOMAIN (optional); only its\n"
        "     owner may read it. Without /u the user's Kerberos ticket, if any, else anonymous\n"
        "\n"
        "A bad value exits with status 2; status 6 means an HTML or CSV report could not be made.\n"
        "Progress is shown on standard error when it is a terminal that the results do not go to.\n"
        "vistrel_console.exe /r:192.168.0.0/24 /p:+netbios /o:jsonl /h:alive /c:on /v:on\n"
        "vistrel_console.exe /r:192.168.0.0/24 /w:300 /l:office /e:/usr/local/bin/notify-admin");
}

std::optional<bool> CConsoleOptions::OnOff(const QString &i_sValue)
{
    const QString sValue = i_sValue.toLower();
    if (sValue == QLatin1String("on"))
        return true;
    if (sValue == QLatin1String("off"))
        return false;
    return std::nullopt;
}

QString CConsoleOptions::XslFileName() const
{
    if (m_eFormat == EOutputFormat::Html)
        return QStringLiteral("xml_to_html.xsl");
    if (m_eFormat == EOutputFormat::Csv)
        return QStringLiteral("xml_to_csv.xsl");
    return QString();
}

bool CConsoleOptions::Parse(QChar i_cSwitch, const QString &i_sValue, QString &o_rsMessage)
{
    const QString sLower = i_sValue.toLower();
    switch (i_cSwitch.unicode()) {
    case 'p':
        return ParseProbes(sLower, o_rsMessage);
    case 'n':
        return ParsePorts(sLower, o_rsMessage);
    case 'x': {
        QList<CCfg::TWebPort> lPorts;
        if (sLower != QLatin1String("none") && !CCfg::ParseWebPorts(sLower, &lPorts)) {
            o_rsMessage = QStringLiteral("Invalid value %1 for /x: (ports 1-65535, comma "
                                         "separated, each with an s for HTTPS if so, at most 16; "
                                         "or none)")
                              .arg(Quoted(i_sValue));
            return false;
        }
        m_olWebPorts = lPorts;
        return true;
    }
    case 'a':
        m_ofHighAccuracy = OnOff(i_sValue);
        if (!m_ofHighAccuracy)
            o_rsMessage =
                QStringLiteral("Invalid value %1 for /a: (on or off)").arg(Quoted(i_sValue));
        return m_ofHighAccuracy.has_value();
    case 't': {
        bool fOk = false;
        const int nThreads = i_sValue.toInt(&fOk);
        if (!fOk || nThreads < 1 || nThreads > MScanner::MaxThreads) {
            o_rsMessage = QStringLiteral("Invalid thread count %1 for /t: (1-%2)")
                              .arg(Quoted(i_sValue))
                              .arg(MScanner::MaxThreads);
            return false;
        }
        m_onThreads = nThreads;
        return true;
    }
    case 'q': {
        bool fOk = false;
        const int nRate = i_sValue.toInt(&fOk);
        if (!fOk || nRate < CCfg::kMinSweepRate || nRate > CCfg::kMaxSweepRate) {
            o_rsMessage = QStringLiteral("Invalid rate %1 for /q: (%2-%3 requests per second)")
                              .arg(Quoted(i_sValue))
                              .arg(CCfg::kMinSweepRate)
                              .arg(CCfg::kMaxSweepRate);
            return false;
        }
        m_onSweepRate = nRate;
        return true;
    }
    case 'o': {
        static const QHash<QString, EOutputFormat> s_hFormats{
            {QStringLiteral("text"), EOutputFormat::Text},
            {QStringLiteral("xml"), EOutputFormat::Xml},
            {QStringLiteral("html"), EOutputFormat::Html},
            {QStringLiteral("csv"), EOutputFormat::Csv},
            {QStringLiteral("jsonl"), EOutputFormat::JsonLines}};
        if (!s_hFormats.contains(sLower)) {
            o_rsMessage =
                QStringLiteral("Unknown output format %1 for /o: (text, xml, html, csv or jsonl)")
                    .arg(Quoted(i_sValue));
            return false;
        }
        m_fFormatGiven = true;
        return SetFormat(s_hFormats.value(sLower), o_rsMessage);
    }
    case 'h':
        if (sLower != QLatin1String("all") && sLower != QLatin1String("alive")) {
            o_rsMessage =
                QStringLiteral("Invalid value %1 for /h: (all or alive)").arg(Quoted(i_sValue));
            return false;
        }
        m_fOnlyAlive = sLower == QLatin1String("alive");
        return true;
    case 'c': {
        const std::optional<bool> ofCompare = OnOff(i_sValue);
        if (!ofCompare) {
            o_rsMessage =
                QStringLiteral("Invalid value %1 for /c: (on or off)").arg(Quoted(i_sValue));
            return false;
        }
        m_fCompare = *ofCompare;
        return true;
    }
    case 'v': {
        const std::optional<bool> ofVendors = OnOff(i_sValue);
        if (ofVendors) {
            m_eVendorSource = *ofVendors ? EVendorSource::Default : EVendorSource::None;
            return true;
        }
        if (!QFileInfo(i_sValue).isFile() || !QFileInfo(i_sValue).isReadable()) {
            o_rsMessage =
                QStringLiteral("Invalid value %1 for /v: (on, off or a readable registry file)")
                    .arg(Quoted(i_sValue));
            return false;
        }
        m_eVendorSource = EVendorSource::File;
        m_sVendorFile = i_sValue;
        return true;
    }
    case 'd': {
        QString sWhy;
        if (!CInventoryStore::CheckLocation(i_sValue, &sWhy)) {
            o_rsMessage = QStringLiteral("Invalid value %1 for /d: %2").arg(Quoted(i_sValue), sWhy);
            return false;
        }
        m_sStore = i_sValue;
        return true;
    }
    case 'l': {
        const bool fControl = std::any_of(i_sValue.cbegin(), i_sValue.cend(), [](QChar i_c) {
            return i_c.category() == QChar::Other_Control || i_c.category() == QChar::Other_Format;
        });
        if (i_sValue.isEmpty() || i_sValue.size() > kMaxSiteChars || fControl) {
            o_rsMessage = QStringLiteral("Invalid site name %1 for /l: (1-%2 printable characters)")
                              .arg(Quoted(i_sValue))
                              .arg(kMaxSiteChars);
            return false;
        }
        m_sSite = i_sValue;
        return true;
    }
    case 'w': {
        bool fOk = false;
        const int nSeconds = i_sValue.toInt(&fOk);
        if (!fOk || nSeconds < 0 || nSeconds > kMaxWatchSeconds) {
            o_rsMessage = QStringLiteral("Invalid interval %1 for /w: (0-%2 seconds)")
                              .arg(Quoted(i_sValue))
                              .arg(kMaxWatchSeconds);
            return false;
        }
        m_onWatchSeconds = nSeconds;
        return true;
    }
    case 'e': {
        const QString sProgram = i_sValue.contains(QLatin1Char('/'))
                                     ? i_sValue
                                     : QStandardPaths::findExecutable(i_sValue);
        const QFileInfo oProgram(sProgram);
        if (sProgram.isEmpty() || !oProgram.isFile() || !oProgram.isExecutable()) {
            o_rsMessage = QStringLiteral("Invalid value %1 for /e: (an executable program)")
                              .arg(Quoted(i_sValue));
            return false;
        }
        m_sEventProgram = oProgram.absoluteFilePath();
        return true;
    }
    case 'u':
        return ParseAuthFile(i_sValue, o_rsMessage);
    default:
        break;
    }
    o_rsMessage = QStringLiteral("Invalid argument");
    return false;
}

bool CConsoleOptions::SetFormat(EOutputFormat i_eFormat, QString &o_rsMessage)
{
    m_eFormat = i_eFormat;
    // Checked now, so that a missing stylesheet is not found out after a long scan.
    const QString sXsl = XslFileName();
    if (!sXsl.isEmpty() && !QFileInfo(CResultsXml::XslPath(sXsl)).isReadable()) {
        o_rsMessage = QStringLiteral("Report stylesheet not found: ") + CResultsXml::XslPath(sXsl);
        return false;
    }
    return true;
}

std::optional<EOutputFormat> CConsoleOptions::FormatOfFileName(const QString &i_sFileName)
{
    static const QPair<QLatin1String, EOutputFormat> s_aEndings[] = {
        {QLatin1String(".xml"), EOutputFormat::Xml},
        {QLatin1String(".html"), EOutputFormat::Html},
        {QLatin1String(".csv"), EOutputFormat::Csv},
        {QLatin1String(".jsonl"), EOutputFormat::JsonLines},
    };
    for (const auto &oEnding : s_aEndings) {
        if (i_sFileName.endsWith(oEnding.first, Qt::CaseInsensitive))
            return oEnding.second;
    }
    return std::nullopt;
}

bool CConsoleOptions::ChooseFormatByFileName(const QString &i_sFileName, QString &o_rsMessage)
{
    if (m_fFormatGiven)
        return true;
    const std::optional<EOutputFormat> oeFormat = FormatOfFileName(i_sFileName);
    return !oeFormat || SetFormat(*oeFormat, o_rsMessage);
}

bool CConsoleOptions::ParseProbes(const QString &i_sValue, QString &o_rsMessage)
{
    const QStringList lsNames = ProbeNames();
    const QStringList lsEntries = i_sValue.split(QLatin1Char(','));
    // Any bare name means "exactly these"; only +name and -name entries change the default.
    bool fRelative = true;
    for (const QString &sEntry : lsEntries) {
        const QString sName = sEntry.trimmed();
        if (!sName.startsWith(QLatin1Char('+')) && !sName.startsWith(QLatin1Char('-')))
            fRelative = false;
    }
    QHash<QString, bool> hProbes;
    if (!fRelative) {
        for (const QString &sName : lsNames)
            hProbes.insert(sName, false);
    }
    for (const QString &sEntry : lsEntries) {
        QString sName = sEntry.trimmed();
        bool fOn = true;
        if (sName.startsWith(QLatin1Char('+')) || sName.startsWith(QLatin1Char('-'))) {
            fOn = sName.startsWith(QLatin1Char('+'));
            sName = sName.mid(1).trimmed();
        }
        if (sName == QLatin1String("all") || sName == QLatin1String("none")) {
            for (const QString &sProbe : lsNames)
                hProbes.insert(sProbe, fOn == (sName == QLatin1String("all")));
            continue;
        }
        if (!lsNames.contains(sName)) {
            o_rsMessage = QStringLiteral("Unknown probe %1 for /p: (%2, all or none)")
                              .arg(Quoted(sName), lsNames.join(QStringLiteral(", ")));
            return false;
        }
        hProbes.insert(sName, fOn);
    }
    m_hProbes = hProbes;
    return true;
}

bool CConsoleOptions::ParsePorts(const QString &i_sValue, QString &o_rsMessage)
{
    QList<int> lnPorts;
    if (i_sValue != QLatin1String("none")) {
        const QStringList lsPorts = i_sValue.split(QLatin1Char(','));
        for (const QString &sPort : lsPorts) {
            bool fOk = false;
            const int nPort = sPort.trimmed().toInt(&fOk);
            if (!fOk || nPort < 1 || nPort > 65535) {
                o_rsMessage =
                    QStringLiteral("Invalid port %1 for /n: (1-65535, comma separated, or none)")
                        .arg(Quoted(sPort.trimmed()));
                return false;
            }
            if (!lnPorts.contains(nPort))
                lnPorts << nPort;
        }
    }
    m_olnPorts = lnPorts;
    return true;
}

QString CConsoleOptions::ProbesText(const CCfg &i_rCfg)
{
    const bool afOn[] = {i_rCfg.scan_http(),
                         i_rCfg.scan_https(),
                         i_rCfg.scan_ftp(),
                         i_rCfg.scan_shares(),
                         i_rCfg.scan_netbios(),
                         i_rCfg.scan_username()};
    const QStringList lsNames = ProbeNames();
    QStringList lsOn;
    for (int i = 0; i < lsNames.size(); ++i) {
        if (afOn[i])
            lsOn << lsNames.at(i);
    }
    QStringList lsPorts;
    for (const int nPort : i_rCfg.ortavo_ports())
        lsPorts << QString::number(nPort);
    QString sText =
        lsOn.join(QLatin1Char(',')) + QStringLiteral(";ports ") + lsPorts.join(QLatin1Char(','));
    const QList<CCfg::TWebPort> lWebPorts = i_rCfg.web_ports();
    if (!lWebPorts.isEmpty())
        sText += QStringLiteral(";web ") + CCfg::WebPortsText(lWebPorts);
    return sText;
}

bool CConsoleOptions::ParseAuthFile(const QString &i_sValue, QString &o_rsMessage)
{
    TNetAccount oAccount;
    if (!ReadAuthFile(i_sValue, oAccount, o_rsMessage))
        return false;
    m_oAccount = oAccount;
    return true;
}

bool CConsoleOptions::ReadAuthFile(const QString &i_sPath,
                                   TNetAccount &o_rAccount,
                                   QString &o_rsMessage)
{
    // A secret's file is small; anything larger is not one.
    constexpr qint64 MaxBytes = 64 * 1024;
    const QString sName = Quoted(i_sPath);
    QFile oFile(i_sPath);
    if (!QFileInfo(i_sPath).isFile() || !oFile.open(QIODevice::ReadOnly)) {
        o_rsMessage = QStringLiteral("Cannot read the authentication file %1 for /u:").arg(sName);
        return false;
    }
#ifdef Q_OS_UNIX
    // Checked on the open file, so that it cannot be swapped between the check and the read.
    struct stat oStat;
    if (::fstat(oFile.handle(), &oStat) != 0 || (oStat.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        o_rsMessage = QStringLiteral("The authentication file %1 for /u: is accessible by other "
                                     "users; it must be readable by its owner only (chmod 600)")
                          .arg(sName);
        return false;
    }
#endif
    const QByteArray baText = oFile.read(MaxBytes + 1);
    if (baText.size() > MaxBytes) {
        o_rsMessage = QStringLiteral("The authentication file %1 for /u: is too large").arg(sName);
        return false;
    }
    TNetAccount oAccount;
    for (QByteArray baLine : baText.split('\n')) {
        if (baLine.endsWith('\r'))
            baLine.chop(1);
        const int nEqual = baLine.indexOf('=');
        if (nEqual < 0)
            continue;
        const QString sKey = QString::fromUtf8(baLine.left(nEqual)).trimmed().toLower();
        // Spaces around the value are dropped, as Samba's client does; inner ones stay.
        const QString sValue = QString::fromUtf8(baLine.mid(nEqual + 1)).trimmed();
        if (sKey == QLatin1String("username"))
            oAccount.sLogin = sValue;
        else if (sKey == QLatin1String("password"))
            oAccount.sPassword = sValue;
        else if (sKey == QLatin1String("domain"))
            oAccount.sDomain = sValue;
    }
    // "DOMAIN\user" or "DOMAIN/user" in the user name names the domain too.
    const int nSeparator = oAccount.sLogin.indexOf(QRegularExpression(QStringLiteral("[\\\\/]")));
    if (nSeparator > 0 && oAccount.sDomain.isEmpty()) {
        oAccount.sDomain = oAccount.sLogin.left(nSeparator);
        oAccount.sLogin = oAccount.sLogin.mid(nSeparator + 1);
    }
    if (!oAccount.IsSet() || !oAccount.IsSafe()) {
        o_rsMessage = QStringLiteral("The authentication file %1 for /u: has no usable "
                                     "\"username = ...\" line")
                          .arg(sName);
        return false;
    }
    o_rAccount = oAccount;
    return true;
}

void CConsoleOptions::ApplyTo(CCfg &io_rCfg) const
{
    if (m_oAccount)
        io_rCfg.set_net_account(*m_oAccount);
    const auto Probe = [this](const char *i_pName, bool i_fCurrent) {
        return m_hProbes.value(QLatin1String(i_pName), i_fCurrent);
    };
    io_rCfg.set_scan_http(Probe("http", io_rCfg.scan_http()));
    io_rCfg.set_scan_https(Probe("https", io_rCfg.scan_https()));
    io_rCfg.set_scan_ftp(Probe("ftp", io_rCfg.scan_ftp()));
    io_rCfg.set_scan_shares(Probe("shares", io_rCfg.scan_shares()));
    io_rCfg.set_scan_netbios(Probe("netbios", io_rCfg.scan_netbios()));
    io_rCfg.set_scan_username(Probe("user", io_rCfg.scan_username()));
    if (m_olnPorts)
        io_rCfg.set_ortavo_ports(*m_olnPorts);
    if (m_olWebPorts)
        io_rCfg.set_web_ports(*m_olWebPorts);
    if (m_ofHighAccuracy)
        io_rCfg.set_high_accuracy(*m_ofHighAccuracy);
    if (m_onThreads)
        io_rCfg.set_thread_count(*m_onThreads);
    if (m_onSweepRate)
        io_rCfg.set_sweep_rate(*m_onSweepRate);
}
