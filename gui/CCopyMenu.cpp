// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCopyMenu.h"

#include "CScanItem.h"
#include "VResultsBackend.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSignalMapper>
#include <QStringList>

QMenu *CCopyMenu::AddTo(QMenu *io_pMenu, QSignalMapper *i_pMapper, bool i_fWithComments)
{
    QMenu *pCopy = io_pMenu->addMenu(QCoreApplication::translate("v_main", "Copy"));
    pCopy->setObjectName(QStringLiteral("menu_copy"));
    for (int nColumn = 0; nColumn < kFieldCount; ++nColumn) {
        if (nColumn + 1 == kCommentsField && !i_fWithComments)
            continue;
        QAction *pAction = pCopy->addAction(VResultsBackend::ColumnTitle(nColumn));
        QObject::connect(pAction, &QAction::triggered, i_pMapper, qOverload<>(&QSignalMapper::map));
        i_pMapper->setMapping(pAction, nColumn + 1);
    }
    pCopy->addSeparator();
    QAction *pAll = pCopy->addAction(QCoreApplication::translate("v_main", "All"));
    QObject::connect(pAll, &QAction::triggered, i_pMapper, qOverload<>(&QSignalMapper::map));
    i_pMapper->setMapping(pAll, kAll);
    return pCopy;
}

QString CCopyMenu::Text(const CScanItem &i_oItem, int i_nField)
{
    const CScanResult &oResult = i_oItem.result();
    const QStringList lsFields = {VResultsBackend::StatusText(oResult.status()),
                                  oResult.name(),
                                  oResult.IpText(),
                                  oResult.netbiosname(),
                                  oResult.netbiosgroup(),
                                  MacToText(oResult.mac()),
                                  oResult.user(),
                                  i_oItem.comments()};
    if (i_nField == kAll)
        return lsFields.join(QLatin1Char('\t'));
    if (i_nField < 1 || i_nField > lsFields.size())
        return QString();
    return lsFields.at(i_nField - 1);
}
