// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// Settings of one test function in a folder of its own, under the program's identity, so that
// nothing reads or writes a developer's real configuration.
class CSettingsSandbox
{
public:
    CSettingsSandbox()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_oDir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_oDir.path());
        QCoreApplication::setOrganizationName(QStringLiteral("brenmark"));
        QCoreApplication::setApplicationName(QStringLiteral("vistrel"));
    }
    ~CSettingsSandbox() { QCoreApplication::setOrganizationName(QString()); }
    bool IsValid() const { return m_oDir.isValid(); }
    QString Path() const { return m_oDir.path(); }

private:
    QTemporaryDir m_oDir;
};

// Answers the next modal message box with OK and remembers its title and text; a message box
// runs its own event loop, so the answer has to come from a timer.
class CMessageBoxCloser : public QObject
{
public:
    CMessageBoxCloser()
    {
        m_oTimer.setInterval(10);
        QObject::connect(&m_oTimer, &QTimer::timeout, this, [this] {
            auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!pBox)
                return;
            ++m_nSeen;
            m_sTitle = pBox->windowTitle();
            m_sText = pBox->text();
            pBox->button(QMessageBox::Ok)->click();
        });
        m_oTimer.start();
    }

    int Seen() const { return m_nSeen; }
    QString Title() const { return m_sTitle; }
    QString Text() const { return m_sText; }

private:
    QTimer m_oTimer;
    int m_nSeen = 0;
    QString m_sTitle;
    QString m_sText;
};
