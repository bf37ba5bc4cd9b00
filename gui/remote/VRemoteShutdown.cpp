// SPDX-License-Identifier: GPL-3.0-or-later
#include "VRemoteShutdown.h"

#include "IPasswordStore.h"
#include "ui_VRemoteShutdown.h"

#include <QIntValidator>
#include <QMessageBox>

namespace {

const QString kSecretKey = CCfg::NetAccountSecretKey();

constexpr int kDefaultTimeoutSec = 60;
constexpr int kMaxAccountLength = 511;

// The login field shows "DOMAIN\login" when the account names a domain.
TNetAccount AccountFromFields(const QString &i_sLogin, const QString &i_sPassword)
{
    TNetAccount oAccount;
    const int nSlash = i_sLogin.indexOf(QLatin1Char('\\'));
    if (nSlash > 0) {
        oAccount.sDomain = i_sLogin.left(nSlash);
        oAccount.sLogin = i_sLogin.mid(nSlash + 1);
    } else {
        oAccount.sLogin = i_sLogin;
    }
    oAccount.sPassword = i_sPassword;
    return oAccount;
}

} // namespace

VRemoteShutdown::VRemoteShutdown(IPasswordStore *i_pPasswordStore, QWidget *i_pParent)
    : VSettingsDialog(QStringLiteral("RemoteShutdown"),
                      i_pParent,
                      Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint
                          | Qt::WindowCloseButtonHint)
    , m_pUi(std::make_unique<Ui::VRemoteShutdown>())
    , m_pPasswordStore(i_pPasswordStore)
{
    m_pUi->setupUi(this);
    m_pUi->edLogin->setMaxLength(kMaxAccountLength);
    m_pUi->edPassword->setMaxLength(kMaxAccountLength);
    m_pUi->edTimeout->setValidator(new QIntValidator(1, int(kMaxTimeoutSec), m_pUi->edTimeout));
    connect(m_pUi->pbShutdown, &QPushButton::clicked, this, &VRemoteShutdown::OnOk);
    connect(m_pUi->pbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pUi->chkUseLogin, &QCheckBox::stateChanged, this, &VRemoteShutdown::UpdateControls);
    if (m_pPasswordStore)
        connect(m_pPasswordStore,
                &IPasswordStore::EmitPasswordRead,
                this,
                &VRemoteShutdown::OnPasswordRead);
}

VRemoteShutdown::~VRemoteShutdown() = default;

QString VRemoteShutdown::PrepareMessage(const QString &i_sMessage)
{
    if (i_sMessage.size() > kMaxMessageLength)
        return i_sMessage.left(kMaxMessageLength - 3) + QStringLiteral("...");
    return i_sMessage;
}

void VRemoteShutdown::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
}

void VRemoteShutdown::DisplayUi()
{
    setModal(true);
    show();
}

void VRemoteShutdown::UpdateControls(int i_nUseLogin)
{
    const bool fUse = i_nUseLogin == Qt::Checked;
    m_pUi->edLogin->setEnabled(fUse);
    m_pUi->edPassword->setEnabled(fUse);
    if (!fUse) {
        m_pUi->edLogin->clear();
        m_pUi->edPassword->clear();
    }
}

void VRemoteShutdown::showEvent(QShowEvent *i_pEvent)
{
    // The dialog shows the one network account the scans use too. A password left in clear
    // text by an older version is taken over and erased from the settings; the next confirmed
    // shutdown hands it to the password store.
    TNetAccount oAccount = Cfg().net_account();
    const QString sLegacyPassword = Cfg().TakeLegacyPassword();
    if (!sLegacyPassword.isEmpty()) {
        oAccount.sPassword = sLegacyPassword;
        Cfg().set_net_account(oAccount);
    }
    const bool fUseLogin = oAccount.IsSet() || !oAccount.sPassword.isEmpty();
    m_pUi->chkUseLogin->setChecked(fUseLogin);
    m_pUi->edLogin->setText(oAccount.QualifiedLogin());
    m_pUi->edPassword->setText(oAccount.sPassword);
    UpdateControls(m_pUi->chkUseLogin->checkState());
    if (m_pPasswordStore && oAccount.sPassword.isEmpty())
        m_pPasswordStore->Read(kSecretKey);

    m_pUi->edTimeout->setText(
        QString::number(static_cast<uint>(Cfg().shutdown_timeout(kDefaultTimeoutSec))));
    const QString sMessage = Cfg().shutdown_message();
    if (!sMessage.isNull())
        m_pUi->edMessage->setPlainText(sMessage);
    m_pUi->chkForce->setChecked(Cfg().shutdown_force());
    m_pUi->chkReboot->setChecked(Cfg().shutdown_reboot());
    QDialog::showEvent(i_pEvent);
}

// The store answers later; the answer only fills a field the user has not typed into yet.
void VRemoteShutdown::OnPasswordRead(const QString &i_sKey,
                                     const QString &i_sPassword,
                                     bool i_fFound)
{
    if (i_sKey != kSecretKey || !i_fFound || i_sPassword.isEmpty() || !isVisible()
        || !m_pUi->edPassword->text().isEmpty())
        return;
    if (!m_pUi->chkUseLogin->isChecked())
        m_pUi->chkUseLogin->setChecked(true);
    m_pUi->edPassword->setText(i_sPassword.left(kMaxAccountLength));
}

void VRemoteShutdown::OnOk()
{
    bool fNumber = false;
    const uint nTimeoutSec = m_pUi->edTimeout->text().toUInt(&fNumber);
    if (!fNumber || nTimeoutSec > kMaxTimeoutSec) {
        QMessageBox::warning(this,
                             tr("Incorrect data"),
                             tr("Invalid timeout. Should be 0...%1").arg(kMaxTimeoutSec));
        return;
    }
    accept();

    const QString sLogin = m_pUi->edLogin->text();
    const QString sPassword = m_pUi->edPassword->text();
    Cfg().set_net_account(AccountFromFields(sLogin, sPassword));
    if (m_pPasswordStore)
        m_pPasswordStore->Write(kSecretKey, sPassword);
    Cfg().set_shutdown_timeout(int(nTimeoutSec));

    const QString sMessage = PrepareMessage(m_pUi->edMessage->toPlainText());
    if (!sMessage.isEmpty())
        Cfg().set_shutdown_message(sMessage);
    Cfg().set_shutdown_force(m_pUi->chkForce->isChecked());
    Cfg().set_shutdown_reboot(m_pUi->chkReboot->isChecked());

    auto pParams = CShutdownQuery::TParamsPtr::create();
    if (m_pUi->chkUseLogin->isChecked()) {
        pParams->insert(CShutdownQuery::ParamLogin, sLogin);
        pParams->insert(CShutdownQuery::ParamPassword, sPassword);
    }
    pParams->insert(CShutdownQuery::ParamTimeout, int(nTimeoutSec));
    pParams->insert(CShutdownQuery::ParamMessage, sMessage);
    pParams->insert(CShutdownQuery::ParamForce, m_pUi->chkForce->isChecked());
    pParams->insert(CShutdownQuery::ParamReboot, m_pUi->chkReboot->isChecked());
    emit ShutdownSpecified(pParams);
}
