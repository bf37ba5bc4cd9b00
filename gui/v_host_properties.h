// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CScanItem.h"
#include "VSettingsDialog.h"

#include <QByteArray>

#include <memory>

class QLineEdit;
class VResultsBackend;

namespace Ui {
class v_host_propertiesClass;
}

// The small dialog in which the user adds a host to the Favorites by hand or edits an entry: its
// address, MAC address and comment. The main window owns one, created hidden with the window as
// parent, and reuses it: hide, SetData(), SetAddMode(), set the title, show (not modal).
//
// Edits live in the dialog's own copy of the item until OK succeeds; OK adds the item to the
// Favorites model (add mode) or edits its entry there (edit mode). Bad input never leaves the
// dialog: an invalid address or an address already listed is reported in a message box and the
// dialog stays open. GUI thread only.
class v_host_properties final : public VSettingsDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(v_host_properties)

public:
    explicit v_host_properties(QWidget *i_pParent = nullptr);
    ~v_host_properties() override;

    void SetData(const CScanItem &i_oItem, const QString &i_sComment);
    void SetAddMode(bool i_fAdd);
    bool IsAddMode() const;
    const CScanItem &Item() const { return m_oItem; }
    // The Favorites model OK writes to; not owned.
    void SetFavorites(VResultsBackend *i_pFavorites) { m_pFavorites = i_pFavorites; }

    // The checks behind the colours. An address is valid when it reads as IPv4 and is not
    // 0.0.0.0 in any spelling ("0", "0.0", "00.0.0.0"). A MAC text is read by TextToMac(); one
    // that does not read gives six zero bytes, and it is valid only when it reads and is neither
    // all zeros nor all 0xFF. An empty MAC field is an entry without a MAC; other text that does
    // not read is refused with a message, as a bad address is.
    static bool ParseAddress(const QString &i_sText, quint32 *o_pnIp);
    static bool ParseMacText(const QString &i_sText, QByteArray *o_pbaMac);

public slots:
    void OnLanguageChanged();

protected:
    void showEvent(QShowEvent *i_pEvent) override;

private slots:
    void OnOk();
    void OnIpTextChanged(const QString &i_sText);
    void OnMacTextChanged(const QString &i_sText);

private:
    void FillWidgets();
    bool CheckIp(const QString &i_sText);
    bool CheckMac(const QString &i_sText);
    void UpdateOkText();
    static void SetTextColour(QLineEdit *io_pEdit, bool i_fValid);

    std::unique_ptr<Ui::v_host_propertiesClass> m_pUi;
    CScanItem m_oItem;
    VResultsBackend *m_pFavorites = nullptr;
};
