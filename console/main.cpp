// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConsoleOptions.h"
#include "CDescriptorLimit.h"
#include "CSecureExecution.h"
#include "CSocketLibrary.h"
#include "CStopRequests.h"
#include "CTerminal.h"
#include "MCfg.h"
#include "MIpMacDataStorage.h"
#include "MScanner.h"
#include "VConsole.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

void Print(const QString &i_sText)
{
    QTextStream oOut(stdout);
    oOut << i_sText;
    oOut.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    // With the package's raw-socket capability nobody may bring plugins of their own. The
    // command line is left as it is: the console's own grammar judges every argument.
    if (CSecureExecution::IsSecure())
        CSecureExecution::RemoveUnsafeEnvironment();

    // Before any thread: every worker needs descriptors, and the usual soft limit of 1024 runs
    // out long before the largest pool. The scanner sizes its pool by what is granted here.
    CDescriptorLimit::RaiseToHard();

    QStringList lsArguments;
    for (int i = 1; i < argc; ++i)
        lsArguments << QString::fromUtf8(argv[i]);

    if (!CSocketLibrary::Start())
        return 3;

    if (lsArguments.isEmpty()
        || (lsArguments.size() == 1
            && (lsArguments.first().isEmpty() || lsArguments.first() == QLatin1String("/?")
                || lsArguments.first() == QLatin1String("?")))) {
        Print(VConsole::UsageText());
        // Standard output keeps the usage text that scripts may compare; the switches added
        // since follow on standard error, which a person at a terminal sees just below it.
        CTerminal::WriteStdErr(
            (QStringLiteral("\n\n") + CConsoleOptions::UsageTail() + QLatin1Char('\n'))
                .toLocal8Bit());
        CSocketLibrary::Cleanup();
        return 1;
    }

    QCoreApplication oApp(argc, argv);
    qRegisterMetaType<CIpList>("CIpList");
    qRegisterMetaType<CScanResult>("CScanResult");
    qRegisterMetaType<CCfg>("CCfg");

    VConsole oConsole;
    QString sMessage;
    if (!oConsole.ParseArguments(lsArguments, sMessage)) {
        Print(sMessage);
        CSocketLibrary::Cleanup();
        return 2;
    }
    QObject::connect(
        &oConsole, &VConsole::EndApplication, &oApp, &QCoreApplication::quit, Qt::QueuedConnection);
    // Loaded like the windowed program does, so both keep one file; the console changes no entry,
    // so the memory is written back only if the file is missing (or was damaged and set aside).
    MIpMacDataStorage::Instance()->Load(MIpMacDataStorage::DefaultPath());

    MCfg oCfg;
    CCfg oSettings = oCfg.Cfg();
    oConsole.Options().ApplyTo(oSettings);
    oConsole.SetProbes(CConsoleOptions::ProbesText(oSettings));
    MScanner oScanner;
    QObject::connect(&oCfg, &MCfg::EmitCfg, &oScanner, &MScanner::OnCfg);
    QObject::connect(&oConsole, &VConsole::EmitScan, &oScanner, &MScanner::OnScan);
    QObject::connect(&oScanner, &MScanner::EmitResult, &oConsole, &VConsole::OnResult);
    oCfg.RequestCfgBroadcast();

    // Caught from before the output file is opened: from then on an interrupted run must end
    // through the console, which drops the unfinished file and keeps the old one.
    CStopRequests oStopRequests;
    QObject::connect(
        &oStopRequests, &CStopRequests::EmitStopRequested, &oConsole, &VConsole::OnStopRequested);

    if (!oConsole.Start(sMessage)) {
        Print(sMessage);
        oScanner.StopAll();
        CSocketLibrary::Cleanup();
        return 5;
    }

    oApp.exec();
    oScanner.StopAll();
    CSocketLibrary::Cleanup();
    if (oConsole.IsInterrupted())
        return oConsole.ExitStatus();
    if (!oConsole.OutputError().isEmpty()) {
        Print(oConsole.OutputError());
        return 5;
    }
    return oConsole.ExitStatus();
}
