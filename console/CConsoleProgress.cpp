// SPDX-License-Identifier: GPL-3.0-or-later
#include "CConsoleProgress.h"

#include "CTerminal.h"

namespace {

constexpr qint64 RedrawIntervalMs = 250;

} // namespace

CConsoleProgress::CConsoleProgress(qint64 i_nTotal)
    : m_nTotal(i_nTotal)
{
    m_oClock.start();
}

QString CConsoleProgress::Duration(qint64 i_nMs)
{
    const qint64 nSeconds = i_nMs / 1000;
    if (nSeconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(nSeconds / 3600)
            .arg(nSeconds / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(nSeconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(nSeconds / 60).arg(nSeconds % 60, 2, 10, QLatin1Char('0'));
}

QString
CConsoleProgress::Line(qint64 i_nDone, qint64 i_nTotal, qint64 i_nAlive, qint64 i_nElapsedMs)
{
    QString sLine = QStringLiteral("%1/%2 hosts, %3 alive, %4 elapsed")
                        .arg(i_nDone)
                        .arg(i_nTotal)
                        .arg(i_nAlive)
                        .arg(Duration(i_nElapsedMs));
    // Workers finish hosts at a steady rate once the first ones are done, so the rate so far is
    // a fair guess; with nothing done yet, or only the hosts that answer at once, there is none.
    if (i_nDone > 0 && i_nDone < i_nTotal && i_nElapsedMs >= 1000) {
        const qint64 nLeftMs = i_nElapsedMs * (i_nTotal - i_nDone) / i_nDone;
        sLine += QStringLiteral(", about %1 left").arg(Duration(nLeftMs));
    }
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
