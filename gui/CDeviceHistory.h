// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanResult.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

class CScanInventory;

class QMenu;
class QTextBrowser;
class QWidget;

// A host's past as the inventory knows it: the "History..." and "Forget this device" entries of
// a host's context menu, the History dialog (addresses, names and events of the device, known
// by its MAC where the scan saw one, else by its address) and forgetting the device after
// asking. Main thread only; the dialog is a child of the window, made on first use.
class CDeviceHistory final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CDeviceHistory)

public:
    CDeviceHistory(CScanInventory *i_pInventory, QWidget *i_pWindow);
    ~CDeviceHistory() override;

    // Adds both entries for the host i_oHost.
    void AddEntries(QMenu *io_pMenu, const CScanResult &i_oHost);
    // Shows the dialog for the host; a device the store does not know is said so in it.
    void ShowHistory(const CScanResult &i_oHost);
    // Asks, then removes the device with its history; true when it was removed.
    bool Forget(const CScanResult &i_oHost);
    // The dialog, null before the first showing.
    QDialog *Dialog() const { return m_pDialog; }

    // The user's word for an event kind ("new", "mac-changed"...).
    static QString KindText(const QString &i_sKind);
    // The store's way of writing a MAC ("aa:bb:..."), empty for none.
    static QString MacText(const CScanResult &i_oHost);

private:
    QString HistoryHtml(const CScanResult &i_oHost) const;

    CScanInventory *m_pInventory;
    QWidget *m_pWindow;
    QPointer<QDialog> m_pDialog;
    QTextBrowser *m_pText = nullptr;
};
