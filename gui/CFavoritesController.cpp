// SPDX-License-Identifier: GPL-3.0-or-later
#include "CFavoritesController.h"

#include "CAtomicFile.h"
#include "CCfg.h"
#include "CFavoritesContentHandler.h"
#include "CFavoritesFile.h"
#include "CMouseRightClickTableView.h"
#include "CResultsXml.h"
#include "IpRanges.h"
#include "VResultsBackend.h"
#include "v_host_properties.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTabWidget>

namespace {

const QString kSaveFolderKey = QStringLiteral("State/SaveFolder");

VResultsBackend *ModelOf(const CMouseRightClickTableView *i_pView)
{
    return qobject_cast<VResultsBackend *>(i_pView->model());
}

} // namespace

CFavoritesController::CFavoritesController(QWidget *i_pWindow,
                                           QTabWidget *i_pTabs,
                                           CMouseRightClickTableView *i_pResults,
                                           CMouseRightClickTableView *i_pFavorites)
    : QObject(i_pWindow)
    , m_pWindow(i_pWindow)
    , m_pTabs(i_pTabs)
    , m_pResults(i_pResults)
    , m_pFavorites(i_pFavorites)
    , m_pHostProperties(new v_host_properties(i_pWindow))
    , m_pFile(new CFavoritesFile(i_pWindow))
{
}

void CFavoritesController::SetFavoritesModel(VResultsBackend *i_pFavorites)
{
    m_pHostProperties->SetFavorites(i_pFavorites);
}

QString CFavoritesController::FilePath()
{
    return CFavoritesFile::Path();
}

void CFavoritesController::LoadFile()
{
    QList<CScanItem> lItems;
    if (m_pFile->Load(&lItems))
        Add(lItems);
    // From here on every change of the list reaches the file at once, not only at exit.
    m_pFile->Watch(ModelOf(m_pFavorites));
}

CIpList CFavoritesController::Addresses() const
{
    const VResultsBackend *pModel = ModelOf(m_pFavorites);
    const QList<CScanItem> lItems = pModel ? pModel->Items() : QList<CScanItem>();
    QVector<TIpRange> vRanges;
    vRanges.reserve(lItems.size());
    for (const CScanItem &oItem : lItems)
        vRanges.append(TIpRange{oItem.result().ip(), oItem.result().ip()});
    IpRanges oRanges;
    oRanges.Assign(vRanges, true);
    return CIpList(oRanges);
}

void CFavoritesController::SaveNow()
{
    m_pFile->SaveNow();
}

void CFavoritesController::ScheduleSave()
{
    m_pFile->ScheduleSave();
}

void CFavoritesController::Add(const QList<CScanItem> &i_lItems)
{
    if (VResultsBackend *pFavorites = ModelOf(m_pFavorites))
        pFavorites->FromList(i_lItems);
}

QList<CScanItem> CFavoritesController::AddSelectedScanRows()
{
    const VResultsBackend *pScan = ModelOf(m_pResults);
    const QVector<int> vRows = m_pResults->SelectedHostRows();
    if (!pScan || vRows.isEmpty())
        return {};
    const QList<CScanItem> lItems = pScan->RetrieveRowsData(vRows);
    if (lItems.isEmpty())
        return {};
    Add(lItems);
    m_pResults->clearSelection();
    return lItems;
}

void CFavoritesController::RemoveSelected()
{
    VResultsBackend *pFavorites = ModelOf(m_pFavorites);
    const QVector<int> vRows = m_pFavorites->SelectedHostRows();
    if (pFavorites && !vRows.isEmpty())
        pFavorites->DeleteSelectedRows(vRows);
}

void CFavoritesController::ChooseAndImport()
{
    const QString sPath =
        QFileDialog::getOpenFileName(m_pWindow,
                                     QCoreApplication::translate("v_main", "Open"),
                                     QDir::homePath(),
                                     QCoreApplication::translate("v_main", "Xml files (*.xml)"));
    if (!sPath.isEmpty())
        Import(sPath);
}

bool CFavoritesController::Import(const QString &i_sPath)
{
    QList<CScanItem> lItems;
    QString sError;
    if (!CFavoritesContentHandler::ReadItemsFromFile(i_sPath, &lItems, &sError)) {
        QMessageBox::warning(m_pWindow, QCoreApplication::translate("v_main", "Load"), sError);
        return false;
    }
    // What the user wrote into an entry already listed outlives a load: the file brings the scan
    // data, never a loss of comments or of a MAC typed by hand.
    if (const VResultsBackend *pFavorites = ModelOf(m_pFavorites)) {
        QHash<quint32, const CScanItem *> oListed;
        for (const CScanItem &oItem : pFavorites->Items())
            oListed.insert(oItem.result().ip(), &oItem);
        for (CScanItem &oItem : lItems) {
            const CScanItem *pListed = oListed.value(oItem.result().ip());
            if (!pListed)
                continue;
            if (!pListed->comments().isEmpty())
                oItem.set_comments(pListed->comments());
            if (pListed->result().HasMac() && !oItem.result().HasMac())
                oItem.result().set_mac(pListed->result().mac());
        }
    }
    m_pTabs->setCurrentIndex(1);
    Add(lItems);
    return true;
}

