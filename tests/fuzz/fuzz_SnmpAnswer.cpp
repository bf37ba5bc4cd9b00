// SPDX-License-Identifier: GPL-3.0-or-later
// One datagram from whatever answers on a host's SNMP port, decoded as the name query does and
// turned into a host name: never a write past the caller's buffer, never a name longer than
// what was copied, never a zero character or surrounding space in the name.
#include "CHostNaming.h"
#include "CSnmpAnswerLinux.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    const QByteArray baData(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    // The query's own capacity, and a tiny one to stress the cut.
    for (const int nCapacity : {1025, 4}) {
        // Guard bytes after the capacity: a copy past it shows up even without ASan.
        QByteArray baBuffer(nCapacity + 8, '\x5A');
        int nLength = nCapacity;
        const int nOk =
            CSnmpAnswerLinux::TakeSysNameFromDatagram(baData, baBuffer.data(), &nLength);
        for (int i = nCapacity; i < baBuffer.size(); ++i) {
            if (baBuffer.at(i) != '\x5A')
                std::abort();
        }
        if (!nOk) {
            if (nLength != 0)
                std::abort();
            continue;
        }
        if (nLength < 0 || nLength > nCapacity - 1 || baBuffer.at(nLength) != '\0')
            std::abort();
        const QString sName = CHostNaming::NameFromSnmpBytes(baBuffer.constData(), nLength);
        if (sName.contains(QChar(0)) || sName.size() > nLength || sName != sName.trimmed())
            std::abort();
    }
    return 0;
}
