// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <unistd.h>

// Owns one POSIX file descriptor and closes it on every way out of a probe.
class CUniqueFd final
{
public:
    explicit CUniqueFd(int i_nFd = -1)
        : m_nFd(i_nFd)
    {
    }
    ~CUniqueFd()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
    }
    CUniqueFd(const CUniqueFd &) = delete;
    CUniqueFd &operator=(const CUniqueFd &) = delete;

    int get() const { return m_nFd; }
    // Hands the descriptor over without closing it.
    int release()
    {
        const int nFd = m_nFd;
        m_nFd = -1;
        return nFd;
    }
    void reset(int i_nFd = -1)
    {
        if (m_nFd >= 0 && m_nFd != i_nFd)
            ::close(m_nFd);
        m_nFd = i_nFd;
    }
    bool valid() const { return m_nFd >= 0; }

private:
    int m_nFd;
};
