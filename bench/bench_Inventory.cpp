// SPDX-License-Identifier: GPL-3.0-or-later
// Recording into the inventory: a /16 scan with 5% of its hosts alive, its events, and a week
// of hourly /24 scans. Usage: bench_Inventory STORE [week]. See bench/README.md.
#include "CInventoryStore.h"
#include "CScanResult.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr quint32 kNet16 = 0xC6120000u; // 198.18.0.0/16
constexpr quint32 kNet24 = 0xC6131700u; // 198.19.23.0/24

QList<CScanResult> Scan16(int i_nRound)
{
    QList<CScanResult> lResults;
    lResults.reserve(65536);
    for (quint32 i = 0; i < 65536; ++i) {
        CScanResult oResult;
        oResult.set_ip(kNet16 + i);
        // Every 20th host alive: 3,277 of 65,536.
        const bool fAlive = i % 20 == 0;
        oResult.set_status(fAlive ? EHostStatus::Alive : EHostStatus::Dead);
        if (fAlive) {
            QByteArray baMac = QByteArray::fromHex("020000000000");
            baMac[3] = static_cast<char>(i >> 16);
            baMac[4] = static_cast<char>(i >> 8);
            baMac[5] = static_cast<char>(i);
            oResult.set_mac(baMac);
            // One host in 50 changes its name each round.
            oResult.set_name(QStringLiteral("host-%1%2.example.org")
                                 .arg(i)
                                 .arg(i % 1000 == 0 ? QString::number(i_nRound) : QString()));
            oResult.set_has_http(i % 3 == 0);
            oResult.set_shares(i % 7 == 0 ? QStringList{QStringLiteral("public")} : QStringList());
        }
        lResults << oResult;
    }
    return lResults;
}

QList<CScanResult> Scan24(int i_nRound)
{
    QList<CScanResult> lResults;
    for (quint32 i = 1; i < 255; ++i) {
        CScanResult oResult;
        oResult.set_ip(kNet24 + i);
        oResult.set_status(EHostStatus::Alive);
        QByteArray baMac = QByteArray::fromHex("020000000000");
        baMac[5] = static_cast<char>(i);
        oResult.set_mac(baMac);
        oResult.set_name(QStringLiteral("host-%1.example.org").arg(i));
        oResult.set_netbiosname(QStringLiteral("HOST-%1").arg(i));
        oResult.set_netbiosgroup(QStringLiteral("WORKGROUP"));
        oResult.set_has_http(i % 2 == 0);
        oResult.set_http_title(i % 2 == 0 ? QStringLiteral("Printer status page %1").arg(i)
                                          : QString());
        oResult.set_shares(i % 5 == 0
                               ? QStringList{QStringLiteral("public"), QStringLiteral("scans")}
                               : QStringList());
        // A few hosts come and go.
        if (i % 50 == (static_cast<quint32>(i_nRound) % 50))
            oResult.set_status(EHostStatus::Dead);
        lResults << oResult;
    }
    return lResults;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication oApp(argc, argv);
    const QStringList lsArguments = oApp.arguments();
    if (lsArguments.size() < 2) {
        std::fprintf(stderr, "usage: bench_Inventory STORE [week]\n");
        return 2;
    }
    const QString sLocation = lsArguments.at(1);
    QTextStream oOut(stdout);
    CInventoryStore oStore;
    QString sError;
    if (!oStore.Open(sLocation, &sError)) {
        oOut << sError << "\n";
        return 1;
    }
    const QDateTime oStart(QDate(2026, 1, 5), QTime(0, 0), Qt::UTC);
    CInventoryStore::TScan oScan;
    oScan.sProbes = QStringLiteral("http,ftp,shares;ports 4899");
    oScan.sSite = QStringLiteral("bench");
    oScan.sMachine = QStringLiteral("bench");
    oScan.sVersion = QStringLiteral("bench");
    const auto Record = [&](const QList<CScanResult> &i_lResults,
                            int i_nHour,
                            const char *i_pWhat) {
        oScan.oStarted = oStart.addSecs(3600 * i_nHour);
        oScan.oEnded = oScan.oStarted.addSecs(60);
        CInventoryEvents lEvents;
        QElapsedTimer oTimer;
        oTimer.start();
        if (!oStore.RecordScan(oScan, i_lResults, &lEvents, &sError)) {
            oOut << sError << "\n";
            return false;
        }
        if (i_pWhat)
            oOut << i_pWhat << ": " << oTimer.elapsed() << " ms, " << lEvents.size() << " events\n";
        return true;
    };

    if (lsArguments.value(2) == QLatin1String("week")) {
        oScan.vRanges = {TIpRange{kNet24, kNet24 + 255}};
        QElapsedTimer oTimer;
        oTimer.start();
        for (int nHour = 0; nHour < 7 * 24; ++nHour) {
            if (!Record(Scan24(nHour), nHour, nullptr))
                return 1;
        }
        oOut << "168 hourly /24 scans (254 hosts, 5 away in turn): " << oTimer.elapsed() << " ms\n";
        if (sLocation.startsWith(QLatin1String("sqlite:"))) {
            oStore.Close();
            const QString sPath = sLocation.mid(7);
            oOut << "SQLite file: " << QFileInfo(sPath).size() / 1024 << " KiB, write-ahead log "
                 << QFileInfo(sPath + QStringLiteral("-wal")).size() / 1024 << " KiB\n";
        }
        return 0;
    }

    oScan.vRanges = {TIpRange{kNet16, kNet16 + 65535}};
    const QList<CScanResult> lFirst = Scan16(1);
    const QList<CScanResult> lSecond = Scan16(2);
    if (!Record(lFirst, 0, "/16, 3,277 alive, first scan (all new)")
        || !Record(lSecond, 1, "/16, 3,277 alive, second scan (66 renamed)")
        || !Record(lSecond, 2, "/16, 3,277 alive, third scan (no change)")
        || !Record(Scan16(3).mid(0, 0), 3, "/16, nobody answers (3,277 missed)")
        || !Record(Scan16(3).mid(0, 0), 4, "/16, nobody answers again (3,277 gone)"))
        return 1;
    return 0;
}
