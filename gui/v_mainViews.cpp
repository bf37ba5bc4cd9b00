// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's views and range box: column states and their header menu, sorting, the
// status filter, selections kept across re-layouts, the keys of the trees, the range box's
// reading, history, file references and subnet commands; the search box, the status line, the
// About box, banner and language menu.
#include "CColumnStates.h"
#include "CCopyMenu.h"
#include "CFavoritesContentHandler.h"
#include "CFavoritesController.h"
#include "CFavoritesFile.h"
#include "CHostActions.h"
#include "CLocalSubnets.h"
#include "CLocalizations.h"
#include "CMenuHeaderView.h"
#include "CMouseRightClickTableView.h"
#include "CRangeBoxText.h"
#include "CResultImages.h"
#include "CScanSession.h"
#include "CViewStateKeeper.h"
#include "GuiLog.h"
#include "IpRangeReaders.h"
#include "MIpMacDataStorage.h"
#include "MScanSrcDataHistory.h"
#include "VBanner.h"
#include "VResultsBackend.h"
#include "ui_v_main.h"
#include "v_host_properties.h"
#include "v_ip_about.h"
#include "v_main.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <limits>

void v_main::FitNameColumns()
{
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        // The page not shown has not been laid out yet: its turn comes when it is first shown.
        if (pView->isVisible())
            FitNameColumn(pView);
    }
}

void v_main::FitNameColumn(CMouseRightClickTableView *i_pView)
{
    if (!m_lpFittedViews.contains(i_pView))
        m_lpFittedViews.append(i_pView);
    // Once per view, when first shown after the program handed the models their rows.
    const bool fFitContent = m_fRowsProvided && !m_lpContentFitted.contains(i_pView);
    if (fFitContent)
        m_lpContentFitted.append(i_pView);
    QHeaderView *pHeader = i_pView->header();
    if (pHeader->count() < 2)
        return;
    // The name column takes the width the others leave, at every window size (maximised too).
    pHeader->setSectionResizeMode(1, QHeaderView::Stretch);
    const int nNameMin =
        std::max(pHeader->sectionSizeHint(1),
                 pHeader->fontMetrics().horizontalAdvance(QString(20, QLatin1Char('x'))));
    const int nAvailable = i_pView->viewport()->width();
    // QTreeView hides its content width; its base class's public one is the same function.
    const auto Others = [pHeader]() {
        int nSum = 0;
        for (int nSection = 0; nSection < pHeader->count(); ++nSection) {
            if (nSection != 1 && !pHeader->isSectionHidden(nSection))
                nSum += pHeader->sectionSize(nSection);
        }
        return nSum;
    };
    const auto ContentWidth = [pHeader, i_pView](int i_nSection) {
        return std::max(
            pHeader->sectionSizeHint(i_nSection),
            static_cast<const QAbstractItemView *>(i_pView)->sizeHintForColumn(i_nSection));
    };
    // A column that cuts what its rows hold when first shown (the Favorites from their file)
    // widens to show it, from the left, as far as the names keep their room; widths kept from
    // the last exit are a starting point, not a limit. The name column takes what is left over.
    for (int nSection = 0; fFitContent && nSection < pHeader->count(); ++nSection) {
        if (nSection == 1 || pHeader->isSectionHidden(nSection))
            continue;
        const int nCells =
            static_cast<const QAbstractItemView *>(i_pView)->sizeHintForColumn(nSection);
        const int nGrow =
            std::min(nCells - pHeader->sectionSize(nSection), nAvailable - Others() - nNameMin);
        if (nGrow > 0)
            pHeader->resizeSection(nSection, pHeader->sectionSize(nSection) + nGrow);
    }
    // With no widths kept from an earlier run, the room beyond the names' content is shared by
    // all shown columns rather than handed to the names alone.
    if (fFitContent && !m_lpStoredWidths.contains(i_pView)) {
        QList<int> lnShown;
        for (int nSection = 0; nSection < pHeader->count(); ++nSection) {
            if (nSection != 1 && !pHeader->isSectionHidden(nSection))
                lnShown << nSection;
        }
        const int nNames = std::max(
            nNameMin, static_cast<const QAbstractItemView *>(i_pView)->sizeHintForColumn(1));
        const int nShare = (nAvailable - Others() - nNames) / (lnShown.size() + 1);
        for (int nSection : qAsConst(lnShown)) {
            if (nShare > 0)
                pHeader->resizeSection(nSection, pHeader->sectionSize(nSection) + nShare);
        }
    }
    // Widths kept from a wider window would crush the names: columns wider than their content
    // (empty ones most of all) give up their extra room first.
    for (int nSection = pHeader->count() - 1; nSection >= 0 && nAvailable - Others() < nNameMin;
         --nSection) {
        if (nSection == 1 || pHeader->isSectionHidden(nSection))
            continue;
        const int nSpare = pHeader->sectionSize(nSection) - ContentWidth(nSection);
        if (nSpare > 0)
            pHeader->resizeSection(nSection,
                                   pHeader->sectionSize(nSection)
                                       - std::min(nSpare, nNameMin - (nAvailable - Others())));
    }
}

