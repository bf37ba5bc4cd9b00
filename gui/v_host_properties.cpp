// SPDX-License-Identifier: GPL-3.0-or-later
#include "v_host_properties.h"

#include "IpRangeReaders.h"
#include "VResultsBackend.h"
#include "ui_v_host_properties.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

const QString kRectKey = QStringLiteral("State/HostProperties/Rect");

} // namespace

v_host_properties::v_host_properties(QWidget *i_pParent)
    : QDialog(i_pParent)
    , m_pUi(std::make_unique<Ui::v_host_propertiesClass>())
{
    m_pUi->setupUi(this);
    // ASCII classes on purpose: "\d" would let other scripts' digits in, which no address has.
    m_pUi->edIp->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9.]*")), m_pUi->edIp));
    m_pUi->edMac->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9A-Fa-f:]*")), m_pUi->edMac));
    connect(m_pUi->pbOk, &QPushButton::clicked, this, &v_host_properties::OnOk);
    connect(m_pUi->pbCancel, &QPushButton::clicked, this, &v_host_properties::OnCancel);
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
    const QStringList lsParts = i_sText.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    QByteArray baMac;
    bool fParsed = lsParts.size() == 6;
    for (int i = 0; fParsed && i < lsParts.size(); ++i) {
        const uint nByte = lsParts.at(i).toUInt(&fParsed, 16);
        fParsed = fParsed && nByte <= 0xFF;
        baMac.append(static_cast<char>(nByte));
    }
    if (!fParsed) {
        *o_pbaMac = baZero;
        return false;
    }
    *o_pbaMac = baMac;
    return baMac != baZero && baMac != QByteArray(6, '\xFF');
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
    m_pUi->edIp->setText(IpToText(m_oItem.result().ip()));
    m_pUi->edMac->setText(MacToText(m_oItem.result().mac()));
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
    SetTextColour(m_pUi->edIp, fValid);
    return fValid;
}

void v_host_properties::CheckMac(const QString &i_sText)
{
    QByteArray baMac;
    const bool fValid = ParseMacText(i_sText, &baMac);
    m_oItem.result().set_mac(baMac);
    SetTextColour(m_pUi->edMac, fValid);
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
    m_oItem.set_comments(m_pUi->edComments->toPlainText());
    bool fAdded = true;
    if (m_pFavorites) {
        if (m_pUi->edIp->isEnabled())
            fAdded = m_pFavorites->AddNewItem(m_oItem);
        else
            m_pFavorites->EditItem(m_oItem);
    }
    if (fAdded) {
        HideAndStoreGeometry();
        return;
    }
    QMessageBox::warning(this, sTitle, tr("Item with this IP already exists"), QMessageBox::Ok);
}

void v_host_properties::OnCancel()
{
    HideAndStoreGeometry();
}

void v_host_properties::reject()
{
    HideAndStoreGeometry();
    setResult(QDialog::Rejected);
}

void v_host_properties::HideAndStoreGeometry()
{
    hide();
    m_oCfg.SetValue(kRectKey, geometry());
}

void v_host_properties::closeEvent(QCloseEvent *i_pEvent)
{
    i_pEvent->accept();
    HideAndStoreGeometry();
}

void v_host_properties::showEvent(QShowEvent *i_pEvent)
{
    const QVariant vRect = m_oCfg.Value(kRectKey);
    if (vRect.isValid() && vRect.toRect().isValid())
        setGeometry(vRect.toRect());
    FillWidgets();
    QDialog::showEvent(i_pEvent);
}

void v_host_properties::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
    UpdateOkText();
}

void v_host_properties::OnCfg(CCfg i_oCfg)
{
    m_oCfg = i_oCfg;
}
