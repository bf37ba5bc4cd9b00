// SPDX-License-Identifier: GPL-3.0-or-later
#include "CCopyMenu.h"

#include "CScanItem.h"
#include "VResultsBackend.h"

#include <QCoreApplication>
#include <QMenu>
#include <QSignalMapper>
#include <QStringList>

#include <optional>

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
                                  oResult.HasMac() ? MacToText(oResult.mac(), true) : QString(),
                                  oResult.user(),
                                  i_oItem.comments()};
    if (i_nField == kAll)
        return lsFields.join(QLatin1Char('\t'));
    if (i_nField < 1 || i_nField > lsFields.size())
        return QString();
    return lsFields.at(i_nField - 1);
}

QString CCopyMenu::Rows(const VResultsBackend &i_oModel, const QVector<int> &i_vRows, int i_nField)
{
    if (i_nField < kAll || i_nField > kFieldCount)
        return QString();
    QStringList lsLines;
    if (i_nField == kAll) {
        QStringList lsTitles;
        for (int nColumn = 0; nColumn < kFieldCount; ++nColumn)
            lsTitles << VResultsBackend::ColumnTitle(nColumn);
        lsLines << lsTitles.join(QLatin1Char('\t'));
    } else {
        lsLines << VResultsBackend::ColumnTitle(i_nField - 1);
    }
    for (const int nRow : i_vRows) {
        const std::optional<CScanItem> oItem = i_oModel.ItemAt(nRow);
        if (!oItem)
            continue;
        lsLines << Text(*oItem, i_nField);
        // Web pages, FTP, ports and shares go with their host, as the tree shows them.
        const QModelIndex oHost = i_oModel.index(nRow, 0);
        for (int nChild = 0; nChild < i_oModel.rowCount(oHost); ++nChild) {
            QStringList lsCells;
            for (int nColumn = 0; nColumn < kFieldCount; ++nColumn) {
                if (i_nField == kAll || nColumn == i_nField - 1)
                    lsCells << i_oModel.index(nChild, nColumn, oHost).data().toString();
            }
            // A child row with nothing in the copied fields adds no line.
            if (!lsCells.join(QString()).isEmpty())
                lsLines << lsCells.join(QLatin1Char('\t'));
        }
    }
    return lsLines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}
