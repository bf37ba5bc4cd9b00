// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CIpList.h"
#include "CScanItem.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class CFavoritesFile;
class CMouseRightClickTableView;
class QDate;
class QDropEvent;
class QTabWidget;
class QWidget;
class VResultsBackend;
class v_host_properties;

// The Favorites list and the files of the trees: adding hosts from the Results tree, by hand, by
// drop, paste or a loaded file, editing and removing entries, the Favorites file in the home
// folder (loaded once, then kept up to date), and saving a tree's hosts as XML, HTML or CSV. Its
// messages and file dialogs are the main window's, in the window's translation context. Owned by
// the main window, whose widgets it is handed; main thread only.
class CFavoritesController final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CFavoritesController)

public:
    CFavoritesController(QWidget *i_pWindow,
                         QTabWidget *i_pTabs,
                         CMouseRightClickTableView *i_pResults,
                         CMouseRightClickTableView *i_pFavorites);

    v_host_properties &HostProperties() const { return *m_pHostProperties; }
    void SetFavoritesModel(VResultsBackend *i_pFavorites);

    static QString FilePath();
    // Reads the Favorites file; a missing or damaged file is no error.
    void LoadFile();
    void SaveNow();
    void ScheduleSave();

    // Hosts join the Favorites: a listed address is replaced, the others added.
    void Add(const QList<CScanItem> &i_lItems);
    // The selected hosts of the Results tree, which it returns; their selection is cleared.
    QList<CScanItem> AddSelectedScanRows();
    void RemoveSelected();
    // Every address listed, each once and in order: what a scan of the Favorites tree asks.
    CIpList Addresses() const;
    // The Load command: a chosen file's hosts join the Favorites, shown at once; entries already
    // listed keep their comments and MAC; a file that cannot be read is reported and adds
    // nothing.
    void ChooseAndImport();
    bool Import(const QString &i_sPath);
    void Drop(QDropEvent *i_pEvent, bool &io_fDropped);
    void Paste(const QByteArray &i_baData);
    void NewEntry();
    void EditCurrent();
    QString HostPropertiesTitle() const;

    // Asks for a file name (in the folder of the last save, a name with the day's date) and saves
    // the view's hosts (all, or the selected ones); a name without extension takes the chosen
    // file type's.
    void SaveRows(CMouseRightClickTableView *i_pView, bool i_fSelectionOnly);
    static QString SuggestedSavePath(const QDate &i_oDate);
    // i_sPath, with the first "*.ext" of the dialog filter i_sFilter appended when it has no
    // extension of its own.
    static QString WithFilterExtension(const QString &i_sPath, const QString &i_sFilter);
    // HTML or CSV for names ending in ".html" or ".csv" in any case, else results XML. An empty
    // string on success, else the message to show; a failed save leaves an existing file as it
    // was.
    static QString SaveRowsToFile(CMouseRightClickTableView *i_pView,
                                  const QString &i_sPath,
                                  bool i_fSelectionOnly);

private:
    void ShowHostProperties(const CScanItem &i_oItem, bool i_fAdd);

    QWidget *m_pWindow;
    QTabWidget *m_pTabs;
    CMouseRightClickTableView *m_pResults;
    CMouseRightClickTableView *m_pFavorites;
    v_host_properties *m_pHostProperties; // child of the window
    CFavoritesFile *m_pFile;              // child of the window
};
