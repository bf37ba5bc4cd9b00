// SPDX-License-Identifier: GPL-3.0-or-later
#include "CEventPrograms.h"

#include "CTerminal.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

CEventPrograms::CEventPrograms(const QString &i_sProgram, QObject *i_pParent)
    : QObject(i_pParent)
    , m_sProgram(i_sProgram)
{
}

CEventPrograms::~CEventPrograms()
{
    Finish(0);
}

void CEventPrograms::Report(const QString &i_sText) const
{
    CTerminal::WriteStdErr((i_sText + QLatin1Char('\n')).toLocal8Bit());
}

void CEventPrograms::Run(const CInventoryEvent &i_oEvent)
{
    if (m_qWaiting.size() >= kMaxWaiting) {
        // A burst (the first scan of a large network) must not pile up without end.
        if (!m_fOverflowReported)
            Report(QStringLiteral("Event program %1: too many events waiting; some were not "
                                  "passed on")
                       .arg(m_sProgram));
        m_fOverflowReported = true;
        return;
    }
    m_qWaiting.enqueue(i_oEvent);
    StartNext();
}

void CEventPrograms::StartNext()
{
    while (m_lpRunning.size() < kMaxRunning && !m_qWaiting.isEmpty()) {
        const CInventoryEvent oEvent = m_qWaiting.dequeue();
        if (m_qWaiting.isEmpty())
            m_fOverflowReported = false;
        auto *pProcess = new QProcess(this);
        QProcessEnvironment oEnvironment = QProcessEnvironment::systemEnvironment();
        oEnvironment.insert(QStringLiteral("VISTREL_EVENT"), oEvent.sKind);
        oEnvironment.insert(QStringLiteral("VISTREL_TIME"),
                            CInventoryEvent::TimeText(oEvent.oTime));
        oEnvironment.insert(QStringLiteral("VISTREL_IP"), oEvent.sIp);
        oEnvironment.insert(QStringLiteral("VISTREL_MAC"), oEvent.sMac);
        oEnvironment.insert(QStringLiteral("VISTREL_OLD"), oEvent.sOld);
        oEnvironment.insert(QStringLiteral("VISTREL_NEW"), oEvent.sNew);
        oEnvironment.insert(QStringLiteral("VISTREL_SITE"), oEvent.sSite);
        pProcess->setProcessEnvironment(oEnvironment);
        // Its output is its own business; it must not mix with the events on standard output.
        pProcess->setStandardOutputFile(QProcess::nullDevice());
        pProcess->setStandardInputFile(QProcess::nullDevice());
        pProcess->setProcessChannelMode(QProcess::SeparateChannels);
        pProcess->setStandardErrorFile(QProcess::nullDevice());
        auto *pTimer = new QTimer(pProcess);
        pTimer->setSingleShot(true);
        connect(pTimer, &QTimer::timeout, pProcess, [this, pProcess] {
            Report(QStringLiteral("Event program %1 took longer than %2 s and was ended")
                       .arg(m_sProgram)
                       .arg(kTimeoutMs / 1000));
            pProcess->kill();
        });
        const QString sKind = oEvent.sKind;
        connect(pProcess,
                QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished),
                this,
                [this, pProcess, sKind](int i_nCode, QProcess::ExitStatus i_eStatus) {
                    if (i_eStatus == QProcess::NormalExit && i_nCode != 0)
                        Report(QStringLiteral("Event program %1 failed for a %2 event (status %3)")
                                   .arg(m_sProgram, sKind)
                                   .arg(i_nCode));
                    m_lpRunning.removeOne(pProcess);
                    pProcess->deleteLater();
                    StartNext();
                    if (m_lpRunning.isEmpty() && m_qWaiting.isEmpty())
                        emit EmitIdle();
                });
        connect(pProcess,
                &QProcess::errorOccurred,
                this,
                [this, pProcess, sKind](QProcess::ProcessError i_eError) {
                    if (i_eError != QProcess::FailedToStart)
                        return;
                    Report(QStringLiteral("Event program %1 could not be started for a %2 "
                                          "event: %3")
                               .arg(m_sProgram, sKind, pProcess->errorString()));
                    m_lpRunning.removeOne(pProcess);
                    pProcess->deleteLater();
                    QTimer::singleShot(0, this, [this] { StartNext(); });
                });
        m_lpRunning << pProcess;
        pProcess->start(m_sProgram, QStringList());
        pTimer->start(kTimeoutMs);
    }
}

void CEventPrograms::Finish(int i_nWaitMs)
{
    m_qWaiting.clear();
    const QDeadlineTimer oDeadline(i_nWaitMs);
    const QList<QProcess *> lpRunning = m_lpRunning;
    m_lpRunning.clear();
    for (QProcess *pProcess : lpRunning) {
        pProcess->disconnect(this);
        if (pProcess->state() != QProcess::NotRunning
            && !pProcess->waitForFinished(static_cast<int>(oDeadline.remainingTime()))) {
            pProcess->kill();
            pProcess->waitForFinished(1000);
        }
        delete pProcess;
    }
}
