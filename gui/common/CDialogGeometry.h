// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class CCfg;
class QEvent;
class QWidget;

// Keeps a dialog's place and size in the settings under one key ("State/Options/Rect" and the
// like): put back each time the dialog is shown, stored each time the program hides it, so OK,
// Cancel, Escape, the title bar's close button and a plain hide() all keep it. Minimising is the
// window system's hide and stores nothing. A stored place that no screen shows any more (a monitor
// unplugged since) gives the size only and leaves the place to the window system.
//
// Make it a member of the dialog declared after the settings handle it reads: it is destroyed
// first, so the dialog's own destruction never reaches a handle that is gone. The handle is read
// at each show and hide, so a dialog that is handed new settings needs nothing more.
// GUI thread only.
class CDialogGeometry final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(CDialogGeometry)

public:
    CDialogGeometry(QWidget *i_pDialog, CCfg &i_oCfg, QString i_sKey);

protected:
    bool eventFilter(QObject *i_pWatched, QEvent *i_pEvent) override;

private:
    void Restore();
    void Store();

    QWidget *const m_pDialog;
    CCfg &m_oCfg;
    const QString m_sKey;
};
