// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCfg.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>

#include <algorithm>
#include <memory>

class CCfgData
{
public:
    explicit CCfgData(bool i_fStore = true)
    {
        // A default QSettings on Linux would create a file under "Unknown Organization" for a
        // program that never named itself; such a program keeps its settings in memory only.
        if (i_fStore && !QCoreApplication::organizationName().isEmpty())
            pSettings = std::make_unique<QSettings>();
    }

    QVariant Read(const QString &i_sKey, const QVariant &i_vDefault)
    {
        QMutexLocker oLock(&oMutex);
        if (pSettings)
            return pSettings->value(i_sKey, i_vDefault);
        return mMemory.value(i_sKey, i_vDefault);
    }

    void Write(const QString &i_sKey, const QVariant &i_vValue)
    {
        QMutexLocker oLock(&oMutex);
        if (pSettings)
            pSettings->setValue(i_sKey, i_vValue);
        else
            mMemory.insert(i_sKey, i_vValue);
    }

    QStringList ChildGroups(const QString &i_sGroup)
    {
        QMutexLocker oLock(&oMutex);
        if (pSettings) {
            pSettings->beginGroup(i_sGroup);
            const QStringList lsGroups = pSettings->childGroups();
            pSettings->endGroup();
            return lsGroups;
        }
        const QString sPrefix = i_sGroup + QLatin1Char('/');
        QStringList lsGroups;
        for (auto it = mMemory.cbegin(); it != mMemory.cend(); ++it) {
            if (!it.key().startsWith(sPrefix))
                continue;
            const QString sRest = it.key().mid(sPrefix.size());
            const int nSlash = sRest.indexOf(QLatin1Char('/'));
            if (nSlash > 0 && !lsGroups.contains(sRest.left(nSlash)))
                lsGroups << sRest.left(nSlash);
        }
        return lsGroups;
    }

    // QSettings is reentrant, not thread-safe: one object read by every worker needs a lock.
    QMutex oMutex;
    std::unique_ptr<QSettings> pSettings;
    QVariantMap mMemory;
    // The account's password lives here only, never in the store.
    QString sSessionPassword;
    QVariant vShowAlive;
    QVariant vShowDead;
    QVariant vShowUnknown;
};

CCfg::CCfg()
    : d(QSharedPointer<CCfgData>::create())
{
}

CCfg CCfg::ScanSnapshot() const
{
    CCfg oSnapshot;
    oSnapshot.d = QSharedPointer<CCfgData>::create(false);
    oSnapshot.set_thread_count(thread_count());
    oSnapshot.set_scan_http(scan_http());
    oSnapshot.set_scan_https(scan_https());
    oSnapshot.set_scan_shares(scan_shares());
    oSnapshot.set_scan_ftp(scan_ftp());
    oSnapshot.set_scan_netbios(scan_netbios());
    oSnapshot.set_scan_username(scan_username());
    oSnapshot.set_high_accuracy(high_accuracy());
    oSnapshot.set_sweep_rate(sweep_rate());
    oSnapshot.set_ortavo_ports(ortavo_ports());
    oSnapshot.set_web_ports(web_ports());
    oSnapshot.set_net_account(net_account());
    return oSnapshot;
}

bool CCfg::ReadBool(const char *i_pKey, bool i_fDefault) const
{
    return d->Read(QLatin1String(i_pKey), i_fDefault).toBool();
}

int CCfg::thread_count() const
{
    return d->Read(QStringLiteral("thread_count"), 96).toInt();
}

void CCfg::set_thread_count(int i_nCount)
{
    d->Write(QStringLiteral("thread_count"), i_nCount);
}
bool CCfg::scan_http() const
{
    return ReadBool("scan_http", true);
}
void CCfg::set_scan_http(bool i_fOn)
{
    d->Write(QStringLiteral("scan_http"), i_fOn);
}
bool CCfg::scan_https() const
{
    return ReadBool("scan_https", false);
}
void CCfg::set_scan_https(bool i_fOn)
{
    d->Write(QStringLiteral("scan_https"), i_fOn);
}
bool CCfg::scan_shares() const
{
    return ReadBool("scan_shares", true);
}
void CCfg::set_scan_shares(bool i_fOn)
{
    d->Write(QStringLiteral("scan_shares"), i_fOn);
}
bool CCfg::scan_ftp() const
{
    return ReadBool("scan_ftp", true);
}
void CCfg::set_scan_ftp(bool i_fOn)
{
    d->Write(QStringLiteral("scan_ftp"), i_fOn);
}
bool CCfg::scan_netbios() const
{
    return ReadBool("scan_netbios", false);
}
void CCfg::set_scan_netbios(bool i_fOn)
{
    d->Write(QStringLiteral("scan_netbios"), i_fOn);
}
bool CCfg::scan_username() const
{
    return ReadBool("scan_username", false);
}
void CCfg::set_scan_username(bool i_fOn)
{
    d->Write(QStringLiteral("scan_username"), i_fOn);
}
bool CCfg::record_scans() const
{
    return ReadBool("Settings/Inventory/Record", true);
}
void CCfg::set_record_scans(bool i_fOn)
{
    d->Write(QStringLiteral("Settings/Inventory/Record"), i_fOn);
}
QString CCfg::inventory_store() const
{
    return d->Read(QStringLiteral("Settings/Inventory/Store"), QString()).toString().trimmed();
}
void CCfg::set_inventory_store(const QString &i_sLocation)
{
    d->Write(QStringLiteral("Settings/Inventory/Store"), i_sLocation.trimmed());
}
bool CCfg::high_accuracy() const
{
    return ReadBool("high_accuracy", false);
}
void CCfg::set_high_accuracy(bool i_fOn)
{
    d->Write(QStringLiteral("high_accuracy"), i_fOn);
}
int CCfg::sweep_rate() const
{
    bool fOk = false;
    const int nRate = d->Read(QStringLiteral("sweep_rate"), kDefaultSweepRate).toInt(&fOk);
    return fOk && nRate >= kMinSweepRate && nRate <= kMaxSweepRate ? nRate : kDefaultSweepRate;
}
void CCfg::set_sweep_rate(int i_nPerSecond)
{
    d->Write(QStringLiteral("sweep_rate"), i_nPerSecond);
}

