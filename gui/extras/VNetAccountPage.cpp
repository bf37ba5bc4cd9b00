// SPDX-License-Identifier: GPL-3.0-or-later
#include "VNetAccountPage.h"

#include "IRemoteShutdownApi.h"
#include "IpRangeReaders.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>

#include <memory>

namespace {

constexpr int kMaxAccountLength = 511;

} // namespace

VNetAccountPage::VNetAccountPage(QWidget *i_pParent)
    : QWidget(i_pParent)
    , m_pLoginLabel(new QLabel(this))
    , m_pLogin(new QLineEdit(this))
    , m_pDomainLabel(new QLabel(this))
    , m_pDomain(new QLineEdit(this))
    , m_pPasswordLabel(new QLabel(this))
    , m_pPassword(new QLineEdit(this))
    , m_pHostLabel(new QLabel(this))
    , m_pHost(new QLineEdit(this))
    , m_pTest(new QPushButton(this))
    , m_pResult(new QLabel(this))
{
    setObjectName(QStringLiteral("tab_account"));
    m_pLogin->setObjectName(QStringLiteral("e_account_login"));
    m_pDomain->setObjectName(QStringLiteral("e_account_domain"));
    m_pPassword->setObjectName(QStringLiteral("e_account_password"));
    m_pHost->setObjectName(QStringLiteral("e_account_test_host"));
    m_pTest->setObjectName(QStringLiteral("b_account_test"));
    m_pResult->setObjectName(QStringLiteral("l_account_test_result"));
    for (QLineEdit *pEdit : {m_pLogin, m_pDomain, m_pPassword})
        pEdit->setMaxLength(kMaxAccountLength);
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pHost->setMaxLength(15);
    m_pResult->setWordWrap(true);
    // The server's answer is shown as text, never as markup.
    m_pResult->setTextFormat(Qt::PlainText);

    auto *pLayout = new QFormLayout(this);
    pLayout->addRow(m_pLoginLabel, m_pLogin);
    pLayout->addRow(m_pDomainLabel, m_pDomain);
    pLayout->addRow(m_pPasswordLabel, m_pPassword);
    pLayout->addRow(m_pHostLabel, m_pHost);
    pLayout->addRow(nullptr, m_pTest);
    pLayout->addRow(nullptr, m_pResult);
    connect(m_pTest, &QPushButton::clicked, this, &VNetAccountPage::OnTest);
    Retranslate();
}

VNetAccountPage::~VNetAccountPage() = default;

void VNetAccountPage::Retranslate()
{
    m_pLoginLabel->setText(tr("User name:"));
    m_pDomainLabel->setText(tr("Domain or workgroup:"));
    m_pPasswordLabel->setText(tr("Password:"));
    m_pHostLabel->setText(tr("Test on host (address):"));
    m_pTest->setText(tr("Test this account"));
}

void VNetAccountPage::SetAccount(const TNetAccount &i_oAccount)
{
    m_pLogin->setText(i_oAccount.sLogin);
    m_pDomain->setText(i_oAccount.sDomain);
    m_pPassword->setText(i_oAccount.sPassword);
}

TNetAccount VNetAccountPage::Account() const
{
    TNetAccount oAccount;
    oAccount.sLogin = m_pLogin->text().trimmed();
    oAccount.sDomain = m_pDomain->text().trimmed();
    // Without a login there is no account: a password alone must not linger in memory.
    if (!oAccount.sLogin.isEmpty())
        oAccount.sPassword = m_pPassword->text();
    return oAccount;
}

QString VNetAccountPage::TestResult() const
{
    return m_pResult->text();
}

void VNetAccountPage::OnTest()
{
    const QString sHost = m_pHost->text().trimmed();
    quint32 nIp = 0;
    if (!ParseIpv4Address(sHost, &nIp) || nIp == 0) {
        m_pResult->setText(tr("Enter the host's address, four decimal numbers."));
        return;
    }
    const TNetAccount oAccount = Account();
    if (!oAccount.IsSet() || !oAccount.IsSafe()) {
        m_pResult->setText(tr("Enter a user name; '%' and control characters cannot be used."));
        return;
    }
    m_pResult->setText(tr("Testing on %1...").arg(sHost));
    m_pTest->setEnabled(false);
    ++m_nTestsRunning;
    // The logon blocks for up to its own time-out; the window stays responsive meanwhile. The
    // result travels back as a queued call to this page, or nowhere if the page is gone.
    auto pnResult = std::make_shared<int>(-1);
    QThread *pThread = QThread::create([sHost, oAccount, pnResult]() {
        const std::unique_ptr<IRemoteShutdownApi> pApi = IRemoteShutdownApi::Create();
        *pnResult = pApi->Logon(
            QStringLiteral("\\\\") + sHost, oAccount.QualifiedLogin(), oAccount.sPassword);
        // A test must not leave a session behind that later shutdowns would use.
        pApi->DropConnections(QString(), sHost);
    });
    connect(pThread, &QThread::finished, pThread, &QObject::deleteLater);
    connect(pThread, &QThread::finished, this, [this, sHost, pnResult]() {
        ShowTestResult(sHost, *pnResult);
    });
    pThread->start();
}

void VNetAccountPage::ShowTestResult(const QString &i_sHost, int i_nResult)
{
    --m_nTestsRunning;
    m_pTest->setEnabled(m_nTestsRunning == 0);
    switch (i_nResult) {
    case 0:
        m_pResult->setText(tr("%1 accepted the account.").arg(i_sHost));
        break;
    case IRemoteShutdownApi::kErrorLogonFailure:
        m_pResult->setText(tr("%1 refused the account: wrong user name or password.").arg(i_sHost));
        break;
    case IRemoteShutdownApi::kErrorAccessDenied:
        m_pResult->setText(tr("%1 refused the account: access denied.").arg(i_sHost));
        break;
    case IRemoteShutdownApi::kErrorBadNetPath:
        m_pResult->setText(tr("%1 could not be reached.").arg(i_sHost));
        break;
    default:
        m_pResult->setText(tr("The test on %1 failed (error %2).").arg(i_sHost).arg(i_nResult));
        break;
    }
    emit TestDone(i_nResult);
}
