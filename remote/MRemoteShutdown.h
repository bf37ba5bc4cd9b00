// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

// Aborts pending shutdowns. Lives on a thread of its own (created by the application controller);
// requests arrive queued and run one at a time, in order. A failed abort is only logged.
class MRemoteShutdown final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MRemoteShutdown)

public:
    explicit MRemoteShutdown(QObject *i_pParent = nullptr);

signals:
    // Emitted after each abort with its result (0 or a system error code); nothing in the program
    // needs it, tests and logs do.
    void EmitAbortDone(quint32 i_nIp, int i_nResult);

public slots:
    // i_nIp: IPv4 address, first octet in the most significant byte.
    void OnShutdownAbort(int i_nIp);
};
