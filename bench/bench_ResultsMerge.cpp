// SPDX-License-Identifier: GPL-3.0-or-later
// Merges a /16 worth of results into the results model the way a scan streams them and prints
// how long each pattern takes. Run: build/bench/bench_ResultsMerge
#include "CScanResult.h"
#include "VResultsBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

constexpr int kHosts = 65536;
constexpr quint32 kBase = (10u << 24);

struct TPattern
{
    const char *pName;
    bool fShuffleAll;  // arrival in random order
    int nWindow;       // arrival shuffled within windows of this many (worker threads)
    int nAlivePercent; // the rest arrive unknown, hidden by the default filter
    bool fShowUnknown;
    bool fRescan; // merge the same addresses a second time
    int nSortColumn;
};

double Run(const TPattern &i_oPattern)
{
    CCfg oCfg;
    oCfg.set_show_unknown(i_oPattern.fShowUnknown);
    VResultsBackend oModel(nullptr, VResultsBackend::kScanColumnCount, false);
    oModel.SetCfg(oCfg);
    oModel.sort(i_oPattern.nSortColumn, Qt::AscendingOrder);

    QRandomGenerator oRandom(42);
    std::vector<quint32> vOrder(kHosts);
    for (int i = 0; i < kHosts; ++i)
        vOrder[size_t(i)] = kBase + quint32(i);
    if (i_oPattern.fShuffleAll) {
        std::shuffle(vOrder.begin(), vOrder.end(), oRandom);
    } else if (i_oPattern.nWindow > 1) {
        for (size_t i = 0; i < vOrder.size(); i += size_t(i_oPattern.nWindow))
            std::shuffle(vOrder.begin() + long(i),
                         vOrder.begin()
                             + long(std::min(vOrder.size(), i + size_t(i_oPattern.nWindow))),
                         oRandom);
    }
    std::vector<CScanResult> vResults;
    vResults.reserve(vOrder.size());
    for (const quint32 nIp : vOrder) {
        CScanResult oResult;
        oResult.set_ip(nIp);
        oResult.set_scan_size(kHosts);
        const bool fAlive = int(oRandom.bounded(100)) < i_oPattern.nAlivePercent;
        oResult.set_status(fAlive ? EHostStatus::Alive : EHostStatus::Unknown);
        if (fAlive)
            oResult.set_name(QStringLiteral("host-%1").arg(oRandom.bounded(100000)));
        vResults.push_back(oResult);
    }
    if (i_oPattern.fRescan) {
        for (const CScanResult &oResult : vResults)
            oModel.OnDataReady(oResult);
    }
    QElapsedTimer oTimer;
    oTimer.start();
    for (const CScanResult &oResult : vResults)
        oModel.OnDataReady(oResult);
    const double fSeconds = double(oTimer.nsecsElapsed()) / 1e9;
    if (oModel.ItemCount() != kHosts)
        QTextStream(stderr) << "wrong item count " << oModel.ItemCount() << "\n";
    return fSeconds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication oApp(argc, argv);
    const TPattern aPatterns[] = {
        {"in address order, all alive, by IP", false, 1, 100, false, false, 2},
        {"96-wide disorder, 5% alive, by IP", false, 96, 5, false, false, 2},
        {"96-wide disorder, 5% alive, unknown shown, by IP", false, 96, 5, true, false, 2},
        {"96-wide disorder, all alive, by name", false, 96, 100, false, false, 1},
        {"random order, all alive, by IP", true, 1, 100, false, false, 2},
        {"random order, half alive, by IP", true, 1, 50, false, false, 2},
        {"rescan of known addresses, by IP", false, 96, 50, true, true, 2},
    };
    QTextStream oOut(stdout);
    oOut << "merging " << kHosts << " results into the results model\n";
    const int nOnly = argc > 1 ? QString::fromLatin1(argv[1]).toInt() : -1;
    int nIndex = 0;
    for (const TPattern &oPattern : aPatterns)
        if (nOnly < 0 || nOnly == nIndex++)
            oOut << QString::asprintf("%-52s %8.3f s\n", oPattern.pName, Run(oPattern));
    return 0;
}
