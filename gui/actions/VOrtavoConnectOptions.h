// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "EOrtavoCommand.h"
#include "VSettingsDialog.h"

#include <memory>
#include <utility>

class QShowEvent;

namespace Ui {
class v_OrtavoConnectOptionsClass;
}

// Asks for the Ortavo port before the viewer starts. Built once, on the user interface thread,
// and only shown and hidden; the port typed last is kept until the program ends. The field takes
// only a port number (1 to 65535) or nothing. OK with a port emits OptionsSpecified.
class VOrtavoConnectOptions final : public VSettingsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(VOrtavoConnectOptions)

public:
    explicit VOrtavoConnectOptions(QWidget *i_pParent = nullptr);
    ~VOrtavoConnectOptions() override;

signals:
    void OptionsSpecified(EOrtavoCommand i_eOrtavoCommand,
                          int port,
                          bool i_fInteractive,
                          quint32 i_nAddress);

public slots:
    void OnLanguageChanged();
    void AssignCfg(CCfg i_oCfg) { OnCfg(std::move(i_oCfg)); }
    void DisplayUi(EOrtavoCommand i_eOrtavoCommand,
                   int i_nPort,
                   bool i_fInteractive,
                   quint32 i_nAddress);

private slots:
    void OnOk();
    void OnTextChanged(const QString &i_sText);
    void OnCursorPosChanged(int i_nOld, int i_nNew);

protected:
    void showEvent(QShowEvent *i_pEvent) override;

private:
    std::unique_ptr<Ui::v_OrtavoConnectOptionsClass> m_pUi;
    int m_nLastCursorPos = 0;
    QString m_sPortText;
    EOrtavoCommand m_eCommand = EOrtavoCommand::FullControl;
    bool m_fInteractive = true;
    quint32 m_nAddress = 0;
};
