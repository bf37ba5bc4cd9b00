// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QThread>

#include <functional>

// Opens one URL or path with the system's handler on a thread of its own, so that a slow shell
// handler never blocks the window. A failure to open is only logged. The creator owns the thread:
// it keeps it in a list and deletes it with Reap once it has finished.
class COpenUrlThread final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY(COpenUrlThread)

public:
    explicit COpenUrlThread(const QString &i_sUrl, QObject *i_pParent = nullptr);

    const QString &Url() const { return m_sUrl; }

    // Creates a thread for i_sUrl, appends it to io_lpThreads, hands it to i_fnBeforeStart (to
    // connect its signals before it can emit them), starts it with the inherited priority and
    // then reaps the list. Main thread only.
    static COpenUrlThread *Open(const QString &i_sUrl,
                                QList<COpenUrlThread *> &io_lpThreads,
                                const std::function<void(COpenUrlThread *)> &i_fnBeforeStart = {});
    // Removes and deletes every finished thread of the list. Main thread only.
    static void Reap(QList<COpenUrlThread *> &io_lpThreads);
    // Reaps every i_nIntervalMs until the list is empty; for the window's destructor.
    static void ReapAll(QList<COpenUrlThread *> &io_lpThreads, int i_nIntervalMs = 100);

signals:
    // The system had no program to open the address (emitted on the thread).
    void OpenFailed(const QString &i_sUrl);

protected:
    void run() override;

private:
    QString m_sUrl;
};
