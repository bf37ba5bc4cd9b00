// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

// A point in time a probe must not wait past, with the milliseconds left for poll().
class CDeadline final
{
public:
    explicit CDeadline(int i_nTimeoutMs)
        : m_tEnd(std::chrono::steady_clock::now()
                 + std::chrono::milliseconds(i_nTimeoutMs > 0 ? i_nTimeoutMs : 0))
    {
    }

    // Rounded up, so that poll() does not wake just before the end and spin.
    int RemainingMs() const { return RemainingMsUntil(m_tEnd); }

    // Milliseconds to i_tPoint or to the deadline, whichever is nearer.
    int RemainingMsUntil(std::chrono::steady_clock::time_point i_tPoint) const
    {
        const auto tUntil = i_tPoint < m_tEnd ? i_tPoint : m_tEnd;
        const auto nUs = std::chrono::duration_cast<std::chrono::microseconds>(
                             tUntil - std::chrono::steady_clock::now())
                             .count();
        return nUs <= 0 ? 0 : static_cast<int>((nUs + 999) / 1000);
    }

    bool Passed() const { return std::chrono::steady_clock::now() >= m_tEnd; }

private:
    std::chrono::steady_clock::time_point m_tEnd;
};