void CFavoritesController::Drop(QDropEvent *i_pEvent, bool &io_fDropped)
{
    if (!io_fDropped)
        m_pFavorites->OnDropEvent(i_pEvent, io_fDropped);
}

void CFavoritesController::Paste(const QByteArray &i_baData)
{
    QList<CScanItem> lItems;
    if (CFavoritesContentHandler::ReadItems(i_baData, &lItems))
        Add(lItems);
}

QString CFavoritesController::HostPropertiesTitle() const
{
    return m_pHostProperties->IsAddMode()
               ? QCoreApplication::translate("v_main", "Add to \"Favorites\"")
               : QCoreApplication::translate("v_main", "Edit \"Favorites\" item");
}

void CFavoritesController::ShowHostProperties(const CScanItem &i_oItem, bool i_fAdd)
{
    m_pHostProperties->hide();
    m_pHostProperties->SetData(i_oItem, i_fAdd ? QString() : i_oItem.comments());
    m_pHostProperties->SetAddMode(i_fAdd);
    m_pHostProperties->setWindowTitle(HostPropertiesTitle());
    m_pHostProperties->show();
    m_pHostProperties->raise();
    m_pHostProperties->activateWindow();
}

void CFavoritesController::NewEntry()
{
    ShowHostProperties(CScanItem(), true);
}

void CFavoritesController::EditCurrent()
{
    QModelIndex oCurrent = m_pFavorites->currentIndex();
    while (oCurrent.parent().isValid())
        oCurrent = oCurrent.parent();
    if (!oCurrent.isValid())
        return;
    const VResultsBackend *pFavorites = ModelOf(m_pFavorites);
    const QList<CScanItem> lItems =
        pFavorites ? pFavorites->RetrieveRowsData({oCurrent.row()}) : QList<CScanItem>();
    if (lItems.size() == 1)
        ShowHostProperties(lItems.first(), false);
}

void CFavoritesController::SaveRows(CMouseRightClickTableView *i_pView, bool i_fSelectionOnly)
{
    QString sFilter;
    QString sPath = QFileDialog::getSaveFileName(
        m_pWindow,
        QCoreApplication::translate("v_main", "Save"),
        SuggestedSavePath(QDate::currentDate()),
        QCoreApplication::translate("v_main", "XML (*.xml);;HTML (*.html);;CSV (*.csv)"),
        &sFilter);
    if (sPath.isEmpty())
        return;
    sPath = WithFilterExtension(sPath, sFilter);
    CCfg().SetValue(kSaveFolderKey, QFileInfo(sPath).absolutePath());
    const QString sError = SaveRowsToFile(i_pView, sPath, i_fSelectionOnly);
    if (!sError.isEmpty())
        QMessageBox::warning(m_pWindow, QCoreApplication::translate("v_main", "Save"), sError);
}

QString CFavoritesController::SuggestedSavePath(const QDate &i_oDate)
{
    QString sFolder = CCfg().Value(kSaveFolderKey).toString();
    if (sFolder.isEmpty() || !QDir(sFolder).exists())
        sFolder = QDir::homePath();
    // No extension: the file type chosen in the dialog adds its own.
    return QDir(sFolder).filePath(QStringLiteral("vistrel-%1").arg(i_oDate.toString(Qt::ISODate)));
}

QString CFavoritesController::WithFilterExtension(const QString &i_sPath, const QString &i_sFilter)
{
    if (!QFileInfo(i_sPath).suffix().isEmpty())
        return i_sPath;
    static const QRegularExpression oPattern(QStringLiteral("\\*(\\.[A-Za-z0-9]+)"));
    const QRegularExpressionMatch oMatch = oPattern.match(i_sFilter);
    return oMatch.hasMatch() ? i_sPath + oMatch.captured(1).toLower() : i_sPath;
}

QString CFavoritesController::SaveRowsToFile(CMouseRightClickTableView *i_pView,
                                             const QString &i_sPath,
                                             bool i_fSelectionOnly)
{
    CAtomicFile oFile(i_sPath);
    if (!oFile.Open())
        return QCoreApplication::translate("v_main", "Cannot open the file for writing");
    const VResultsBackend *pModel = ModelOf(i_pView);
    QString sXsl;
    if (i_sPath.endsWith(QLatin1String(".html"), Qt::CaseInsensitive))
        sXsl = QStringLiteral("xml_to_html.xsl");
    else if (i_sPath.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        sXsl = QStringLiteral("xml_to_csv.xsl");
    i_pView->Lock();
    QString sText;
    if (pModel && pModel->ItemCount() > 0) {
        const QVector<int> vRows = i_fSelectionOnly ? i_pView->SelectedHostRows() : QVector<int>();
        sText = CResultsXml::Export(pModel->ItemsForExport(vRows, false), sXsl, pModel->ScanInfo());
    }
    i_pView->Unlock();
    // Through a temporary file: a failed or empty save leaves an older file as it was.
    if (sText.isEmpty()) {
        oFile.Discard();
        return QCoreApplication::translate("v_main", "No data to be saved");
    }
    if (!oFile.Write(sText.toUtf8()) || !oFile.Commit())
        return QCoreApplication::translate("v_main", "Cannot open the file for writing");
    return QString();
}
