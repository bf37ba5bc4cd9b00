// SPDX-License-Identifier: GPL-3.0-or-later
#include "VOrtavoConnectOptions.h"

#include "ui_VOrtavoConnectOptions.h"

#include <QSignalBlocker>

namespace {

// Digits only, 1 to 65535: signs, blanks and other notations are not a port as typed.
bool IsPortText(const QString &i_sText)
{
    if (i_sText.isEmpty() || i_sText.size() > 5)
        return false;
    for (const QChar c : i_sText) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int nPort = i_sText.toInt();
    return nPort >= 1 && nPort <= 65535;
}

} // namespace

VOrtavoConnectOptions::VOrtavoConnectOptions(QWidget *i_pParent)
    : VSettingsDialog(QStringLiteral("OrtavoConnectOpts"),
                      i_pParent,
                      Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint
                          | Qt::WindowCloseButtonHint)
    , m_pUi(std::make_unique<Ui::v_OrtavoConnectOptionsClass>())
{
    m_pUi->setupUi(this);
    connect(m_pUi->btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_pUi->btnOK, &QPushButton::clicked, this, &VOrtavoConnectOptions::OnOk);
    connect(m_pUi->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pUi->lePort, &QLineEdit::textChanged, this, &VOrtavoConnectOptions::OnTextChanged);
    connect(m_pUi->lePort,
            &QLineEdit::cursorPositionChanged,
            this,
            &VOrtavoConnectOptions::OnCursorPosChanged);
}

VOrtavoConnectOptions::~VOrtavoConnectOptions() = default;

void VOrtavoConnectOptions::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
}

void VOrtavoConnectOptions::DisplayUi(EOrtavoCommand i_eOrtavoCommand,
                                      int i_nPort,
                                      bool i_fInteractive,
                                      quint32 i_nAddress)
{
    m_eCommand = i_eOrtavoCommand;
    m_fInteractive = i_fInteractive;
    m_nAddress = i_nAddress;
    if (i_nPort > 0)
        m_sPortText = QString::number(i_nPort);
    setModal(true);
    show();
}

void VOrtavoConnectOptions::showEvent(QShowEvent *i_pEvent)
{
    m_pUi->lePort->setText(m_sPortText);
    QDialog::showEvent(i_pEvent);
}

void VOrtavoConnectOptions::OnTextChanged(const QString &i_sText)
{
    if (i_sText.isEmpty() || IsPortText(i_sText)) {
        m_sPortText = i_sText;
        return;
    }
    // Putting the old text back moves the cursor and reports it; the position from before the
    // rejected edit is the one to restore.
    const int nCursorPos = m_nLastCursorPos;
    {
        const QSignalBlocker oBlock(m_pUi->lePort);
        m_pUi->lePort->setText(m_sPortText);
    }
    m_pUi->lePort->setCursorPosition(qMin(nCursorPos, m_sPortText.size()));
    m_nLastCursorPos = m_pUi->lePort->cursorPosition();
}

void VOrtavoConnectOptions::OnCursorPosChanged(int i_nOld, int i_nNew)
{
    Q_UNUSED(i_nOld)
    m_nLastCursorPos = i_nNew;
}

void VOrtavoConnectOptions::OnOk()
{
    const QString sText = m_pUi->lePort->text();
    // Without a port there is nothing to connect to; the viewer is not started on port 0.
    if (!sText.isEmpty()) {
        const int nPort = sText.toInt();
        Cfg().set_ortavo_connect_port(nPort);
        emit OptionsSpecified(m_eCommand, nPort, m_fInteractive, m_nAddress);
    }
}
