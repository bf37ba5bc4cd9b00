// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CScanResult.h"

#include <QThread>

#include <atomic>
#include <memory>

class CLivenessSweep;

// A scan worker: asks its parent (an IScanTaskSource) for addresses, probes each host and emits
// one result per address from its own thread. Owned by the scanner as a child object.
class CScannerThread final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY(CScannerThread)

public:
    CScannerThread(const CCfg &i_oCfg, QObject *i_pParent);

    // Set by the task source, under its lock, when it hands this worker a stop order.
    void MarkStopping() { m_fStopping = true; }
    bool IsStopping() const { return m_fStopping; }
    // True once run() has returned. Read before deleting a finished worker: QThread's own
    // finished state is kept inside Qt, where ThreadSanitizer cannot see that it orders the
    // worker's last writes before the delete; this flag makes that order visible.
    bool HasReturned() const { return m_fReturned.load(std::memory_order_acquire); }

signals:
    void EmitResult(CScanResult i_oResult);

protected:
    void run() override;

private:
    void RunTasks();
    void ScanHost(CScanResult &io_oResult,
                  const CCfg &i_oCfg,
                  std::shared_ptr<CLivenessSweep> i_pSweep) const;

    CCfg m_oCfg;
    std::atomic<bool> m_fStopping{false};
    std::atomic<bool> m_fReturned{false};
};
