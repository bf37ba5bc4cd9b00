// SPDX-License-Identifier: GPL-3.0-or-later
#include "CStopRequests.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM};

// Written by the handler, read by the main thread: the only things a handler may safely do.
int s_aPipe[2] = {-1, -1};

void OnSignal(int i_nSignal)
{
    const int nSavedErrno = errno;
    const auto cSignal = static_cast<unsigned char>(i_nSignal);
    // A full pipe already holds a request; losing this one changes nothing.
    [[maybe_unused]] const ssize_t nWritten = write(s_aPipe[1], &cSignal, 1);
    errno = nSavedErrno;
}

} // namespace

struct CStopRequests::TState
{
    std::unique_ptr<QSocketNotifier> pNotifier;
    struct sigaction aPrevious[sizeof(kSignals) / sizeof(kSignals[0])];
    bool fInstalled = false;
};

CStopRequests::CStopRequests(QObject *i_pParent)
    : QObject(i_pParent)
    , m_pState(std::make_unique<TState>())
{
    if (s_aPipe[0] >= 0 || pipe2(s_aPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // without a pipe, requests keep their default effect
    m_pState->pNotifier = std::make_unique<QSocketNotifier>(s_aPipe[0], QSocketNotifier::Read);
    connect(m_pState->pNotifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char cSignal = 0;
        while (read(s_aPipe[0], &cSignal, 1) == 1)
            emit EmitStopRequested(128 + cSignal);
    });
    struct sigaction oAction = {};
    oAction.sa_handler = OnSignal;
    sigemptyset(&oAction.sa_mask);
    // SA_RESETHAND: a second request finds the default action and ends the program.
    oAction.sa_flags = SA_RESTART | SA_RESETHAND;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        sigaction(kSignals[i], &oAction, &m_pState->aPrevious[i]);
    m_pState->fInstalled = true;
}

CStopRequests::~CStopRequests()
{
    if (!m_pState->fInstalled)
        return;
    for (size_t i = 0; i < sizeof(kSignals) / sizeof(kSignals[0]); ++i)
        sigaction(kSignals[i], &m_pState->aPrevious[i], nullptr);
    m_pState->pNotifier.reset();
    close(s_aPipe[0]);
    close(s_aPipe[1]);
    s_aPipe[0] = s_aPipe[1] = -1;
}
