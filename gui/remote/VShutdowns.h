// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CShutdownQuery.h"
#include "VSettingsDialog.h"

#include <QSet>
#include <QStringList>
#include <QThreadPool>

#include <memory>

namespace Ui {
class VShutdowns;
}

// The "Shutdown results" dialog. Lives on the user interface thread. StartShutdown begins a batch:
// one row and one CShutdownQuery per machine, run on the dialog's own pool (at most 16 at once).
// Outcomes arrive queued from the pool and fill the rows while their batch is the current one;
// a newer batch makes the outcomes of older ones count for nothing.
class VShutdowns final : public VSettingsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(VShutdowns)

public:
    static constexpr int kMaxThreads = 16;

    explicit VShutdowns(QWidget *i_pParent = nullptr);
    // Drops queries that have not started and waits for the running ones.
    ~VShutdowns() override;

    int Batch() const { return m_nBatch; }
    const QThreadPool &Pool() const { return m_oPool; }

public slots:
    void OnLanguageChanged();
    // The start operation: i_lsAddresses[i] belongs to i_lsNames[i]. Nothing happens when
    // i_lsNames is empty.
    void StartShutdown(CShutdownQuery::TParamsPtr i_pParams,
                       const QStringList &i_lsNames,
                       const QStringList &i_lsAddresses);
    void workStart();
    void workDone(const QString &sMachine, void *pData, int nRes);

private:
    struct TRowToken
    {
        int nBatch;
        int nRow;
    };

    std::unique_ptr<Ui::VShutdowns> m_pUi;
    QThreadPool m_oPool;
    int m_nBatch = 0;
    CShutdownQuery::TParamsPtr m_pParams;
    // Tokens handed to queries and not yet back; what is left at destruction is freed then.
    QSet<TRowToken *> m_lpTokens;
};
