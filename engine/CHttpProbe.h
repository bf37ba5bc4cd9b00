// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CProbeTimeouts.h"

#include <QString>
#include <QUrl>

class CScanResult;

// Asks a host for its start page over HTTP or HTTPS. Synchronous and self-contained: a socket
// on the caller's stack (a scan worker, which runs no event loop of its own), blocking waits
// against one deadline, and a bounded response reader (CHttpResponse), so 96 workers can probe
// at once without sharing anything and no peer can hold a worker or its memory past the budget.
// Certificate errors are ignored: LAN devices serve self-signed certificates.
class CHttpProbe final
{
public:
    static constexpr int TimeoutMs = 2000;
    // Most bytes taken from one host: status line, headers and body together. Only the start of
    // a page matters for its title; a body cut here still counts as an answer.
    static constexpr int MaxReadBytes = 64 * 1024;

    struct TAnswer
    {
        // A complete response (or one cut at MaxReadBytes inside its body) came within the time
        // with a 2xx or 3xx status; redirects are not followed, 4xx/5xx are no web server.
        bool fOk = false;
        QString sTitle;
    };

    // i_fTakeTitle: take the page title from the body's start. Never fails loudly: a refused
    // connection, a timeout, a failed handshake or no free descriptor give fOk false.
    // i_nConnectMs, when positive and shorter, bounds the TCP connect within i_nTimeoutMs; a
    // connection made keeps the rest of i_nTimeoutMs for the handshake and the reply.
    static TAnswer Fetch(const QUrl &i_oUrl,
                         bool i_fTakeTitle,
                         int i_nTimeoutMs = TimeoutMs,
                         int i_nConnectMs = 0);

    // The two halves of ProbeHttp() and ProbeHttps(): asking the host, and writing what it said
    // into the result, so a host's probes can ask at once and still be written in their order.
    static TAnswer AskHttp(quint32 i_nIp, const TProbeTimeouts &i_oTimeouts);
    static TAnswer AskHttps(quint32 i_nIp, const TProbeTimeouts &i_oTimeouts);
    // Another port, asked as AskHttp() asks port 80, its page's title taken over HTTPS too.
    static TAnswer
    AskPort(quint32 i_nIp, int i_nPort, bool i_fHttps, const TProbeTimeouts &i_oTimeouts);
    static void ApplyHttp(const TAnswer &i_oAnswer, CScanResult &io_oResult);
    static void ApplyHttps(const TAnswer &i_oAnswer, CScanResult &io_oResult);

    // "http://<ip>": sets has_http and, on success, http_title.
    static void ProbeHttp(CScanResult &io_oResult,
                          const TProbeTimeouts &i_oTimeouts = TProbeTimeouts());
    // "https://<ip>": sets has_https; no title is taken.
    static void ProbeHttps(CScanResult &io_oResult,
                           const TProbeTimeouts &i_oTimeouts = TProbeTimeouts());
};