void v_main::ApplyStoredColumns()
{
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        const CColumnStateList lStates = CColumnStates::Read(m_oCfg, ColumnGroup(pView));
        CColumnStates::Apply(pView, lStates, m_oCfg);
        if (std::any_of(lStates.cbegin(), lStates.cend(), [](const CColumnState &i_oState) {
                return i_oState.width.isValid();
            }))
            m_lpStoredWidths.append(pView);
    }
}

void v_main::ApplyProbeColumns()
{
    // Turning a probe on in the options shows its columns at once, and off hides them.
    if (m_oCfg.scan_netbios() == m_fNetbiosColumns && m_oCfg.scan_username() == m_fUserColumn)
        return;
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites})
        CColumnStates::ApplyForced(pView, CColumnStates::Read(m_oCfg, ColumnGroup(pView)), m_oCfg);
    // The name column gives up or takes the room, so the row still fits the window; the view
    // of the other page follows when its page is shown.
    m_lpFittedViews.clear();
    FitNameColumns();
}

CColumnStateList v_main::CollectForStore(const CMouseRightClickTableView *i_pView) const
{
    CColumnStateList lStates = CColumnStates::Collect(i_pView);
    CColumnStates::KeepChoiceOfForced(
        lStates, CColumnStates::Read(m_oCfg, ColumnGroup(i_pView)), m_oCfg);
    return lStates;
}

void v_main::SaveColumns()
{
    CColumnStates::Save(m_oCfg, CollectForStore(ui->tvResults), CColumnStates::ScanGroup());
    CColumnStates::Save(m_oCfg, CollectForStore(ui->tvFavorites), CColumnStates::FavoritesGroup());
}

void v_main::OnEscPressed(bool &i_fProcessed)
{
    if (i_fProcessed || !m_pSession->IsScanning())
        return;
    if (m_pSession->IsPaused())
        m_pSession->Stop();
    else
        m_pSession->TogglePause();
    i_fProcessed = true;
}

void v_main::OnEnterPressed(bool &i_fProcessed)
{
    if (i_fProcessed)
        return;
    if (!m_pSession->IsScanning()) {
        on_b_scan_clicked();
        i_fProcessed = true;
    } else if (m_pSession->IsPaused()) {
        m_pSession->TogglePause();
        i_fProcessed = true;
    }
}

void v_main::OnInsPressed(bool &i_fProcessed)
{
    if (i_fProcessed || OnResultsTab())
        return;
    ui->b_add_to_favorites_new->click();
    i_fProcessed = true;
}

void v_main::OnDelPressed(bool &i_fProcessed)
{
    if (i_fProcessed || OnResultsTab())
        return;
    on_b_remove_clicked();
    i_fProcessed = true;
}

void v_main::OnContextPressed(bool &i_fProcessed)
{
    if (!i_fProcessed && m_pHostActions->ContextMenuKey())
        i_fProcessed = true;
}

void v_main::OnContents(bool &i_fProcessed)
{
    if (i_fProcessed)
        return;
    OnContents();
}

void v_main::OnContents()
{
    m_pHostActions->OnContents();
}

void v_main::OnActionOptions()
{
    emit ActionOptions();
}

