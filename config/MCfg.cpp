// SPDX-License-Identifier: GPL-3.0-or-later
#include "MCfg.h"

MCfg::MCfg(QObject *i_pParent)
    : QObject(i_pParent)
{
}

void MCfg::RequestCfgBroadcast()
{
    emit EmitCfg(m_oCfg);
}
