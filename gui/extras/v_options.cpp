// SPDX-License-Identifier: GPL-3.0-or-later
#include "v_options.h"

#include "CInventoryStore.h"
#include "CNetAccountSecret.h"
#include "ExtrasLog.h"
#include "VNetAccountPage.h"
#include "ui_v_options.h"

#include <QIntValidator>
#include <QMessageBox>
#include <QRegularExpression>

#include <algorithm>

namespace {

const char *const GroupProperty = "group";
const QString OrtavoPortsGroup = QStringLiteral("ortavo_ports");
constexpr int DefaultOrtavoPort = 4899;

// Empty means "no port here"; anything else must be a plain decimal number of a TCP port.
bool IsValidPortText(const QString &i_sText)
{
    static const QRegularExpression s_oDigits(QStringLiteral("^[0-9]{1,5}$"));
    if (i_sText.isEmpty())
        return true;
    if (!s_oDigits.match(i_sText).hasMatch())
        return false;
    const int nPort = i_sText.toInt();
    return nPort >= 1 && nPort <= 65535;
}

} // namespace

v_options::v_options(QWidget *i_pParent)
    : VSettingsDialog(QStringLiteral("Options"), i_pParent)
    , m_pUi(std::make_unique<Ui::v_options>())
    , m_pAccountPage(nullptr)
{
    InitGuiExtrasResources();
    m_pUi->setupUi(this);
    m_pAccountPage = new VNetAccountPage(m_pUi->tabOptionsMain);
    m_pUi->tabOptionsMain->addTab(m_pAccountPage, QString());
    m_pUi->s_scan_speed->setRange(MinThreads, MaxThreads);
    FillPageList();
    for (int i = 0; i < PortFields; ++i)
        PortField(i)->setValidator(new QIntValidator(1, 65535, PortField(i)));
}

v_options::~v_options() = default;

QLineEdit *v_options::PortField(int i_nIndex) const
{
    QLineEdit *const apFields[PortFields] = {m_pUi->e_ortavo_port_1,
                                             m_pUi->e_ortavo_port_2,
                                             m_pUi->e_ortavo_port_3,
                                             m_pUi->e_ortavo_port_4};
    return apFields[i_nIndex];
}

void v_options::FillPageList()
{
    QListWidget *const pList = m_pUi->listOptionList;
    pList->clear();
    pList->addItem(QStringLiteral("  %1").arg(tr("Performance")));
    pList->addItem(QStringLiteral("  %1").arg(tr("Resources")));
    pList->addItem(QStringLiteral("  %1").arg(tr("Inventory")));
    pList->addItem(QStringLiteral("  %1").arg(tr("Network account")));
    int nWidest = 0;
    for (int i = 0; i < pList->count(); ++i)
        nWidest = std::max(nWidest, pList->fontMetrics().horizontalAdvance(pList->item(i)->text()));
    const int nWidth = (nWidest + 2 * pList->frameWidth()) * 4 / 3;
    pList->setMaximumWidth(nWidth);
    // The layout would otherwise give the list less than its entries need.
    pList->setMinimumWidth(nWidth);
    connect(pList,
            &QListWidget::currentRowChanged,
            m_pUi->tabOptionsMain,
            &QTabWidget::setCurrentIndex,
            Qt::UniqueConnection);
    // Refilling empties the selection; the page shown stays, so its entry is selected again.
    pList->setCurrentRow(m_fPageListFilled ? m_pUi->tabOptionsMain->currentIndex() : 1);
    m_fPageListFilled = true;
}

void v_options::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
    m_pAccountPage->Retranslate();
    FillPageList();
}

void v_options::UseAccountSecret(CNetAccountSecret *i_pSecret)
{
    m_pAccountSecret = i_pSecret;
}