QList<int> CCfg::ortavo_ports() const
{
    const QVariant vValue = d->Read(QStringLiteral("ortavo_ports"), QVariant(QVariant::Bool));
    if (vValue.type() == QVariant::Bool)
        return {4899};
    QList<int> lnPorts;
    // An ini store gives a single element back as a plain string, not as a list.
    if (vValue.type() != QVariant::List && vValue.type() != QVariant::StringList) {
        bool fOk = false;
        const int nPort = vValue.toInt(&fOk);
        if (fOk && vValue.type() == QVariant::String)
            lnPorts << nPort;
        return lnPorts;
    }
    const QVariantList lvValues = vValue.toList();
    for (const QVariant &vPort : lvValues) {
        bool fOk = false;
        const int nPort = vPort.toInt(&fOk);
        if (fOk)
            lnPorts << nPort;
    }
    return lnPorts;
}

void CCfg::set_ortavo_ports(const QList<int> &i_lnPorts)
{
    QVariantList lvPorts;
    for (int nPort : i_lnPorts)
        lvPorts << nPort;
    d->Write(QStringLiteral("ortavo_ports"), lvPorts);
}

QList<CCfg::TWebPort> CCfg::web_ports() const
{
    QList<TWebPort> lPorts;
    ParseWebPorts(d->Read(QStringLiteral("web_ports"), QString()).toString(), &lPorts);
    return lPorts;
}

void CCfg::set_web_ports(const QList<TWebPort> &i_lPorts)
{
    d->Write(QStringLiteral("web_ports"), WebPortsText(i_lPorts));
}

bool CCfg::ParseWebPorts(const QString &i_sText, QList<TWebPort> *o_plPorts)
{
    // Each port costs every alive host a connection: a short list is all a LAN needs.
    constexpr int kMaxWebPorts = 16;
    QList<TWebPort> lPorts;
    if (!i_sText.trimmed().isEmpty()) {
        const QStringList lsParts = i_sText.split(QLatin1Char(','));
        for (const QString &sPart : lsParts) {
            QString sPort = sPart.trimmed();
            TWebPort oPort;
            if (sPort.endsWith(QLatin1Char('s'), Qt::CaseInsensitive)) {
                oPort.fHttps = true;
                sPort.chop(1);
            }
            // Digits only: toInt() would also take a sign or blanks.
            if (sPort.isEmpty() || sPort.size() > 5
                || !std::all_of(sPort.cbegin(), sPort.cend(), [](QChar c) {
                       return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                   }))
                return false;
            oPort.nPort = sPort.toInt();
            if (oPort.nPort < 1 || oPort.nPort > 65535)
                return false;
            if (!lPorts.contains(oPort))
                lPorts << oPort;
        }
        if (lPorts.size() > kMaxWebPorts)
            return false;
    }
    if (o_plPorts)
        *o_plPorts = lPorts;
    return true;
}

QString CCfg::WebPortsText(const QList<TWebPort> &i_lPorts)
{
    QStringList lsPorts;
    for (const TWebPort &oPort : i_lPorts)
        lsPorts << QString::number(oPort.nPort) + (oPort.fHttps ? QStringLiteral("s") : QString());
    return lsPorts.join(QLatin1Char(','));
}

namespace {
// The login key predates the shared account: the shutdown dialog's older versions wrote it.
const QString kKeyAccountLogin = QStringLiteral("Settings/remote_shutdown_login");
const QString kKeyAccountDomain = QStringLiteral("Settings/NetAccount/Domain");
const QString kKeyLegacyPassword = QStringLiteral("Settings/remote_shutdown_pass");
const QString kKeyShutdownTimeout = QStringLiteral("Settings/RemoteShutdown/Timeout");
const QString kKeyShutdownMessage = QStringLiteral("Settings/RemoteShutdown/Message");
const QString kKeyShutdownForce = QStringLiteral("Settings/RemoteShutdown/Force");
const QString kKeyShutdownReboot = QStringLiteral("Settings/RemoteShutdown/Reboot");
const QString kKeyOrtavoConnectPort = QStringLiteral("Settings/OrtavoConnectOpts/Port");
const QString kKeyLocale = QStringLiteral("locale");
} // namespace

