// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CShutdownQuery.h"
#include "VSettingsDialog.h"

#include <memory>
#include <utility>

class IPasswordStore;
class QShowEvent;

namespace Ui {
class VRemoteShutdown;
}

// The "Shutdown options" dialog: account, time-out, message, force and reboot. Lives on the user
// interface thread; it is shown without a nested event loop and answers with ShutdownSpecified
// when the user confirms. Settings go through the last CCfg received; the password goes only to
// the password store (never to the settings), or nowhere when there is no store.
class VRemoteShutdown final : public VSettingsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(VRemoteShutdown)

public:
    static constexpr quint32 kMaxTimeoutSec = 315360000; // ten years of 365 days
    static constexpr int kMaxMessageLength = 1023;

    // i_pPasswordStore (may be null, not owned) must outlive the dialog.
    explicit VRemoteShutdown(IPasswordStore *i_pPasswordStore = nullptr,
                             QWidget *i_pParent = nullptr);
    ~VRemoteShutdown() override;

    // A message longer than kMaxMessageLength keeps its first 1,020 characters and gets "...".
    static QString PrepareMessage(const QString &i_sMessage);

signals:
    void ShutdownSpecified(CShutdownQuery::TParamsPtr i_pShutdownOptions);

public slots:
    void OnLanguageChanged();
    void DisplayUi();
    void AssignCfg(CCfg i_oCfg) { OnCfg(std::move(i_oCfg)); }
    void UpdateControls(int i_nUseLogin);
    void OnOk();

protected:
    void showEvent(QShowEvent *i_pEvent) override;

private slots:
    void OnPasswordRead(const QString &i_sKey, const QString &i_sPassword, bool i_fFound);

private:
    std::unique_ptr<Ui::VRemoteShutdown> m_pUi;
    IPasswordStore *m_pPasswordStore;
};