void v_options::showEvent(QShowEvent *i_pEvent)
{
    QList<int> lnPorts = Cfg().ortavo_ports();
    lnPorts = lnPorts.mid(0, PortFields);
    // Every showing reloads from the settings: a port typed and then cancelled must not come
    // back in a field that the stored list does not reach.
    for (int i = 0; i < PortFields; ++i)
        PortField(i)->clear();
    const bool fOrtavo = !lnPorts.isEmpty();
    m_pUi->c_scan_ortavo->setChecked(fOrtavo);
    on_c_scan_ortavo_toggled(fOrtavo);
    for (int i = 0; i < lnPorts.size(); ++i)
        PortField(i)->setText(QString::number(lnPorts.at(i)));

    m_pUi->c_scan_shares->setChecked(Cfg().scan_shares());
    m_pUi->c_scan_http->setChecked(Cfg().scan_http());
    m_pUi->c_scan_https->setChecked(Cfg().scan_https());
    m_pUi->e_web_ports->setText(CCfg::WebPortsText(Cfg().web_ports()));
    m_pUi->c_scan_ftp->setChecked(Cfg().scan_ftp());
    m_pUi->c_scan_netbios->setChecked(Cfg().scan_netbios());
    m_pUi->c_scan_user->setChecked(Cfg().scan_username());
    m_pUi->c_high_accuracy->setChecked(Cfg().high_accuracy());
    m_pUi->s_scan_speed->setValue(Cfg().thread_count());
    m_pUi->s_sweep_rate->setValue(Cfg().sweep_rate());
    m_pAccountPage->SetAccount(Cfg().net_account());
    m_pUi->c_record_scans->setChecked(Cfg().record_scans());
    m_pUi->e_inventory_store->setText(Cfg().inventory_store());

    QDialog::showEvent(i_pEvent);
}

void v_options::on_c_scan_ortavo_toggled(bool i_fChecked)
{
    const QList<QWidget *> lpChildren = findChildren<QWidget *>();
    for (QWidget *pChild : lpChildren) {
        if (pChild->property(GroupProperty).toString() == OrtavoPortsGroup)
            pChild->setEnabled(i_fChecked);
    }
    if (i_fChecked && m_pUi->e_ortavo_port_1->text().isEmpty())
        m_pUi->e_ortavo_port_1->setText(QString::number(DefaultOrtavoPort));
}

void v_options::on_b_ok_clicked()
{
    const bool fOrtavo = m_pUi->c_scan_ortavo->isChecked();
    if (fOrtavo) {
        for (int i = 0; i < PortFields; ++i) {
            if (!IsValidPortText(PortField(i)->text())) {
                QMessageBox::warning(this,
                                     tr("Incorrect data"),
                                     tr("Incorrect Ortavo port. It should be 1...65535"),
                                     QMessageBox::Ok);
                return;
            }
        }
    }

    QList<CCfg::TWebPort> lWebPorts;
    if (!CCfg::ParseWebPorts(m_pUi->e_web_ports->text(), &lWebPorts)) {
        QMessageBox::warning(this,
                             tr("Incorrect data"),
                             tr("Incorrect web server ports. Give up to 16 ports of 1...65535, "
                                "separated by commas, each followed by s if it is HTTPS: "
                                "8080, 8443s"),
                             QMessageBox::Ok);
        return;
    }

    // Only a PostgreSQL URL: the embedded store is the one both programs share by default.
    const QString sStore = m_pUi->e_inventory_store->text().trimmed();
    QString sStoreError;
    if (!sStore.isEmpty()
        && (!sStore.startsWith(QLatin1String("postgresql://"))
            || !CInventoryStore::CheckLocation(sStore, &sStoreError))) {
        QMessageBox::warning(this,
                             tr("Incorrect data"),
                             tr("The store must be a URL like postgresql://user@host:port/"
                                "database, without a password.\n%1")
                                 .arg(sStoreError),
                             QMessageBox::Ok);
        return;
    }

    QList<int> lnPorts;
    for (int i = 0; i < PortFields; ++i) {
        if (!fOrtavo) {
            PortField(i)->clear();
            continue;
        }
        bool fNumber = false;
        const int nPort = PortField(i)->text().toInt(&fNumber, 10);
        if (fNumber)
            lnPorts << nPort;
    }
    Cfg().set_ortavo_ports(lnPorts);

    Cfg().set_scan_shares(m_pUi->c_scan_shares->isChecked());
    Cfg().set_scan_http(m_pUi->c_scan_http->isChecked());
    Cfg().set_scan_https(m_pUi->c_scan_https->isChecked());
    Cfg().set_web_ports(lWebPorts);
    Cfg().set_scan_ftp(m_pUi->c_scan_ftp->isChecked());
    Cfg().set_scan_netbios(m_pUi->c_scan_netbios->isChecked());
    Cfg().set_scan_username(m_pUi->c_scan_user->isChecked());
    Cfg().set_high_accuracy(m_pUi->c_high_accuracy->isChecked());
    Cfg().set_thread_count(m_pUi->s_scan_speed->value());
    Cfg().set_sweep_rate(m_pUi->s_sweep_rate->value());
    const TNetAccount oAccount = m_pAccountPage->Account();
    if (m_pAccountSecret)
        m_pAccountSecret->Save(Cfg(), oAccount);
    else
        Cfg().set_net_account(oAccount);
    Cfg().set_record_scans(m_pUi->c_record_scans->isChecked());
    Cfg().set_inventory_store(sStore);

    emit CfgChanged();
    close();
}
