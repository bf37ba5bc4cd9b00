// SPDX-License-Identifier: GPL-3.0-or-later
#include "v_host_properties.h"

#include "IpRangeReaders.h"
#include "VResultsBackend.h"
#include "ui_v_host_properties.h"

#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

v_host_properties::v_host_properties(QWidget *i_pParent)
    : VSettingsDialog(QStringLiteral("HostProperties"), i_pParent)
    , m_pUi(std::make_unique<Ui::v_host_propertiesClass>())
{
    m_pUi->setupUi(this);
    // ASCII classes on purpose: "\d" would let other scripts' digits in, which no address has.
    m_pUi->edIp->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9.]*")), m_pUi->edIp));
    m_pUi->edMac->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f:.\\- ]*")), m_pUi->edMac));
    connect(m_pUi->pbOk, &QPushButton::clicked, this, &v_host_properties::OnOk);
    connect(m_pUi->pbCancel, &QPushButton::clicked, this, &QDialog::reject);
    // textEdited, not textChanged: filling the fields runs the checks itself.
    connect(m_pUi->edIp, &QLineEdit::textEdited, this, &v_host_properties::OnIpTextChanged);
    connect(m_pUi->edMac, &QLineEdit::textEdited, this, &v_host_properties::OnMacTextChanged);
    UpdateOkText();
}

v_host_properties::~v_host_properties() = default;

bool v_host_properties::ParseAddress(const QString &i_sText, quint32 *o_pnIp)
{
    quint32 nIp = 0;
    if (!ParseIpv4Address(i_sText, &nIp) || nIp == 0)
        return false;
    *o_pnIp = nIp;
    return true;
}

bool v_host_properties::ParseMacText(const QString &i_sText, QByteArray *o_pbaMac)
{
    const QByteArray baZero(6, '\0');
    if (!TextToMac(i_sText, o_pbaMac)) {
        *o_pbaMac = baZero;
        return false;
    }
    return *o_pbaMac != baZero && *o_pbaMac != QByteArray(6, '\xFF');
}

void v_host_properties::SetData(const CScanItem &i_oItem, const QString &i_sComment)
{
    m_oItem = i_oItem;
    m_oItem.set_comments(i_sComment);
    FillWidgets();
}

void v_host_properties::SetAddMode(bool i_fAdd)
{
    m_pUi->edIp->setEnabled(i_fAdd);
    UpdateOkText();
}

bool v_host_properties::IsAddMode() const
{
    return m_pUi->edIp->isEnabled();
}

void v_host_properties::UpdateOkText()
{
    m_pUi->pbOk->setText(m_pUi->edIp->isEnabled() ? tr("Add") : tr("Apply"));
}

void v_host_properties::FillWidgets()
{
    // An entry without an address (a new one) or without a MAC shows the field empty, not as
    // zeros the user would have to clear.
    const quint32 nIp = m_oItem.result().ip();
    m_pUi->edIp->setText(nIp != 0 ? IpToText(nIp) : QString());
    m_pUi->edMac->setText(m_oItem.result().HasMac() ? MacToText(m_oItem.result().mac(), true)
                                                    : QString());
    m_pUi->edComments->setPlainText(m_oItem.comments());
    CheckIp(m_pUi->edIp->text());
    CheckMac(m_pUi->edMac->text());
}

void v_host_properties::SetTextColour(QLineEdit *io_pEdit, bool i_fValid)
{
    const QColor oWanted = i_fValid ? QColor(Qt::black) : QColor(Qt::red);
    if (io_pEdit->palette().color(QPalette::Text) == oWanted)
        return;
    QPalette oPalette = io_pEdit->palette();
    oPalette.setColor(QPalette::Text, oWanted);
    io_pEdit->setPalette(oPalette);
}

bool v_host_properties::CheckIp(const QString &i_sText)
{
    quint32 nIp = 0;
    const bool fValid = ParseAddress(i_sText, &nIp);
    if (fValid)
        m_oItem.result().set_ip(nIp);
    // An empty field is not yet wrong; OK still refuses it.
    SetTextColour(m_pUi->edIp, fValid || i_sText.trimmed().isEmpty());
    return fValid;
}

bool v_host_properties::CheckMac(const QString &i_sText)
{
    // An empty field is an entry without a MAC.
    if (i_sText.trimmed().isEmpty()) {
        m_oItem.result().set_mac(QByteArray(6, '\xFF'));
        SetTextColour(m_pUi->edMac, true);
        return true;
    }
    QByteArray baMac;
    const bool fValid = ParseMacText(i_sText, &baMac);
    m_oItem.result().set_mac(baMac);
    SetTextColour(m_pUi->edMac, fValid);
    // Zeros or all FF typed on purpose are kept (shown red); only text that does not read stops OK.
    return TextToMac(i_sText, &baMac);
}

void v_host_properties::OnIpTextChanged(const QString &i_sText)
{
    CheckIp(i_sText);
}

void v_host_properties::OnMacTextChanged(const QString &i_sText)
{
    CheckMac(i_sText);
}

void v_host_properties::OnOk()
{
    const QString sTitle = tr("Add to \"Favorites\"");
    if (!CheckIp(m_pUi->edIp->text())) {
        QMessageBox::warning(this, sTitle, tr("Incorrect IP address"), QMessageBox::Ok);
        return;
    }
    if (!CheckMac(m_pUi->edMac->text())) {
        QMessageBox::warning(this, sTitle, tr("Incorrect MAC address"), QMessageBox::Ok);
        return;
    }
    m_oItem.set_comments(m_pUi->edComments->toPlainText());
    bool fAdded = true;
    if (m_pFavorites) {
        if (m_pUi->edIp->isEnabled())
            fAdded = m_pFavorites->AddNewItem(m_oItem);
        else
            m_pFavorites->EditItem(m_oItem);
    }
    if (fAdded) {
        accept();
        return;
    }
    QMessageBox::warning(this, sTitle, tr("Item with this IP already exists"), QMessageBox::Ok);
}

void v_host_properties::showEvent(QShowEvent *i_pEvent)
{
    FillWidgets();
    QDialog::showEvent(i_pEvent);
}

void v_host_properties::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
    UpdateOkText();
}
