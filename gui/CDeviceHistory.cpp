// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDeviceHistory.h"

#include "CInventoryStore.h"
#include "CScanInventory.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHostAddress>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QSysInfo>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QString Escaped(const QString &i_sText)
{
    return i_sText.toHtmlEscaped();
}

QString TimeText(const QDateTime &i_oTime)
{
    return i_oTime.isValid() ? QLocale().toString(i_oTime.toLocalTime(), QLocale::ShortFormat)
                             : QString();
}

QString IpText(const CScanResult &i_oHost)
{
    return QHostAddress(i_oHost.ip()).toString();
}

} // namespace

CDeviceHistory::CDeviceHistory(CScanInventory *i_pInventory, QWidget *i_pWindow)
    : m_pInventory(i_pInventory)
    , m_pWindow(i_pWindow)
{
}

CDeviceHistory::~CDeviceHistory() = default;

QString CDeviceHistory::MacText(const CScanResult &i_oHost)
{
    const QByteArray baMac = i_oHost.mac();
    if (baMac.size() != 6 || baMac == QByteArray(6, '\0'))
        return QString();
    return QString::fromLatin1(baMac.toHex(':'));
}

QString CDeviceHistory::KindText(const QString &i_sKind)
{
    const QHash<QString, QString> hKinds = {
        {QStringLiteral("new"), tr("new")},
        {QStringLiteral("gone"), tr("gone")},
        {QStringLiteral("back"), tr("back")},
        {QStringLiteral("ip-changed"), tr("address changed")},
        {QStringLiteral("mac-changed"), tr("MAC changed")},
        {QStringLiteral("name-changed"), tr("name changed")},
        {QStringLiteral("services-changed"), tr("services changed")},
    };
    return hKinds.value(i_sKind, i_sKind);
}

void CDeviceHistory::AddEntries(QMenu *io_pMenu, const CScanResult &i_oHost)
{
    io_pMenu->addSeparator();
    QAction *pHistory = io_pMenu->addAction(tr("History..."));
    pHistory->setObjectName(QStringLiteral("act_device_history"));
    connect(pHistory, &QAction::triggered, this, [this, i_oHost]() { ShowHistory(i_oHost); });
    QAction *pForget = io_pMenu->addAction(tr("Forget this device"));
    pForget->setObjectName(QStringLiteral("act_forget_device"));
    connect(pForget, &QAction::triggered, this, [this, i_oHost]() { Forget(i_oHost); });
}

