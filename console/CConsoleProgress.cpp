// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConsoleProgress.h"

#include "CScanTiming.h"
#include "CTerminal.h"

namespace {

constexpr qint64 RedrawIntervalMs = 250;

} // namespace

CConsoleProgress::CConsoleProgress(qint64 i_nTotal)
    : m_nTotal(i_nTotal)
{
    m_oClock.start();
}

QString
CConsoleProgress::Line(qint64 i_nDone, qint64 i_nTotal, qint64 i_nAlive, qint64 i_nElapsedMs)
{
    QString sLine = QStringLiteral("%1/%2 hosts, %3 alive, %4 elapsed")
                        .arg(i_nDone)
                        .arg(i_nTotal)
                        .arg(i_nAlive)
                        .arg(CScanTiming::Duration(i_nElapsedMs));
    const QString sPerSecond = CScanTiming::PerSecond(i_nDone, i_nElapsedMs);
    if (!sPerSecond.isEmpty())
        sLine += QStringLiteral(", %1 hosts/s").arg(sPerSecond);
    const qint64 nLeftMs = CScanTiming::LeftMs(i_nDone, i_nTotal, i_nElapsedMs);
    if (nLeftMs >= 0)
        sLine += QStringLiteral(", about %1 left").arg(CScanTiming::Duration(nLeftMs));
    return sLine;
}

void CConsoleProgress::Update(qint64 i_nDone, qint64 i_nAlive)
{
    const qint64 nNowMs = m_oClock.elapsed();
    if (m_nLastDrawMs >= 0 && nNowMs - m_nLastDrawMs < RedrawIntervalMs && i_nDone < m_nTotal)
        return;
    m_nLastDrawMs = nNowMs;
    const QString sLine = Line(i_nDone, m_nTotal, i_nAlive, nNowMs);
    // Blanks over the rest of a longer line drawn before.
    const QString sPadding(qMax(0, m_nDrawnWidth - sLine.size()), QLatin1Char(' '));
    m_nDrawnWidth = sLine.size();
    CTerminal::WriteStdErr((QLatin1Char('\r') + sLine + sPadding).toLocal8Bit());
}

void CConsoleProgress::Finish()
{
    if (m_nDrawnWidth == 0)
        return;
    CTerminal::WriteStdErr(
        (QLatin1Char('\r') + QString(m_nDrawnWidth, QLatin1Char(' ')) + QLatin1Char('\r'))
            .toLocal8Bit());
    m_nDrawnWidth = 0;
}
