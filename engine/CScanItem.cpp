// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanItem.h"

CScanItem::CScanItem(const CScanResult &i_oResult, const QString &i_sComments)
    : m_oResult(i_oResult)
    , m_sComments(i_sComments)
{
}
