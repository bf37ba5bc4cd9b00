// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

// A place for secrets that is not the settings file. Lives on the thread that created it; answers
// arrive later, as signals on that thread. Failures are reported, never papered over by writing
// the secret somewhere less safe.
class IPasswordStore : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(IPasswordStore)

public:
    ~IPasswordStore() override = default;

    // Answers with EmitPasswordRead; i_fFound is false when the store has no entry or no store is
    // available.
    virtual void Read(const QString &i_sKey) = 0;
    // Stores the password; an empty one removes the entry. Answers with EmitWriteDone.
    virtual void Write(const QString &i_sKey, const QString &i_sPassword) = 0;

signals:
    void EmitPasswordRead(const QString &i_sKey, const QString &i_sPassword, bool i_fFound);
    void EmitWriteDone(const QString &i_sKey, bool i_fStored);

protected:
    explicit IPasswordStore(QObject *i_pParent = nullptr)
        : QObject(i_pParent)
    {
    }
};
