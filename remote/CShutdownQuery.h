// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QRunnable>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

// Shuts down one machine: an optional network logon, then the shutdown request, both to the
// machine's address (dotted decimal); the name only travels back in ShutdownDone for display.
// Runs on a thread pool, which deletes it after run(); reports only through ShutdownDone, emitted
// from the pool thread (connect it queued to user interface objects).
class CShutdownQuery final : public QObject, public QRunnable
{
    Q_OBJECT
    Q_DISABLE_COPY(CShutdownQuery)

public:
    // Keys of the parameter map.
    enum EParam
    {
        ParamBatch = 1,
        ParamLogin = 2,    // present only when a logon is wanted
        ParamPassword = 3, // present only when a logon is wanted
        ParamMessage = 4,
        ParamTimeout = 5, // seconds
        ParamForce = 6,
        ParamReboot = 7,
    };
    using TParams = QMap<int, QVariant>;
    // Shared by every query of a batch; nobody changes it once the batch has started.
    using TParamsPtr = QSharedPointer<TParams>;

    // i_pData is the caller's row token, handed back untouched in ShutdownDone.
    CShutdownQuery(TParamsPtr i_pParams,
                   const QString &i_sMachine,
                   const QString &i_sAddress,
                   void *i_pData);

    void run() override;

    // The shutdown's result for this query's machine: 0, or a system error code.
    int Execute();

signals:
    void ShutdownDone(const QString &sMachine, void *pData, int res);

private:
    TParamsPtr m_pParams;
    QString m_sMachine;
    QString m_sAddress;
    void *m_pData;
};

Q_DECLARE_METATYPE(CShutdownQuery::TParamsPtr)