int CCfg::shutdown_timeout(int i_nDefault) const
{
    return d->Read(kKeyShutdownTimeout, i_nDefault).toInt();
}

void CCfg::set_shutdown_timeout(int i_nSeconds)
{
    d->Write(kKeyShutdownTimeout, i_nSeconds);
}

QString CCfg::shutdown_message() const
{
    const QVariant vMessage = d->Read(kKeyShutdownMessage, QVariant());
    return vMessage.isValid() ? vMessage.toString() : QString();
}

void CCfg::set_shutdown_message(const QString &i_sMessage)
{
    d->Write(kKeyShutdownMessage, i_sMessage);
}

bool CCfg::shutdown_force() const
{
    return d->Read(kKeyShutdownForce, false).toBool();
}
void CCfg::set_shutdown_force(bool i_fOn)
{
    d->Write(kKeyShutdownForce, i_fOn);
}
bool CCfg::shutdown_reboot() const
{
    return d->Read(kKeyShutdownReboot, false).toBool();
}
void CCfg::set_shutdown_reboot(bool i_fOn)
{
    d->Write(kKeyShutdownReboot, i_fOn);
}
int CCfg::ortavo_connect_port() const
{
    return d->Read(kKeyOrtavoConnectPort, 0).toInt();
}
void CCfg::set_ortavo_connect_port(int i_nPort)
{
    d->Write(kKeyOrtavoConnectPort, i_nPort);
}
QString CCfg::locale() const
{
    return d->Read(kKeyLocale, QString()).toString();
}
void CCfg::set_locale(const QString &i_sCode)
{
    d->Write(kKeyLocale, i_sCode);
}

TNetAccount CCfg::net_account() const
{
    TNetAccount oAccount;
    oAccount.sLogin = d->Read(kKeyAccountLogin, QString()).toString();
    oAccount.sDomain = d->Read(kKeyAccountDomain, QString()).toString();
    QMutexLocker oLock(&d->oMutex);
    oAccount.sPassword = d->sSessionPassword;
    return oAccount;
}

void CCfg::set_net_account(const TNetAccount &i_oAccount)
{
    d->Write(kKeyAccountLogin, i_oAccount.sLogin);
    d->Write(kKeyAccountDomain, i_oAccount.sDomain);
    QMutexLocker oLock(&d->oMutex);
    d->sSessionPassword = i_oAccount.sPassword;
}

QString CCfg::TakeLegacyPassword()
{
    const QString sPassword = d->Read(kKeyLegacyPassword, QString()).toString();
    if (!sPassword.isEmpty()) {
        d->Write(kKeyLegacyPassword, QString());
        Sync();
    }
    return sPassword;
}

QString CCfg::NetAccountSecretKey()
{
    return QStringLiteral("remote_shutdown_pass");
}

bool CCfg::CachedFilter(QVariant &io_vCache, const char *i_pKey, bool i_fDefault) const
{
    if (io_vCache.isNull())
        io_vCache = ReadBool(i_pKey, i_fDefault);
    return io_vCache.toBool();
}

bool CCfg::show_alive() const
{
    return CachedFilter(d->vShowAlive, "show_alive", true);
}
bool CCfg::show_dead() const
{
    return CachedFilter(d->vShowDead, "show_dead", true);
}
bool CCfg::show_unknown() const
{
    return CachedFilter(d->vShowUnknown, "show_unknown", false);
}

void CCfg::set_show_alive(bool i_fShow)
{
    d->Write(QStringLiteral("show_alive"), i_fShow);
    d->vShowAlive = i_fShow;
}

void CCfg::set_show_dead(bool i_fShow)
{
    d->Write(QStringLiteral("show_dead"), i_fShow);
    d->vShowDead = i_fShow;
}

void CCfg::set_show_unknown(bool i_fShow)
{
    d->Write(QStringLiteral("show_unknown"), i_fShow);
    d->vShowUnknown = i_fShow;
}

QVariant CCfg::Value(const QString &i_sKey, const QVariant &i_vDefault) const
{
    return d->Read(i_sKey, i_vDefault);
}

void CCfg::SetValue(const QString &i_sKey, const QVariant &i_vValue)
{
    d->Write(i_sKey, i_vValue);
}

QStringList CCfg::ChildGroups(const QString &i_sGroup) const
{
    return d->ChildGroups(i_sGroup);
}

void CCfg::Sync()
{
    QMutexLocker oLock(&d->oMutex);
    if (d->pSettings)
        d->pSettings->sync();
}

bool CCfg::HasStore() const
{
    return d->pSettings != nullptr;
}