QString CDeviceHistory::HistoryHtml(const CScanResult &i_oHost) const
{
    QString sError;
    if (!m_pInventory->EnsureOpen(&sError))
        return QStringLiteral("<p>%1</p>").arg(Escaped(sError));
    CInventoryStore::TDeviceHistory oHistory;
    if (!m_pInventory->Store()->DeviceHistory(
            QSysInfo::machineHostName(), IpText(i_oHost), MacText(i_oHost), &oHistory, &sError)) {
        return QStringLiteral("<p>%1</p>")
            .arg(Escaped(sError.isEmpty() ? tr("This device is not in the inventory.") : sError));
    }
    const auto Row = [](const QStringList &i_lsCells, const char *i_pTag) {
        QString sRow = QStringLiteral("<tr>");
        for (const QString &sCell : i_lsCells)
            sRow += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(i_pTag), Escaped(sCell));
        return sRow + QStringLiteral("</tr>");
    };
    const QHash<QString, QString> hStates = {
        {QStringLiteral("up"), tr("answering")},
        {QStringLiteral("missed"), tr("missed by the last scan")},
        {QStringLiteral("gone"), tr("gone")},
        {QStringLiteral("replaced"), tr("its address answers with another MAC")},
    };
    QString sHtml = QStringLiteral("<table>");
    sHtml += Row({tr("Address"), oHistory.sIp}, "td");
    sHtml += Row({tr("MAC"), oHistory.sMac.toUpper()}, "td");
    sHtml += Row({tr("Name"), oHistory.sName}, "td");
    sHtml += Row({tr("Vendor"), oHistory.sVendor}, "td");
    sHtml += Row({tr("State"), hStates.value(oHistory.sState, oHistory.sState)}, "td");
    sHtml += Row({tr("First seen"), TimeText(oHistory.oFirstSeen)}, "td");
    sHtml += Row({tr("Last seen"), TimeText(oHistory.oLastSeen)}, "td");
    sHtml += QStringLiteral("</table>");
    const auto Spans = [&](const QString &i_sTitle, const QList<CInventoryStore::TSpan> &i_lSpans) {
        QString sPart = QStringLiteral("<h4>%1</h4><table>").arg(Escaped(i_sTitle));
        sPart += Row({i_sTitle, tr("First seen"), tr("Last seen")}, "th");
        for (const CInventoryStore::TSpan &oSpan : i_lSpans)
            sPart +=
                Row({oSpan.sValue, TimeText(oSpan.oFirstSeen), TimeText(oSpan.oLastSeen)}, "td");
        return sPart + QStringLiteral("</table>");
    };
    sHtml += Spans(tr("Addresses"), oHistory.lAddresses);
    sHtml += Spans(tr("Names"), oHistory.lNames);
    sHtml += QStringLiteral("<h4>%1</h4><table>").arg(Escaped(tr("Events")));
    sHtml += Row({tr("Time"), tr("Change"), tr("Address"), tr("Before"), tr("After")}, "th");
    for (const CInventoryEvent &oEvent : qAsConst(oHistory.lEvents)) {
        sHtml += Row(
            {TimeText(oEvent.oTime), KindText(oEvent.sKind), oEvent.sIp, oEvent.sOld, oEvent.sNew},
            "td");
    }
    return sHtml + QStringLiteral("</table>");
}

void CDeviceHistory::ShowHistory(const CScanResult &i_oHost)
{
    if (!m_pDialog) {
        m_pDialog = new QDialog(m_pWindow);
        m_pDialog->setObjectName(QStringLiteral("device_history"));
        m_pDialog->resize(640, 480);
        auto *pLayout = new QVBoxLayout(m_pDialog);
        m_pText = new QTextBrowser(m_pDialog);
        m_pText->setObjectName(QStringLiteral("device_history_text"));
        m_pText->setOpenLinks(false);
        pLayout->addWidget(m_pText);
        auto *pButtons = new QDialogButtonBox(QDialogButtonBox::Close, m_pDialog);
        connect(pButtons, &QDialogButtonBox::rejected, m_pDialog.data(), &QDialog::reject);
        pLayout->addWidget(pButtons);
    }
    m_pDialog->setWindowTitle(tr("History of %1").arg(IpText(i_oHost)));
    m_pText->setHtml(HistoryHtml(i_oHost));
    m_pDialog->show();
    m_pDialog->raise();
}

bool CDeviceHistory::Forget(const CScanResult &i_oHost)
{
    const QString sIp = IpText(i_oHost);
    if (QMessageBox::question(m_pWindow,
                              tr("Forget this device"),
                              tr("Remove %1 and all its history from the inventory?").arg(sIp),
                              QMessageBox::Ok | QMessageBox::Cancel,
                              QMessageBox::Cancel)
        != QMessageBox::Ok)
        return false;
    QString sError;
    CInventoryStore::TDeviceHistory oHistory;
    const bool fKnown = m_pInventory->EnsureOpen(&sError)
                        && m_pInventory->Store()->DeviceHistory(
                            QSysInfo::machineHostName(), sIp, MacText(i_oHost), &oHistory, &sError);
    if (fKnown && m_pInventory->Store()->ForgetDevice(oHistory.nId, &sError))
        return true;
    QMessageBox::warning(m_pWindow,
                         tr("Forget this device"),
                         sError.isEmpty() ? tr("This device is not in the inventory.") : sError);
    return false;
}
