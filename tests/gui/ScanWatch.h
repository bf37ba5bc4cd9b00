// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures how long the main thread goes without serving its event loop: a 1 ms timer notes the
// longest gap between two of its ticks. Main thread only.
class ScanWatch final : public QObject
{
public:
    explicit ScanWatch(QObject *i_pParent = nullptr)
        : QObject(i_pParent)
    {
        m_oTimer.setInterval(1);
        m_oTimer.setTimerType(Qt::PreciseTimer);
        connect(&m_oTimer, &QTimer::timeout, this, [this]() {
            const qint64 nNow = m_oClock.nsecsElapsed();
            if (nNow - m_nLastNs > m_nLongestNs) {
                m_nLongestNs = nNow - m_nLastNs;
                m_nLongestAtNs = m_nLastNs;
            }
            m_nLastNs = nNow;
            ++m_nTicks;
        });
    }

    void Start()
    {
        m_oClock.start();
        m_nLastNs = 0;
        m_nLongestNs = 0;
        m_nLongestAtNs = 0;
        m_nTicks = 0;
        m_oTimer.start();
    }
    void Stop() { m_oTimer.stop(); }
    double LongestStallMs() const { return double(m_nLongestNs) / 1e6; }
    qint64 Ticks() const { return m_nTicks; }
    // When the longest stall began, counted from Start().
    double LongestStallStartMs() const { return double(m_nLongestAtNs) / 1e6; }
    double ElapsedMs() const { return double(m_oClock.nsecsElapsed()) / 1e6; }

private:
    QTimer m_oTimer;
    QElapsedTimer m_oClock;
    qint64 m_nLastNs = 0;
    qint64 m_nLongestNs = 0;
    qint64 m_nLongestAtNs = 0;
    qint64 m_nTicks = 0;
};
