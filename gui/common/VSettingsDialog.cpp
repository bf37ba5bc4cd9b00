// SPDX-License-Identifier: GPL-3.0-or-later
#include "VSettingsDialog.h"

#include <utility>

VSettingsDialog::VSettingsDialog(const QString &i_sName,
                                 QWidget *i_pParent,
                                 Qt::WindowFlags i_eFlags)
    : QDialog(i_pParent, i_eFlags)
    , m_oGeometry(this, m_oCfg, QStringLiteral("State/%1/Rect").arg(i_sName))
{
}

void VSettingsDialog::OnCfg(CCfg i_oCfg)
{
    m_oCfg = std::move(i_oCfg);
}
