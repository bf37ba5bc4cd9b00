// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Runs an action that may open a modal message box, answers the box (with Ok, or by clicking
// the button given) and reports its title and text. Polls at most kPolls times, so an action that
// opens nothing ends.
namespace GuiTest {

struct TMessageBox
{
    bool fShown = false;
    QString sTitle;
    QString sText;
};

inline TMessageBox CatchMessageBox(const std::function<void()> &i_fnAction,
                                   QMessageBox::StandardButton i_eAnswer = QMessageBox::Ok)
{
    constexpr int kPolls = 300;
    TMessageBox oBox;
    int nPolls = 0;
    QTimer oTimer;
    oTimer.setInterval(10);
    QObject::connect(&oTimer, &QTimer::timeout, &oTimer, [&]() {
        auto *pBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (pBox && !oBox.fShown) {
            oBox.fShown = true;
            oBox.sTitle = pBox->windowTitle();
            oBox.sText = pBox->text();
            if (i_eAnswer != QMessageBox::Ok && pBox->button(i_eAnswer))
                pBox->button(i_eAnswer)->click();
            else
                pBox->done(QMessageBox::Ok);
        }
        if (oBox.fShown || ++nPolls >= kPolls)
            oTimer.stop();
    });
    oTimer.start();
    i_fnAction();
    oTimer.stop();
    return oBox;
}

} // namespace GuiTest
