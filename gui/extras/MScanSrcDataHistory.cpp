// SPDX-License-Identifier: GPL-3.0-or-later
#include "MScanSrcDataHistory.h"

#include <algorithm>
#include <limits>

namespace {

const QString HistoryKey = QStringLiteral("State/IpRangesMruList");
constexpr quint32 LastUsedMark = 1;
// Counts above this would overflow the weight; such a value is no real count anyway.
constexpr quint32 MaxWeight = std::numeric_limits<quint32>::max() - 3;

quint32 Grow(quint32 i_nWeight, quint32 i_nBy)
{
    return i_nWeight > MaxWeight ? i_nWeight : i_nWeight + i_nBy;
}

} // namespace

MScanSrcDataHistory::MScanSrcDataHistory(QObject *i_pParent)
    : QObject(i_pParent)
{
}

MScanSrcDataHistory::~MScanSrcDataHistory()
{
    // Without a configuration the stored history was never read; writing the empty list would
    // erase it.
    if (m_fLoaded)
        Save();
}

void MScanSrcDataHistory::OnScanHistoryRequired(QStringList &i_lsSrcData)
{
    i_lsSrcData.clear();
    for (const TEntry &oEntry : qAsConst(m_lEntries))
        i_lsSrcData << oEntry.sText;
}

void MScanSrcDataHistory::OnScanSrcDataWasUsed(QString i_rsText)
{
    // The text is compared as given and stored trimmed: " A " is not a use of "A" but a new
    // entry that reads "A". Both then count their own uses.
    const QString sText = i_rsText.trimmed();
    // The stored form is one text per line: a line break would shift every later pair.
    if (sText.isEmpty() || sText.contains(QLatin1Char('\n')) || sText.contains(QLatin1Char('\r')))
        return;
    bool fFound = false;
    for (TEntry &oEntry : m_lEntries) {
        if (!fFound && oEntry.sText == i_rsText) {
            fFound = true;
            // One more use; the mark is set, or kept when this entry was already the last used.
            oEntry.nWeight = Grow(oEntry.nWeight | LastUsedMark, 2);
        } else {
            oEntry.nWeight &= ~LastUsedMark;
        }
    }
    if (!fFound)
        m_lEntries.append({sText, 2 + LastUsedMark});
    std::stable_sort(m_lEntries.begin(), m_lEntries.end(), [](const TEntry &a, const TEntry &b) {
        return a.nWeight > b.nWeight;
    });
    // Stored at once as well as at exit: a program that is killed later keeps today's ranges.
    if (m_fLoaded)
        Save();
}

void MScanSrcDataHistory::OnCfg(CCfg i_oCfg)
{
    m_oCfg = i_oCfg;
    if (!m_fLoaded)
        Load();
}

void MScanSrcDataHistory::Load()
{
    m_fLoaded = true;
    m_lEntries.clear();
    const QVariant vStored = m_oCfg.Value(HistoryKey);
    if (!vStored.isValid())
        return;
    const QStringList lsLines = vStored.toString().split(QLatin1Char('\n'), Qt::KeepEmptyParts);
    for (int i = 0; i + 1 < lsLines.size(); i += 2) {
        bool fNumber = false;
        const quint32 nCount = lsLines.at(i).toUInt(&fNumber, 10);
        const QString sText = lsLines.at(i + 1).trimmed();
        if (!fNumber || sText.isEmpty())
            continue;
        m_lEntries.append({sText, std::min(nCount, MaxWeight / 2) * 2});
    }
}

void MScanSrcDataHistory::Save()
{
    QStringList lsLines;
    for (const TEntry &oEntry : qAsConst(m_lEntries))
        lsLines << QString::number(oEntry.nWeight / 2) << oEntry.sText;
    m_oCfg.SetValue(HistoryKey, lsLines.join(QLatin1Char('\n')));
    m_oCfg.Sync();
}
