// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CCfg.h"
#include "CDialogGeometry.h"

#include <QDialog>

// A dialog of the windowed program that works on the settings: it reads and writes them through
// the last configuration handed to OnCfg() and keeps its place and size under "State/<name>/Rect"
// (CDialogGeometry: put back when shown, stored whenever OK, Cancel, Escape or the close button
// hides it). GUI thread only.
class VSettingsDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(VSettingsDialog)

public:
    // i_sName names the geometry's key: "Options" keeps it under "State/Options/Rect".
    explicit VSettingsDialog(const QString &i_sName,
                             QWidget *i_pParent = nullptr,
                             Qt::WindowFlags i_eFlags = Qt::WindowFlags());

public slots:
    void OnCfg(CCfg i_oCfg);

protected:
    CCfg &Cfg() { return m_oCfg; }
    const CCfg &Cfg() const { return m_oCfg; }

private:
    CCfg m_oCfg;
    CDialogGeometry m_oGeometry;
};
