// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

class CScanResult;

// Asks a host for its start page over HTTP or HTTPS. Synchronous: runs a local event loop on
// the calling thread (a scan worker, which has no loop of its own) and returns when the reply
// has finished or the time is up. Every network object it makes lives on the caller's stack
// and is gone when it returns, so 96 workers can probe at once without sharing anything.
// Certificate errors are ignored: LAN devices serve self-signed certificates.
class CHttpProbe final
{
public:
    static constexpr int TimeoutMs = 2000;
    // Only the start of a page is kept for its title; the rest is read and dropped so that a
    // huge body cannot fill memory.
    static constexpr int MaxBodyBytes = 64 * 1024;

    struct TAnswer
    {
        // The reply finished within the time and reported no error (a 4xx/5xx is an error).
        bool fOk = false;
        QString sTitle;
    };

    // i_fTakeTitle: read the body's first MaxBodyBytes and take the page title from them.
    static TAnswer Fetch(const QUrl &i_oUrl, bool i_fTakeTitle, int i_nTimeoutMs = TimeoutMs);

    // "http://<ip>": sets has_http and, on success, http_title.
    static void ProbeHttp(CScanResult &io_oResult);
    // "https://<ip>": sets has_https; no body is read.
    static void ProbeHttps(CScanResult &io_oResult);
};
