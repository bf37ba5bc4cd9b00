// SPDX-License-Identifier: GPL-3.0-or-later
#include "CZeroconf.h"

#include "CIpv4Resolver.h"
#include "CThreadHandOff.h"
#include "EngineLog.h"

#include <QRunnable>
#include <QThreadPool>

#include <algorithm>
#include <cstring>
#include <mutex>

using namespace DnsSd;

namespace {

constexpr int kWaitMs = 50;
// No DNS name is longer; a longer announced name cannot resolve, so it is not even tried.
constexpr int kMaxResolvableName = 255;
const char kWorkstationType[] = "_workstation._tcp";
const char kSleepProxyType[] = "_sleep-proxy._udp";

// Guards the creation and destruction of the instance and every access to its name cache.
// A standard mutex rather than QMutex: ThreadSanitizer cannot see into an uninstrumented Qt's
// futex path and would report every cache access as a race.
std::mutex &ProcessMutex()
{
    static std::mutex s_oMutex;
    return s_oMutex;
}

CZeroconf *s_pInstance = nullptr;

QString FromLocal8Bit(const char *i_szText)
{
    return i_szText ? QString::fromLocal8Bit(i_szText) : QString();
}

} // namespace

class CZeroconf::CFindIpTask final : public QRunnable
{
public:
    CFindIpTask(const QString &i_sShortName, const QString &i_sDomain, CZeroconf *i_pOwner)
        : m_sShortName(i_sShortName)
        , m_sDomain(i_sDomain)
        , m_pOwner(i_pOwner)
    {
        setAutoDelete(true);
    }

    void run() override
    {
        CThreadHandOff::Acquire(this);
        const QString sFullName = m_sShortName + QLatin1Char('.') + m_sDomain;
        if (sFullName.size() > kMaxResolvableName)
            return;
        const QList<quint32> lnAddresses = CIpv4Resolver::Resolve(sFullName.toLocal8Bit());
        for (quint32 nIp : lnAddresses)
            CZeroconf::Deliver(m_pOwner, m_sShortName, nIp);
    }

private:
    QString m_sShortName;
    QString m_sDomain;
    // Compared with the live instance, never followed, before anything is stored.
    CZeroconf *m_pOwner;
};

CZeroconf::CWorkThread::CWorkThread(CZeroconf *i_pOwner)
    : m_pOwner(i_pOwner)
{
    setObjectName(QStringLiteral("zeroconf browse"));
}

void CZeroconf::CWorkThread::run()
{
    Browse();
    // Whoever destroys the owner after wait() sees everything this thread did.
    CThreadHandOff::Release(this);
}

void CZeroconf::CWorkThread::Browse()
{
    TRef pShared = nullptr;
    TRef pWorkstation = nullptr;
    TRef pSleepProxy = nullptr;

    const TError nConnect = CDnsSdLibrary::CreateConnection(&pShared);
    bool fShared = nConnect == kNoError;
    if (!fShared) {
        pShared = nullptr;
        // Avahi's compatibility library has no shared connections. Rather than find nothing,
        // browse each service type on a connection of its own and poll both in this loop.
        if (nConnect != kUnsupported) {
            qCDebug(lcEngine) << "DNS-SD is not available, error" << nConnect;
            return;
        }
        qCDebug(lcEngine) << "DNS-SD without shared connections: one connection per browse";
    }

    const TFlags nFlags = fShared ? kShareConnection : 0;
    // On a shared connection the browse starts from the shared reference; a failed one leaves
    // nothing to free.
    const auto fnBrowse = [&](TRef &io_rpRef, const char *i_szType, TBrowseReply i_pfnReply) {
        if (fShared)
            io_rpRef = pShared;
        if (CDnsSdLibrary::Browse(&io_rpRef, nFlags, 0, i_szType, "", i_pfnReply, m_pOwner)
            == kNoError)
            return true;
        io_rpRef = nullptr;
        return false;
    };
    bool fRunning = fnBrowse(pWorkstation,
                             kWorkstationType,
                             &CZeroconf::OnBrowseReply<&CZeroconf::ShortNameOfWorkstation>)
                    && fnBrowse(pSleepProxy,
                                kSleepProxyType,
                                &CZeroconf::OnBrowseReply<&CZeroconf::ShortNameOfSleepProxy>);

    TRef apRefs[2] = {nullptr, nullptr};
    TSocket anSockets[2] = {-1, -1};
    int nCount = 0;
    if (fRunning) {
        if (fShared) {
            apRefs[nCount++] = pShared;
        } else {
            apRefs[nCount++] = pWorkstation;
            apRefs[nCount++] = pSleepProxy;
        }
        for (int i = 0; i < nCount; ++i) {
            anSockets[i] = CDnsSdLibrary::RefSockFD(apRefs[i]);
            if (anSockets[i] == 0 || anSockets[i] == -1)
                fRunning = false;
        }
    }

    while (fRunning && !m_pOwner->m_fStop.load()) {
        bool afReadable[2] = {false, false};
        const int nReady = CDnsSdLibrary::WaitReadable(anSockets, nCount, kWaitMs, afReadable);
        if (nReady < 0) {
            qCDebug(lcEngine) << "DNS-SD wait failed";
            break;
        }
        if (nReady == 0) {
            QThread::yieldCurrentThread();
            continue;
        }
        for (int i = 0; i < nCount && fRunning; ++i) {
            if (afReadable[i] && CDnsSdLibrary::ProcessResult(apRefs[i]) != kNoError) {
                qCDebug(lcEngine) << "DNS-SD connection ended";
                fRunning = false;
            }
        }
    }

    if (pSleepProxy)
        CDnsSdLibrary::RefDeallocate(pSleepProxy);
    if (pWorkstation)
        CDnsSdLibrary::RefDeallocate(pWorkstation);
    if (pShared)
        CDnsSdLibrary::RefDeallocate(pShared);
}

