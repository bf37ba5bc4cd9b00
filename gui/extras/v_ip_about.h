// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class v_ip_about;
}

// The About box: version and the maker's web site. Built with the main window as parent for
// one exec(); a click on the web site link is reported as BannerClicked() and not followed here.
class v_ip_about final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(v_ip_about)

public:
    explicit v_ip_about(QWidget *i_pParent = nullptr);
    ~v_ip_about() override;

signals:
    void BannerClicked();

public slots:
    void OnLanguageChanged();

protected:
    void closeEvent(QCloseEvent *i_pEvent) override;

private slots:
    void OnBannerClicked();

private:
    void FillVersion();

    std::unique_ptr<Ui::v_ip_about> m_pUi;
};
