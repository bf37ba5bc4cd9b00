// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"

#include <QObject>

// Owns the program's configuration handle and broadcasts it. Lives on the main thread.
class MCfg final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(MCfg)

public:
    explicit MCfg(QObject *i_pParent = nullptr);

    CCfg Cfg() const { return m_oCfg; }

signals:
    void EmitCfg(CCfg i_oCfg);

public slots:
    void RequestCfgBroadcast();

private:
    CCfg m_oCfg;
};
