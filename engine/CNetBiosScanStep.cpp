// SPDX-License-Identifier: GPL-3.0-or-later
#include "CNetBiosScanStep.h"

#include "CNetBiosName.h"
#include "CNetBiosNodeStatus.h"
#include "CNetBiosQuery.h"
#include "CNetText.h"
#include "CScanResult.h"

#include <QTextCodec>
#include <QtEndian>

namespace {

constexpr int kWaitMs = 500;
constexpr int kHighAccuracyWaitMs = 3000;

QString NameText(const QByteArray &i_baName)
{
    // Looked up once: codecForName takes a global lock that 96 workers would queue on.
    static QTextCodec *const s_pCodec = QTextCodec::codecForName("IBM-866");
    const QString sName = s_pCodec ? s_pCodec->toUnicode(i_baName) : QString::fromLatin1(i_baName);
    return CNetText::CleanTrimmed(sName);
}

bool AllBytesAre(const QByteArray &i_baBytes, char i_c)
{
    for (const char c : i_baBytes) {
        if (c != i_c)
            return false;
    }
    return true;
}

} // namespace

CNetBiosScanStep::CNetBiosScanStep(const CCfg &i_oCfg)
    : m_oCfg(i_oCfg)
{
}

int CNetBiosScanStep::WaitMs() const
{
    return m_oCfg.high_accuracy() ? kHighAccuracyWaitMs : kWaitMs;
}

bool CNetBiosScanStep::Ask(quint32 i_nIp, CNetBiosNodeStatus &o_oStatus) const
{
    // A fresh querier per host, so every request of a scan carries id 0: the answer arrives
    // on this query's own socket, which is what really ties it to the question.
    CNetBiosQuery oQuery;
    return oQuery.Query(qToBigEndian(i_nIp), WaitMs(), o_oStatus);
}

void CNetBiosScanStep::Run(CScanResult &io_oResult) const
{
    CNetBiosNodeStatus oStatus;
    if (Ask(io_oResult.ip(), oStatus))
        Apply(oStatus, io_oResult);
}

void CNetBiosScanStep::Apply(const CNetBiosNodeStatus &i_oStatus, CScanResult &io_oResult)
{
    if (i_oStatus.computer_name_found())
        io_oResult.set_netbiosname(NameText(i_oStatus.computer_name()));

    if (i_oStatus.group_name_found()) {
        io_oResult.set_netbiosgroup(NameText(i_oStatus.group_name()));
    } else {
        const QList<CNetBiosName> lNames = i_oStatus.names();
        for (const CNetBiosName &oName : lNames) {
            if (oName.group()) {
                io_oResult.set_netbiosgroup(NameText(oName.name()));
                break;
            }
        }
    }

    // On the link, ARP's answer is the address's MAC: the unit id is whatever the host chose
    // to say (any adapter, or a forgery), so it only fills in where ARP found nothing. Samba's
    // nmbd sends six zero bytes and some devices six 0xFF bytes: neither is an address.
    const QByteArray baUnitId = i_oStatus.unit_id();
    const QByteArray baMac = io_oResult.mac();
    const bool fMacKnown = !AllBytesAre(baMac, '\0') && !AllBytesAre(baMac, '\xFF');
    if (i_oStatus.unit_id_present() && !fMacKnown && !AllBytesAre(baUnitId, '\0')
        && !AllBytesAre(baUnitId, '\xFF'))
        io_oResult.set_mac(baUnitId);
}
