// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "IPasswordStore.h"

#include <QHash>
#include <QTimer>

// Stands in for the desktop's secret store: answers later on the event loop, as the real one does.
class CMemoryPasswordStore final : public IPasswordStore
{
    Q_OBJECT

public:
    bool fAvailable = true;
    QHash<QString, QString> mEntries;

    void Read(const QString &i_sKey) override
    {
        const bool fFound = fAvailable && mEntries.contains(i_sKey);
        const QString sPassword = mEntries.value(i_sKey);
        QTimer::singleShot(0, this, [this, i_sKey, sPassword, fFound] {
            emit EmitPasswordRead(i_sKey, sPassword, fFound);
        });
    }

    void Write(const QString &i_sKey, const QString &i_sPassword) override
    {
        if (fAvailable) {
            if (i_sPassword.isEmpty())
                mEntries.remove(i_sKey);
            else
                mEntries.insert(i_sKey, i_sPassword);
        }
        const bool fOk = fAvailable;
        QTimer::singleShot(0, this, [this, i_sKey, fOk] { emit EmitWriteDone(i_sKey, fOk); });
    }
};