void v_main::OnSaveSelection(const QAbstractItemModel *i_pModel)
{
    if (CMouseRightClickTableView *pView = ViewOf(i_pModel))
        KeeperOf(pView).Save(pView);
}

void v_main::OnRestoreSelection(const QAbstractItemModel *i_pModel)
{
    if (CMouseRightClickTableView *pView = ViewOf(i_pModel))
        KeeperOf(pView).Restore(pView);
}

void v_main::OnClearSelection(const QAbstractItemModel *i_pModel)
{
    CMouseRightClickTableView *pView = ViewOf(i_pModel);
    if (!pView || !pView->selectionModel())
        return;
    pView->selectionModel()->clear();
    KeeperOf(pView).Forget();
}

void v_main::OnSelectTableRow(const QAbstractItemModel *i_pModel, int i_nRow)
{
    CMouseRightClickTableView *pView = ViewOf(i_pModel);
    if (!pView || !pView->selectionModel() || i_nRow < 0 || i_nRow >= i_pModel->rowCount())
        return;
    const QModelIndex oIndex = i_pModel->index(i_nRow, 0);
    pView->selectionModel()->setCurrentIndex(
        oIndex, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void v_main::OnSortedByColumn(int i_nColumn, Qt::SortOrder i_eOrder)
{
    ui->tvResults->header()->setSortIndicator(i_nColumn, i_eOrder);
}

void v_main::OnFavoritesSortedByColumn(int i_nColumn, Qt::SortOrder i_eOrder)
{
    ui->tvFavorites->header()->setSortIndicator(i_nColumn, i_eOrder);
}

void v_main::OnExpandAll()
{
    CMouseRightClickTableView *pView = CurrentView();
    pView->Lock();
    pView->expandAll();
    pView->Unlock();
}

void v_main::OnCollapseAll()
{
    CMouseRightClickTableView *pView = CurrentView();
    pView->Lock();
    pView->collapseAll();
    pView->Unlock();
}

void v_main::OnClearScanData()
{
    if (OnResultsTab()) {
        emit ClearScanData();
        m_pSession->ClearCounts();
    } else
        emit ClearFavoritesData();
    UpdateControls();
}

void v_main::ShowFilterChanged()
{
    for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
        if (VResultsBackend *pModel = ModelOf(pView))
            pModel->Update();
    }
}

void v_main::on_act_show_alive_toggled(bool i_fOn)
{
    m_oCfg.set_show_alive(i_fOn);
    ShowFilterChanged();
}

void v_main::on_act_show_dead_toggled(bool i_fOn)
{
    m_oCfg.set_show_dead(i_fOn);
    ShowFilterChanged();
}

void v_main::on_act_show_unknown_toggled(bool i_fOn)
{
    m_oCfg.set_show_unknown(i_fOn);
    ShowFilterChanged();
}

void v_main::OnHdrContextMenu(const QMouseEvent *i_pEvent)
{
    CMouseRightClickTableView *pView = CurrentView();
    const CColumnStateList lStates = CColumnStates::Collect(pView);
    QMenu oMenu(this);
    for (const CColumnState &oState : lStates) {
        if (oState.column >= (pView->model() ? pView->model()->columnCount() : 8))
            break;
        QAction *pAction = oMenu.addAction(
            pView->model() ? pView->model()->headerData(oState.column, Qt::Horizontal).toString()
                           : QString::number(oState.column));
        pAction->setCheckable(true);
        const bool fForced = CColumnStates::IsForcedHidden(oState.column, m_oCfg);
        pAction->setChecked(oState.visible && !fForced);
        pAction->setEnabled(oState.column != 0 && !fForced);
        const int nColumn = oState.column;
        connect(
            pAction, &QAction::triggered, this, [this, nColumn]() { OnColumnVisibility(nColumn); });
    }
    oMenu.exec(i_pEvent->globalPos());
}

void v_main::OnColumnVisibility(int i_nColumn)
{
    if (i_nColumn == 0)
        return;
    CMouseRightClickTableView *pView = CurrentView();
    const QString sGroup = ColumnGroup(pView);
    CColumnStateList lStates = CollectForStore(pView);
    for (CColumnState &oState : lStates) {
        if (oState.column == i_nColumn)
            oState.visible = !oState.visible;
    }
    CColumnStates::Save(m_oCfg, lStates, sGroup);
    const int nSortSection = pView->header()->sortIndicatorSection();
    const Qt::SortOrder eSortOrder = pView->header()->sortIndicatorOrder();
    CColumnStates::Apply(pView, lStates, m_oCfg);
    pView->header()->setSortIndicator(nSortSection, eSortOrder);
    // A column turned on shows its content whole; the name column gives up the room.
    if (!pView->header()->isSectionHidden(i_nColumn)) {
        pView->resizeColumnToContents(i_nColumn);
        FitNameColumn(pView);
    }
    CColumnStates::Save(m_oCfg, CollectForStore(pView), sGroup);
}

// ---- search box and status line -------------------------------------------------------------

void v_main::SetUpSearch()
{
    // Above the trees; it filters both, within the status filters of the View menu.
    m_pSearch = new QLineEdit(this);
    m_pSearch->setObjectName(QStringLiteral("leSearch"));
    m_pSearch->setClearButtonEnabled(true);
    const int nTabs = ui->verticalLayout->indexOf(ui->tabMachineList);
    ui->verticalLayout->insertWidget(nTabs >= 0 ? nTabs : 0, m_pSearch);
    connect(m_pSearch, &QLineEdit::textChanged, this, [this](const QString &i_sText) {
        for (CMouseRightClickTableView *pView : {ui->tvResults, ui->tvFavorites}) {
            if (auto *pModel = qobject_cast<VResultsBackend *>(pView->model()))
                pModel->SetSearchText(i_sText);
        }
        UpdateRowActions();
    });
    auto *pFind = new QAction(this);
    pFind->setObjectName(QStringLiteral("act_search"));
    pFind->setShortcut(QKeySequence::Find);
    connect(pFind, &QAction::triggered, this, [this]() {
        m_pSearch->setFocus(Qt::ShortcutFocusReason);
        m_pSearch->selectAll();
    });
    ui->menuView->insertAction(ui->act_expand_all, pFind);
    ui->menuView->insertSeparator(ui->act_expand_all);
    RetranslateSearch();
}

void v_main::RetranslateSearch()
{
    m_pSearch->setPlaceholderText(
        tr("Search: address, name, MAC, vendor, NetBIOS name, user, page title"));
    if (auto *pFind = findChild<QAction *>(QStringLiteral("act_search")))
        pFind->setText(tr("&Search"));
}

void v_main::ShowStatus(const QString &i_sText)
{
    constexpr int kShownMs = 10000;
    statusBar()->showMessage(i_sText, kShownMs);
}

QString v_main::AddressList(const QList<CScanItem> &i_lItems)
{
    // A long selection is named by its first hosts and a count, so the line stays readable.
    constexpr int kNamed = 5;
    QStringList lsAddresses;
    for (int i = 0; i < i_lItems.size() && i < kNamed; ++i)
        lsAddresses << i_lItems.at(i).result().IpText();
    QString sList = lsAddresses.join(QStringLiteral(", "));
    if (i_lItems.size() > kNamed)
        sList = tr("%1 and %2 more").arg(sList).arg(i_lItems.size() - kNamed);
    return sList;
}

// ---- range box ------------------------------------------------------------------------------

bool v_main::ReadRangeText(const QString &i_sText, CIpList *o_pList)
{
    // The scan field reader knows no A/n entries, which the range check accepts: a text with
    // one would enable the Scan button and then scan nothing.
    IpRanges oRanges;
    if (i_sText.contains(QLatin1Char('/')) && ParseRangeList(i_sText, &oRanges)) {
        *o_pList = CIpList(oRanges);
        return o_pList->Count() > 0;
    }
    return o_pList->SetFromText(i_sText);
}

void v_main::RefillRangeHistory()
{
    QStringList lsHistory;
    if (m_pScanHistory)
        m_pScanHistory->OnScanHistoryRequired(lsHistory);
    const QString sText = ui->cbIpRange->currentText();
    ui->cbIpRange->clear();
    ui->cbIpRange->addItems(lsHistory);
    ui->cbIpRange->setEditText(sText);
}

bool v_main::LoadFileReference(const QString &i_sText, bool i_fRecordUse)
{
    QString sPath;
    if (!CRangeBoxText::NamesExistingFile(i_sText, &sPath))
        return false;
    IpRanges oRanges;
    QString sError;
    const bool fLoaded =
        QFileInfo(sPath).suffix() == QLatin1String("xml")
            ? CFavoritesContentHandler::ReadRangesFromFile(sPath, &oRanges, &sError)
            : LoadRangesFromFile(&oRanges, sPath, &sError);
    if (!fLoaded) {
        QMessageBox::warning(
            this, QCoreApplication::translate("Load from file", "Error occured"), sError);
        return false;
    }
    m_oRangesFromFile = oRanges;
    if (i_fRecordUse)
        emit ScanSrcDataWasUsed(CRangeBoxText::FilePrefix() + sPath);
    return true;
}

QString v_main::MySubnetsText()
{
    return CRangeBoxText::SubnetsText(CLocalSubnets::List());
}

void v_main::OnSubnetMy()
{
    ui->tabMachineList->setCurrentIndex(0);
    ui->cbIpRange->setEditText(MySubnetsText());
}

void v_main::OnSubnetC()
{
    ui->tabMachineList->setCurrentIndex(0);
    const QString sClassC = CRangeBoxText::ClassC(ui->cbIpRange->currentText());
    if (!sClassC.isEmpty())
        ui->cbIpRange->setEditText(sClassC);
}

void v_main::OnSelectIpFile()
{
    const QString sPath = QFileDialog::getOpenFileName(
        this,
        tr("Open"),
        QDir::homePath(),
        tr("Vistrel ranges (*.txt);;Xml files (*.xml);;All files (*.*)"));
    if (sPath.isEmpty())
        return;
    const QString sText = CRangeBoxText::FilePrefix() + sPath;
    ui->cbIpRange->setEditText(sText);
    CheckScanButton();
    // Checked here so that a bad file is reported before anything else; the Scan press below
    // loads it again and records the use.
    if (!LoadFileReference(sText, false))
        return;
    ui->tabMachineList->setCurrentIndex(0);
    on_b_scan_clicked();
}

// ---- About box, banner, language menu --------------------------------------------------------

void v_main::SetUpBanner()
{
    m_pBanner = new VBanner(ui->toolBar);
    m_pBanner->setObjectName(QStringLiteral("banner"));
    ui->toolBar->addWidget(m_pBanner);
    connect(m_pBanner, &VBanner::EmitClicked, m_pHostActions, &CHostActions::OnBannerClicked);
    connect(ui->act_about, &QAction::triggered, this, &v_main::OnAbout);
    LoadBanner();
    FillLanguageMenu();
}

void v_main::FillLanguageMenu()
{
    CLocalizations *pLocalizations = CLocalizations::instance();
    const QString sCurrent = pLocalizations->CurrentLocale(QStringLiteral("en_us"));
    const QMap<QString, QString> &mapLanguages = pLocalizations->Languages();
    for (auto it = mapLanguages.cbegin(); it != mapLanguages.cend(); ++it) {
        auto *pAction = new QAction(pLocalizations->MenuText(it.key()), ui->menuLanguage);
        pAction->setCheckable(true);
        pAction->setProperty("lang", it.key());
        pAction->setChecked(it.key() == sCurrent);
        m_pLanguageGroup->addAction(pAction);
        ui->menuLanguage->addAction(pAction);
    }
    ui->menuLanguage->setEnabled(!m_pLanguageGroup->actions().isEmpty());
}

void v_main::LoadBanner()
{
    const QString sCode = CLocalizations::instance()->CurrentLocale(QStringLiteral("en_us"));
    m_pBanner->SetImage(QStringLiteral("quellan_banner_%1.png").arg(sCode));
}

void v_main::OnAbout()
{
    v_ip_about oAbout(this);
    connect(&oAbout, &v_ip_about::BannerClicked, m_pHostActions, &CHostActions::OnBannerClicked);
    oAbout.setModal(true);
    oAbout.exec();
}
