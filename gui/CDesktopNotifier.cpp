// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDesktopNotifier.h"

#include "GuiLog.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kCallTimeoutMs = 5000;
constexpr int kMaxMessageChars = 1000;

} // namespace

CDesktopNotifier::CDesktopNotifier(QObject *i_pParent)
    : QObject(i_pParent)
{
}

void CDesktopNotifier::OnEvents(CInventoryEvents i_lEvents)
{
    QStringList lsLines;
    int nTold = 0;
    for (const CInventoryEvent &oEvent : qAsConst(i_lEvents)) {
        QString sLine;
        if (oEvent.sKind == QLatin1String("new")) {
            sLine = oEvent.sMac.isEmpty()
                        ? tr("New device: %1").arg(oEvent.sIp)
                        : tr("New device: %1 (%2)").arg(oEvent.sIp, oEvent.sMac.toUpper());
        } else if (oEvent.sKind == QLatin1String("mac-changed")) {
            sLine = tr("%1 answers with another MAC: %2 (was %3)")
                        .arg(oEvent.sIp, oEvent.sNew.toUpper(), oEvent.sOld.toUpper());
        } else {
            continue;
        }
        ++nTold;
        if (lsLines.size() < kMaxLines)
            lsLines << sLine.toHtmlEscaped();
    }
    if (nTold == 0)
        return;
    if (nTold > lsLines.size())
        lsLines << tr("and %1 more").arg(nTold - lsLines.size());

    Send(tr("Changes on the network"), lsLines.join(QLatin1Char('\n')));
}

void CDesktopNotifier::OnRecordFailed(QString i_sMessage)
{
    qCWarning(lcGui) << "scan not recorded:" << i_sMessage;
    Send(tr("The scan was not recorded"), i_sMessage.left(kMaxMessageChars).toHtmlEscaped());
}

void CDesktopNotifier::Send(const QString &i_sSummary, const QString &i_sBody)
{
    QDBusConnection oBus = QDBusConnection::sessionBus();
    if (!oBus.isConnected() || !oBus.interface()
        || !oBus.interface()->isServiceRegistered(kService).value()) {
        qCDebug(lcGui) << "no desktop notification service:" << i_sSummary << "not shown";
        return;
    }
    QDBusMessage oCall =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    oCall << QStringLiteral("Vistrel") << 0u << QStringLiteral("vistrel") << i_sSummary << i_sBody
          << QStringList() << QVariantMap() << -1;
    oBus.asyncCall(oCall, kCallTimeoutMs);
}
