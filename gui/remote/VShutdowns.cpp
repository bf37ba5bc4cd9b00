// SPDX-License-Identifier: GPL-3.0-or-later
#include "VShutdowns.h"

#include "ui_VShutdowns.h"

#include <QColor>
#include <QPushButton>
#include <QTableWidgetItem>

VShutdowns::VShutdowns(QWidget *i_pParent)
    : VSettingsDialog(QStringLiteral("Shutdowns"), i_pParent)
    , m_pUi(std::make_unique<Ui::VShutdowns>())
{
    m_pUi->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);
    m_oPool.setMaxThreadCount(kMaxThreads);
    connect(m_pUi->b_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

VShutdowns::~VShutdowns()
{
    m_oPool.clear();
    m_oPool.waitForDone();
    qDeleteAll(m_lpTokens);
}

void VShutdowns::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
    const int nRows = m_pUi->lbxMachines->rowCount();
    for (int nRow = 0; nRow < nRows; ++nRow) {
        QTableWidgetItem *pItem = m_pUi->lbxMachines->item(nRow, 1);
        if (!pItem)
            continue;
        const QString sState = pItem->data(Qt::UserRole).toString();
        if (sState == QLatin1String("processing"))
            pItem->setText(tr("Processing..."));
        else if (sState == QLatin1String("succeeded"))
            pItem->setText(tr("Succeeded"));
        else if (sState == QLatin1String("failed"))
            pItem->setText(tr("Failed"));
    }
}

void VShutdowns::StartShutdown(CShutdownQuery::TParamsPtr i_pParams,
                               const QStringList &i_lsNames,
                               const QStringList &i_lsAddresses)
{
    if (i_lsNames.isEmpty())
        return;
    ++m_nBatch;
    m_pParams = i_pParams ? i_pParams : CShutdownQuery::TParamsPtr::create();
    m_pParams->insert(CShutdownQuery::ParamBatch, m_nBatch);

    QTableWidget *pTable = m_pUi->lbxMachines;
    pTable->setColumnCount(3);
    pTable->setRowCount(0);
    pTable->setRowCount(i_lsNames.size());
    for (int nRow = 0; nRow < i_lsNames.size(); ++nRow) {
        pTable->setItem(nRow, 0, new QTableWidgetItem(i_lsNames.at(nRow)));
        auto *pState = new QTableWidgetItem(tr("Processing..."));
        pState->setData(Qt::UserRole, QStringLiteral("processing"));
        pTable->setItem(nRow, 1, pState);
        pTable->setItem(nRow, 2, new QTableWidgetItem(i_lsAddresses.value(nRow)));
    }
    show();
    workStart();
}

void VShutdowns::workStart()
{
    QTableWidget *pTable = m_pUi->lbxMachines;
    for (int nRow = 0; nRow < pTable->rowCount(); ++nRow) {
        auto *pToken = new TRowToken{m_nBatch, nRow};
        m_lpTokens.insert(pToken);
        const QTableWidgetItem *pName = pTable->item(nRow, 0);
        const QTableWidgetItem *pAddress = pTable->item(nRow, 2);
        auto *pQuery = new CShutdownQuery(m_pParams,
                                          pName ? pName->text() : QString(),
                                          pAddress ? pAddress->text() : QString(),
                                          pToken);
        connect(pQuery,
                &CShutdownQuery::ShutdownDone,
                this,
                &VShutdowns::workDone,
                Qt::QueuedConnection);
        m_oPool.start(pQuery);
    }
}

void VShutdowns::workDone(const QString &sMachine, void *pData, int nRes)
{
    Q_UNUSED(sMachine)
    auto *pToken = static_cast<TRowToken *>(pData);
    // Only tokens this dialog handed out are ever read.
    if (!m_lpTokens.remove(pToken))
        return;
    const std::unique_ptr<TRowToken> pOwned(pToken);
    QTableWidget *pTable = m_pUi->lbxMachines;
    if (pToken->nBatch != m_nBatch || pToken->nRow >= pTable->rowCount())
        return;
    QTableWidgetItem *pName = pTable->item(pToken->nRow, 0);
    QTableWidgetItem *pState = pTable->item(pToken->nRow, 1);
    if (!pName || !pState)
        return;
    const bool fOk = nRes == 0;
    pState->setText(fOk ? tr("Succeeded") : tr("Failed"));
    pState->setData(Qt::UserRole, fOk ? QStringLiteral("succeeded") : QStringLiteral("failed"));
    const QColor oColor = fOk ? QColor(100, 149, 237) : QColor(255, 128, 0);
    pName->setBackground(oColor);
    pState->setBackground(oColor);
}