CZeroconf *CZeroconf::Instance()
{
    std::lock_guard<std::mutex> oLock(ProcessMutex());
    if (!s_pInstance) {
        s_pInstance = new CZeroconf;
        s_pInstance->m_oThread.start();
    }
    return s_pInstance;
}

void CZeroconf::DestroyInstance()
{
    CZeroconf *pInstance = nullptr;
    {
        std::lock_guard<std::mutex> oLock(ProcessMutex());
        pInstance = s_pInstance;
        s_pInstance = nullptr;
    }
    delete pInstance;
}

CZeroconf::CZeroconf()
    : m_oThread(this)
{
}

CZeroconf::~CZeroconf()
{
    m_fStop.store(true);
    if (m_oThread.isRunning())
        m_oThread.wait();
    CThreadHandOff::Acquire(&m_oThread);
    std::lock_guard<std::mutex> oLock(ProcessMutex());
    if (s_pInstance == this)
        s_pInstance = nullptr;
}

QString CZeroconf::Lookup(quint32 i_nIp) const
{
    if (i_nIp == 0 || i_nIp == 0xFFFFFFFFu)
        return QString();
    std::lock_guard<std::mutex> oLock(ProcessMutex());
    return m_mapNames.value(i_nIp);
}

bool CZeroconf::Insert(const QString &i_sShortName, quint32 i_nIp)
{
    if (i_sShortName.isEmpty() || i_nIp == 0 || m_fStop.load())
        return false;
    std::lock_guard<std::mutex> oLock(ProcessMutex());
    return InsertLocked(i_sShortName, i_nIp);
}

bool CZeroconf::InsertLocked(const QString &i_sShortName, quint32 i_nIp)
{
    if (m_fStop.load())
        return false;
    m_mapNames.insert(i_nIp, i_sShortName);
    return true;
}

bool CZeroconf::Deliver(CZeroconf *i_pOwner, const QString &i_sShortName, quint32 i_nIp)
{
    if (i_sShortName.isEmpty() || i_nIp == 0)
        return false;
    std::lock_guard<std::mutex> oLock(ProcessMutex());
    if (!i_pOwner || i_pOwner != s_pInstance)
        return false;
    return i_pOwner->InsertLocked(i_sShortName, i_nIp);
}

bool CZeroconf::IsBrowsing() const
{
    return m_oThread.isRunning();
}

void CZeroconf::WaitBrowsedFor(int i_nMs) const
{
    const auto tUntil = m_tStarted + std::chrono::milliseconds(i_nMs);
    while (IsBrowsing() && !QThread::currentThread()->isInterruptionRequested()) {
        const auto tNow = std::chrono::steady_clock::now();
        if (tNow >= tUntil)
            return;
        QThread::msleep(static_cast<unsigned long>(std::min<long long>(
            kWaitMs,
            std::chrono::duration_cast<std::chrono::milliseconds>(tUntil - tNow).count() + 1)));
    }
}

QString CZeroconf::ShortNameOfWorkstation(const QString &i_sServiceName)
{
    const int nSpace = i_sServiceName.indexOf(QLatin1Char(' '));
    return nSpace < 0 ? i_sServiceName : i_sServiceName.left(nSpace);
}

QString CZeroconf::ShortNameOfSleepProxy(const QString &i_sServiceName)
{
    const int nSpace = i_sServiceName.indexOf(QLatin1Char(' '));
    return nSpace < 0 ? i_sServiceName : i_sServiceName.mid(nSpace + 1);
}

template <QString (*t_pShortName)(const QString &)>
void VISTREL_DNSSD_API CZeroconf::OnBrowseReply(TRef,
                                                TFlags,
                                                quint32,
                                                TError i_nError,
                                                const char *i_szServiceName,
                                                const char *,
                                                const char *i_szReplyDomain,
                                                void *i_pContext)
{
    // With an error code the library leaves the other arguments undefined.
    if (i_nError != kNoError || !i_szServiceName || !i_pContext)
        return;
    const QString sShortName = t_pShortName(FromLocal8Bit(i_szServiceName));
    // An empty name cannot be stored, so there is nothing worth resolving.
    if (sShortName.isEmpty())
        return;
    auto *pOwner = static_cast<CZeroconf *>(i_pContext);
    auto *pTask = new CFindIpTask(sShortName, FromLocal8Bit(i_szReplyDomain), pOwner);
    // The pool hands the task to its thread under Qt's own lock.
    CThreadHandOff::Release(pTask);
    QThreadPool::globalInstance()->start(pTask, 0);
}
