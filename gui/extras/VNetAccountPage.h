// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CNetAccount.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The options dialog's "Network account" page: the one account used for share lists, the
// logged-on user and remote shutdown, and a button that tries it on a host. The password field
// is filled from the session's memory only; it is never written to the settings. GUI thread.
class VNetAccountPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(VNetAccountPage)

public:
    explicit VNetAccountPage(QWidget *i_pParent = nullptr);
    ~VNetAccountPage() override;

    void SetAccount(const TNetAccount &i_oAccount);
    TNetAccount Account() const;
    void Retranslate();

    // The text the last test left for the user; empty while none has ended.
    QString TestResult() const;

signals:
    // A test of the account on a host has ended with the logon's result (0: accepted).
    void TestDone(int i_nResult);

private slots:
    void OnTest();

private:
    void ShowTestResult(const QString &i_sHost, int i_nResult);

    QLabel *m_pLoginLabel;
    QLineEdit *m_pLogin;
    QLabel *m_pDomainLabel;
    QLineEdit *m_pDomain;
    QLabel *m_pPasswordLabel;
    QLineEdit *m_pPassword;
    QLabel *m_pHostLabel;
    QLineEdit *m_pHost;
    QPushButton *m_pTest;
    QLabel *m_pResult;
    int m_nTestsRunning = 0;
};
