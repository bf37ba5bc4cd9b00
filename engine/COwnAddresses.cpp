// SPDX-License-Identifier: GPL-3.0-or-later
#include "COwnAddresses.h"

#include "CLocalInterfaces.h"

#include <QElapsedTimer>
#include <QHash>

#include <algorithm>
#include <mutex>

namespace {

constexpr qint64 RereadMs = 5000;
QByteArray MacOfInterface(const TLocalInterface &i_rInterface)
{
    if (!i_rInterface.oMac
        || std::all_of(
            i_rInterface.oMac->begin(), i_rInterface.oMac->end(), [](auto n) { return n == 0; }))
        return QByteArray("");
    return QByteArray(reinterpret_cast<const char *>(i_rInterface.oMac->data()),
                      static_cast<int>(i_rInterface.oMac->size()));
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
        for (const TLocalInterface &rInterface : CLocalInterfaces::List()) {
            if (rInterface.Has(TLocalInterface::Up) && rInterface.nAddress != 0
                && !s_hMacs.contains(rInterface.nAddress))
                s_hMacs.insert(rInterface.nAddress, MacOfInterface(rInterface));
        }
        s_oRead.start();
    }
    const auto it = s_hMacs.constFind(i_nIp);
    if (it == s_hMacs.constEnd())
        return std::nullopt;
    return *it;
}
