// SPDX-License-Identifier: GPL-3.0-or-later
#include "v_ip_about.h"

#include "ExtrasLog.h"
#include "ui_v_ip_about.h"

#include <QCloseEvent>

v_ip_about::v_ip_about(QWidget *i_pParent)
    : QDialog(i_pParent)
    , m_pUi(std::make_unique<Ui::v_ip_about>())
{
    InitGuiExtrasResources();
    m_pUi->setupUi(this);
    FillVersion();
    connect(m_pUi->pbOk, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_pUi->lbl_website, &QLabel::linkActivated, this, &v_ip_about::OnBannerClicked);
}

v_ip_about::~v_ip_about() = default;

void v_ip_about::OnLanguageChanged()
{
    m_pUi->retranslateUi(this);
    FillVersion();
}

void v_ip_about::closeEvent(QCloseEvent *i_pEvent)
{
    i_pEvent->accept();
    hide();
}

void v_ip_about::OnBannerClicked()
{
    emit BannerClicked();
}

void v_ip_about::FillVersion()
{
    m_pUi->lbl_version->setText(m_pUi->lbl_version->text()
                                    .arg(VISTREL_VERSION_MAJOR)
                                    .arg(VISTREL_VERSION_MINOR)
                                    .arg(VISTREL_VERSION_PATCH));
}
