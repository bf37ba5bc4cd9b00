// SPDX-License-Identifier: GPL-3.0-or-later
// Streams a scan's worth of results into the real main window (offscreen, no scanner behind it:
// nothing is probed) and prints the longest time the main thread went without serving its event
// loop. Run: QT_QPA_PLATFORM=offscreen build/bench/bench_WindowIntake [hosts] [burst]
#include "CGuiProgram.h"
#include "MCfg.h"
#include "MScanner.h"
#include "VResultsBackend.h"
#include "v_main.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>

int main(int argc, char *argv[])
{
    // Outlives the application object, whose end writes the IP-to-MAC memory into it.
    QTemporaryDir oDir;
    QApplication oApp(argc, argv);
    const QStringList lsArgs = QCoreApplication::arguments();
    const int nHosts = lsArgs.size() > 1 ? std::clamp(lsArgs.at(1).toInt(), 1, 1 << 20) : 65534;
    const int nBurst = lsArgs.size() > 2 ? std::clamp(lsArgs.at(2).toInt(), 1, 1 << 20) : 96;

    qputenv("HOME", oDir.path().toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, oDir.path());
    CGuiProgram::SetIdentity();
    CGuiProgram::RegisterMetaTypes();

    CGuiProgram oProgram;
    v_main &oWindow = oProgram.MainWindow();
    // The window's scan request must reach nothing: the results come from this loop instead.
    if (!QObject::disconnect(&oWindow, &v_main::EmitScan, &oProgram.Scanner(), &MScanner::OnScan))
        return 1;
    oProgram.Cfg().Cfg().set_show_unknown(true);
    oProgram.Start();
    oWindow.resize(1280, 800);
    oWindow.findChild<QComboBox *>(QStringLiteral("cbIpRange"))
        ->setEditText(QStringLiteral("10.0.0.0/16"));
    oWindow.findChild<QPushButton *>(QStringLiteral("b_scan"))->click();
    const int nId = oWindow.ScanId();

    QElapsedTimer oClock;
    oClock.start();
    qint64 nLast = 0;
    qint64 nLongest = 0;
    QTimer oWatch;
    oWatch.setTimerType(Qt::PreciseTimer);
    oWatch.setInterval(1);
    QObject::connect(&oWatch, &QTimer::timeout, &oApp, [&]() {
        const qint64 nNow = oClock.nsecsElapsed();
        nLongest = std::max(nLongest, nNow - nLast);
        nLast = nNow;
    });
    oWatch.start();

    // One burst of results per millisecond, as the workers of a fast scan hand them in.
    int nSent = 0;
    QTimer oFeeder;
    oFeeder.setInterval(1);
    QObject::connect(&oFeeder, &QTimer::timeout, &oApp, [&]() {
        for (int i = 0; i < nBurst && nSent < nHosts; ++i, ++nSent) {
            CScanResult oResult;
            oResult.set_ip((10u << 24) + 1u + quint32(nSent));
            oResult.set_scan_id(nId);
            oResult.set_scan_size(nHosts);
            oResult.set_status(nSent % 4 == 0 ? EHostStatus::Alive : EHostStatus::Dead);
            oResult.set_mac(QByteArray::fromHex("025e00000000"));
            emit oProgram.Scanner().EmitResult(oResult);
        }
        if (nSent >= nHosts) {
            oFeeder.stop();
            emit oProgram.Scanner().EmitScanEnd();
        }
    });
    oFeeder.start();
    QTimer oDone;
    oDone.setInterval(5);
    QObject::connect(&oDone, &QTimer::timeout, &oApp, [&]() {
        if (!oWindow.IsScanning())
            oApp.quit();
    });
    oDone.start();
    oApp.exec();

    QTextStream(stdout) << nHosts << " results in bursts of " << nBurst << ": " << oClock.elapsed()
                        << " ms in all, longest main-thread stall "
                        << QString::number(double(nLongest) / 1e6, 'f', 1) << " ms, "
                        << oProgram.ScanModel().rowCount() << " rows\n";
    oProgram.Stop();
    return 0;
}
