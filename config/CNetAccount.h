// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaType>
#include <QString>

// The one network account the program logs on with: for share lists, the logged-on user and
// remote shutdown. Login and domain are settings; the password is a secret that only the secret
// store or this process's memory ever holds.
struct TNetAccount
{
    QString sLogin;
    QString sDomain; // domain or workgroup; empty: the server's own
    QString sPassword;

    bool IsSet() const { return !sLogin.isEmpty(); }
    // "DOMAIN\login", or the login alone without a domain.
    QString QualifiedLogin() const
    {
        return sDomain.isEmpty() ? sLogin : sDomain + QLatin1Char('\\') + sLogin;
    }
    // Control characters could end a line of a child's input early; '%' would split a Samba
    // user name into user and password.
    bool IsSafe() const
    {
        for (const QString *pText : {&sLogin, &sDomain, &sPassword}) {
            for (const QChar c : *pText) {
                if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                    return false;
            }
        }
        return !sLogin.contains(QLatin1Char('%')) && !sDomain.contains(QLatin1Char('%'));
    }
};

Q_DECLARE_METATYPE(TNetAccount)
