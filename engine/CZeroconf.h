// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CDnsSdLibrary.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>

// Host names learned from DNS Service Discovery while the scan runs: workstation and
// sleep-proxy announcements are browsed on a thread of their own, each announced host name is
// resolved on the global thread pool, and every IPv4 address found is remembered with its
// short name. One instance per process, created by the first Instance() call, which starts the
// browsing. Scan workers call Instance() and Lookup() from their own threads; a lookup made
// before an announcement has been resolved simply finds nothing.
//
// Without the DNS-SD library, or without the daemon it talks to, browsing ends at once and
// every lookup finds nothing; no error is reported anywhere.
class CZeroconf final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CZeroconf)

public:
    // Returns the process's instance, creating it and starting discovery on first use.
    static CZeroconf *Instance();
    // Stops discovery and destroys the instance (the next Instance() call makes a new one).
    // Waits for the browse thread, which notices the stop within one 50 ms wait.
    static void DestroyInstance();

    ~CZeroconf() override;

    // i_nIp is host byte order. Returns the cached name, or an empty string; 0.0.0.0 and
    // 255.255.255.255 never have one.
    QString Lookup(quint32 i_nIp) const;
    // Stores a name for an address, replacing an earlier one. Refuses (false) an empty name,
    // the address 0, and anything once the instance is stopping.
    bool Insert(const QString &i_sShortName, quint32 i_nIp);
    bool IsBrowsing() const;
    // Returns once browsing has gone on for i_nMs since the instance was made, at once when it
    // has ended or the calling thread is asked to stop. The daemon's answers and their
    // addresses come within about a second: a lookup made sooner misses names that a later one
    // finds, so that which hosts get one would depend on the order of the scan.
    void WaitBrowsedFor(int i_nMs) const;

    // The host name inside a service name: a workstation service reads "host [mac address]",
    // a sleep-proxy service "numbers host". A name without a space is the host name itself.
    static QString ShortNameOfWorkstation(const QString &i_sServiceName);
    static QString ShortNameOfSleepProxy(const QString &i_sServiceName);

private:
    class CWorkThread final : public QThread
    {
    public:
        explicit CWorkThread(CZeroconf *i_pOwner);
        void run() override;

    private:
        void Browse();

        CZeroconf *m_pOwner;
    };
    class CFindIpTask;

    CZeroconf();

    // The browse callback of one service type; the types differ only in where the host's name
    // stands in the service's name.
    template <QString (*t_pShortName)(const QString &)>
    static void VISTREL_DNSSD_API OnBrowseReply(DnsSd::TRef i_pRef,
                                                DnsSd::TFlags i_nFlags,
                                                quint32 i_nInterface,
                                                DnsSd::TError i_nError,
                                                const char *i_szServiceName,
                                                const char *i_szRegType,
                                                const char *i_szReplyDomain,
                                                void *i_pContext);
    // Called by resolution tasks, which may outlive their instance: stores only while the
    // instance they were made for still exists.
    static bool Deliver(CZeroconf *i_pOwner, const QString &i_sShortName, quint32 i_nIp);
    bool InsertLocked(const QString &i_sShortName, quint32 i_nIp);

    // Keys are host byte order.
    QMap<quint32, QString> m_mapNames;
    std::atomic<bool> m_fStop{false};
    const std::chrono::steady_clock::time_point m_tStarted = std::chrono::steady_clock::now();
    CWorkThread m_oThread;
};
