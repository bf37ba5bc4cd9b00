// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QString>

// The settings of a test program in a folder of its own instead of the user's, under an
// organisation that is no product's and the test's own application name.
inline void SettingsIn(const QString &i_sDir, const QString &i_sApplication)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, i_sDir);
    QCoreApplication::setOrganizationName(QStringLiteral("vistrel-test"));
    QCoreApplication::setApplicationName(i_sApplication);
}
