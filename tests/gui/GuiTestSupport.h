// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CGuiProgram.h"
#include "CScanResult.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QHostAddress>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

// Small helpers shared by the window tests.
namespace GuiTest {

inline quint32 Ip(const char *i_pText)
{
    return QHostAddress(QLatin1String(i_pText)).toIPv4Address();
}

inline CScanResult Result(const char *i_pIp,
                          EHostStatus i_eStatus,
                          int i_nScanId,
                          int i_nScanSize,
                          const QByteArray &i_baMac = QByteArray(6, '\0'))
{
    CScanResult oResult;
    oResult.set_ip(Ip(i_pIp));
    oResult.set_status(i_eStatus);
    oResult.set_scan_id(i_nScanId);
    oResult.set_scan_size(i_nScanSize);
    oResult.set_mac(i_baMac);
    return oResult;
}

inline QByteArray Mac(quint8 i_nLast)
{
    return QByteArray::fromHex("025e000000") + char(i_nLast);
}

inline bool Activate(QWidget *i_pWindow)
{
    i_pWindow->activateWindow();
    QApplication::setActiveWindow(i_pWindow);
    return QTest::qWaitFor([i_pWindow]() { return QApplication::activeWindow() == i_pWindow; },
                           2000);
}

// The program's identity and settings in a folder of the test's own; with i_fHome that folder is
// also the home folder, where the IP-to-MAC memory and the Favorites file live.
inline void IsolateIn(const QString &i_sDir, bool i_fHome)
{
    if (i_fHome)
        qputenv("HOME", i_sDir.toUtf8());
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, i_sDir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, i_sDir);
    CGuiProgram::SetIdentity();
    CGuiProgram::RegisterMetaTypes();
}

// The named child of a widget or window; a missing one ends the test program, as every caller
// would only crash on it.
template <typename T> T *NamedChild(const QObject *i_pParent, const char *i_pName)
{
    T *pChild = i_pParent->findChild<T *>(QLatin1String(i_pName));
    if (!pChild)
        qFatal("no child %s", i_pName);
    return pChild;
}

// With VISTREL_SCREENSHOT_DIR set, saves a picture of the window there as NAME.png.
inline void Shot(QWidget &i_rWindow, const QString &i_sName)
{
    const QString sDir = qEnvironmentVariable("VISTREL_SCREENSHOT_DIR");
    if (sDir.isEmpty())
        return;
    QDir().mkpath(sDir);
    i_rWindow.grab().save(QDir(sDir).filePath(i_sName + QStringLiteral(".png")));
}

} // namespace GuiTest
