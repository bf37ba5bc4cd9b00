// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanItem.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class VResultsBackend;

// Keeps "vistrel_Favorites.bin" in the home folder in step with the Favorites model. The file is
// the results XML of every entry (hidden ones too); no entry means no file.
//
// Besides the save at exit, every change of the list is written once the event loop next runs,
// through a temporary file that replaces the old one only when complete, so neither a crash nor
// a killed process loses an edit or leaves half a file. Bursts (a rescan of the list) are
// written at most once per kMinGapMs, and a list that came back to what the file holds is not
// written at all. Nothing is written before Watch(), SaveNow() included, so neither the sorting
// done while the window is set up nor an exit before the load can replace a file not yet read.
// A file that exists but cannot be read is left for the user to repair until the list has
// entries to write over it; an empty list does not delete it.
//
// Write failures are logged, never shown. Owned by the main window; main thread only. The model
// must outlive this object or be destroyed first (the pointer is guarded).
class CFavoritesFile final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CFavoritesFile)

public:
    static constexpr int kMinGapMs = 200;

    explicit CFavoritesFile(QObject *i_pParent = nullptr);
    ~CFavoritesFile() override;

    static QString Path();
    // The entries of the file. False, silently apart from a log line, when it is missing,
    // unreadable or malformed.
    static bool Read(QList<CScanItem> *o_plItems);
    // Read() for the file this object keeps; remembers a file that is there but unreadable.
    bool Load(QList<CScanItem> *o_plItems);

    // Starts saving after changes of the model; what the model holds now counts as saved.
    void Watch(VResultsBackend *i_pModel);
    // Writes the model's entries now, or removes the file when there are none.
    bool SaveNow();
    bool SavePending() const { return m_oTimer.isActive(); }

public slots:
    // Something may have changed the list: written soon if it did.
    void ScheduleSave();

private:
    void SaveIfChanged();
    QByteArray CurrentXml() const;
    bool Write(const QByteArray &i_baXml);

    QPointer<VResultsBackend> m_pModel;
    QTimer m_oTimer;
    QElapsedTimer m_oSinceSave;
    QByteArray m_baSavedDigest;
    bool m_fKeepUnreadFile = false;
};
