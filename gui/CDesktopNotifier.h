// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CInventoryEvent.h"

#include <QObject>

// Tells the user through the desktop's notification service (freedesktop notifications over
// the session D-Bus) when a recorded scan found new devices or an address answering with another
// MAC, or could not record a scan. Without a session bus or a notification service nothing is shown
// and nothing waits: the call is sent without waiting for its answer. Main thread only.
class CDesktopNotifier final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CDesktopNotifier)

public:
    // A notification lists at most this many changes, then how many more there were.
    static constexpr int kMaxLines = 8;

    explicit CDesktopNotifier(QObject *i_pParent = nullptr);

public slots:
    void OnEvents(CInventoryEvents i_lEvents);
    void OnRecordFailed(QString i_sMessage);

private:
    void Send(const QString &i_sSummary, const QString &i_sBody);
};
