// SPDX-License-Identifier: GPL-3.0-or-later
#include "COwnAddresses.h"

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkInterface>

#include <algorithm>
#include <mutex>

namespace {

constexpr qint64 RereadMs = 5000;
constexpr int MacBytes = 6;

QByteArray MacOfInterface(const QNetworkInterface &i_oInterface)
{
    const QByteArray baMac =
        QByteArray::fromHex(i_oInterface.hardwareAddress().remove(QLatin1Char(':')).toLatin1());
    if (baMac.size() != MacBytes
        || std::all_of(baMac.begin(), baMac.end(), [](char c) { return c == 0; }))
        return QByteArray("");
    return baMac;
}

} // namespace

std::optional<QByteArray> COwnAddresses::MacOf(quint32 i_nIp)
{
    // A standard mutex, as elsewhere in the scanner: ThreadSanitizer sees its ordering.
    static std::mutex s_oMutex;
    static QElapsedTimer s_oRead;
    static QHash<quint32, QByteArray> s_hMacs;
    const std::lock_guard<std::mutex> oLock(s_oMutex);
    if (!s_oRead.isValid() || s_oRead.elapsed() > RereadMs) {
        s_hMacs.clear();
        const QList<QNetworkInterface> lInterfaces = QNetworkInterface::allInterfaces();
        for (const QNetworkInterface &oInterface : lInterfaces) {
            if (!(oInterface.flags() & QNetworkInterface::IsUp))
                continue;
            const QByteArray baMac = MacOfInterface(oInterface);
            for (const QNetworkAddressEntry &oEntry : oInterface.addressEntries()) {
                bool fIpv4 = false;
                const quint32 nIp = oEntry.ip().toIPv4Address(&fIpv4);
                if (fIpv4 && nIp != 0 && !s_hMacs.contains(nIp))
                    s_hMacs.insert(nIp, baMac);
            }
        }
        s_oRead.start();
    }
    const auto it = s_hMacs.constFind(i_nIp);
    if (it == s_hMacs.constEnd())
        return std::nullopt;
    return *it;
}
