// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "VSettingsDialog.h"

#include <memory>

namespace Ui {
class v_options;
}
class CNetAccountSecret;
class QLineEdit;
class VNetAccountPage;

// The scan settings dialog: speed (worker threads), accuracy, resources to probe, the Ortavo
// ports and the network account. One per process, created hidden with the main window as parent and
// shown without being modal; every showing reloads the widgets from the settings of the last
// configuration received. Apply stores them through that configuration and emits CfgChanged() so
// that its owner broadcasts again. GUI thread only.
class v_options final : public VSettingsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(v_options)

public:
    explicit v_options(QWidget *i_pParent = nullptr);
    ~v_options() override;

    static constexpr int MinThreads = 32;
    static constexpr int MaxThreads = 256;
    static constexpr int PortFields = 4;

    // Where Apply keeps the account's password besides the session (not owned, may be null:
    // then in the session's memory only).
    void UseAccountSecret(CNetAccountSecret *i_pSecret);
    VNetAccountPage &AccountPage() const { return *m_pAccountPage; }

signals:
    void CfgChanged();

public slots:
    void OnLanguageChanged();

protected:
    void showEvent(QShowEvent *i_pEvent) override;

private slots:
    void on_b_ok_clicked();
    void on_c_scan_ortavo_toggled(bool i_fChecked);

private:
    void FillPageList();
    QLineEdit *PortField(int i_nIndex) const;

    std::unique_ptr<Ui::v_options> m_pUi;
    VNetAccountPage *m_pAccountPage;
    CNetAccountSecret *m_pAccountSecret = nullptr;
    bool m_fPageListFilled = false;
};
