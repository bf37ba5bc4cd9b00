// SPDX-License-Identifier: GPL-3.0-or-later
#include "CScanFragment.h"

#include <QSharedData>

class CScanFragmentData : public QSharedData
{
public:
    qint32 nKind = 0;
    qint32 nPort = 0;
    QString sText;
    CScanItem oItem;
};

CScanFragment::CScanFragment()
    : d(new CScanFragmentData)
{
}

CScanFragment::CScanFragment(qint32 i_nKind,
                             qint32 i_nPort,
                             const QString &i_sText,
                             const CScanItem &i_oItem)
    : d(new CScanFragmentData)
{
    d->nKind = i_nKind;
    d->nPort = i_nPort;
    d->sText = i_sText;
    d->oItem = i_oItem;
}

CScanFragment::CScanFragment(const CScanFragment &i_oOther) = default;
CScanFragment &CScanFragment::operator=(const CScanFragment &i_oOther) = default;
CScanFragment::~CScanFragment() = default;

qint32 CScanFragment::kind() const
{
    return d->nKind;
}
void CScanFragment::set_kind(qint32 i_nKind)
{
    d->nKind = i_nKind;
}
qint32 CScanFragment::port() const
{
    return d->nPort;
}
void CScanFragment::set_port(qint32 i_nPort)
{
    d->nPort = i_nPort;
}
QString CScanFragment::text() const
{
    return d->sText;
}
void CScanFragment::set_text(const QString &i_sText)
{
    d->sText = i_sText;
}
CScanItem CScanFragment::item() const
{
    return d->oItem;
}
void CScanFragment::set_item(const CScanItem &i_oItem)
{
    d->oItem = i_oItem;
}
