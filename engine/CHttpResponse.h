// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// Reads one HTTP/1.1 response as it arrives from a peer, in pieces of any size, within fixed
// bounds: it takes at most the byte budget given at construction (status lines, headers, chunk
// framing and body together, as they come off the wire), caps the length of each line, the
// number of header lines and their total size, and never sizes anything by what the peer
// announces (Content-Length, chunk sizes). Interim 1xx responses are skipped; the body is
// delimited by chunked coding, Content-Length or the end of the connection, and is kept as
// sent (no content coding is undone). A body the budget cuts short is complete with its prefix.
// Pure: no I/O, no Qt objects; one instance per response, used from one thread.
class CHttpResponse final
{
public:
    enum class EState
    {
        Reading,
        Complete,
        Failed
    };

    static constexpr int MaxLineBytes = 8 * 1024;
    // Over all header blocks of the response: interim ones, the final one and the trailers.
    static constexpr int MaxHeaderLines = 100;
    static constexpr int MaxHeaderBytes = 32 * 1024;

    explicit CHttpResponse(int i_nMaxBytes);

    // Takes the next bytes from the peer; returns how many were consumed, which is fewer than
    // i_nSize only when the response has ended (complete, failed or out of budget).
    int Feed(const char *i_pData, int i_nSize);
    // The peer closed its side: a body that runs to the end of the connection is complete,
    // anything else unfinished has failed.
    void FeedEnd();

    EState State() const { return m_eState; }
    // The final status code; 0 until its status line has been read.
    int Status() const { return m_nStatus; }
    // Complete with a 2xx or 3xx status: a web server answered (redirects are not followed).
    bool Succeeded() const;
    // The budget ran out inside the body, which ends there.
    bool Cut() const { return m_fCut; }
    // The final response's Content-Type value, as sent (empty when absent).
    const QByteArray &ContentType() const { return m_baContentType; }
    // The body as received so far, after chunk framing is removed; never more than the budget.
    const QByteArray &Body() const { return m_baBody; }
    // Why the response failed, for the log; null while it has not.
    const char *Failure() const { return m_pFailure; }

private:
    enum class EPhase
    {
        StatusLine,
        HeaderLine,
        BodyLength,
        BodyToClose,
        ChunkSize,
        ChunkData,
        ChunkDataEnd,
        Trailer
    };

    int Step(const char *i_pData, int i_nSize);
    int StepLine(const char *i_pData, int i_nSize);
    void OnLine(const QByteArray &i_baLine);
    void OnStatusLine(const QByteArray &i_baLine);
    void OnHeaderLine(const QByteArray &i_baLine);
    void OnHeadersEnd();
    void OnChunkSizeLine(const QByteArray &i_baLine);
    bool CountHeaderLine(int i_nBytes);
    void Fail(const char *i_pWhy);
    void Finish();

    const int m_nMaxBytes;
    EState m_eState = EState::Reading;
    EPhase m_ePhase = EPhase::StatusLine;
    int m_nTaken = 0;
    QByteArray m_baLine;
    int m_nHeaderLines = 0;
    int m_nHeaderBytes = 0;
    int m_nStatus = 0;
    // Which header a folded continuation line belongs to.
    enum class EHeader
    {
        None,
        Other,
        ContentType,
        ContentLength,
        TransferEncoding
    } m_eLastHeader = EHeader::None;
    QByteArray m_baContentType;
    QByteArray m_baContentLength;
    QByteArray m_baTransferEncoding;
    qint64 m_nLeft = 0;
    bool m_fCut = false;
    QByteArray m_baBody;
    const char *m_pFailure = nullptr;
};
