// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDescriptorLimit.h"
#include "CGuiProgram.h"
#include "CSecureExecution.h"
#include "CSocketLibrary.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    // With the package's raw-socket capability nobody may bring plugins of their own.
    if (CSecureExecution::IsSecure()) {
        CSecureExecution::RemoveUnsafeEnvironment();
        CSecureExecution::RemoveUnsafeArguments(argc, argv);
    }
    // Before any thread: the scanner sizes its pool by the descriptors granted here.
    CDescriptorLimit::RaiseToHard();
    QApplication oApp(argc, argv);
    CGuiProgram::SetIdentity();
    if (!CSocketLibrary::Start())
        return 3;
    CGuiProgram::RegisterMetaTypes();
    // Its own folder becomes the current directory; the files that ship with it are found
    // through CInstallDirs, beside it first, then in the installed data folder.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    int nResult = 0;
    {
        CGuiProgram oProgram;
        oProgram.Start();
        nResult = QApplication::exec();
        oProgram.Stop();
        CSocketLibrary::Cleanup();
    }
    return nResult;
}
