// SPDX-License-Identifier: GPL-3.0-or-later
// A range file read from disk, as the console's "/s:" and the windowed program's "Load from file"
// read it: it must give exactly what the same bytes give in memory, whatever encoding marks,
// comments and junk they hold.
#include "IpRangeReaders.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    static QTemporaryFile s_oFile;
    if (!s_oFile.isOpen() && !s_oFile.open())
        std::abort();
    const QByteArray baData(reinterpret_cast<const char *>(i_pData), static_cast<int>(i_nSize));
    if (!s_oFile.resize(0) || !s_oFile.seek(0) || s_oFile.write(baData) != baData.size()
        || !s_oFile.flush())
        std::abort();

    IpRanges oFromFile;
    QString sFileError;
    const bool fFile = LoadRangesFromFile(&oFromFile, s_oFile.fileName(), &sFileError);
    IpRanges oFromData;
    QString sDataError;
    const bool fData = LoadRangesFromData(&oFromData, baData, &sDataError);
    if (fFile != fData || sFileError != sDataError)
        std::abort();
    if (fFile) {
        if (oFromFile.Count() != oFromData.Count() || oFromFile.Total() != oFromData.Total())
            std::abort();
        for (quint32 i = 0; i < oFromFile.Count(); ++i) {
            if (oFromFile.At(i).first != oFromData.At(i).first
                || oFromFile.At(i).last != oFromData.At(i).last)
                std::abort();
        }
    }
    return 0;
}
