// SPDX-License-Identifier: GPL-3.0-or-later
#include "CHttpResponse.h"

#include <QTest>

namespace {

constexpr int kBudget = 64 * 1024;

struct TOutcome
{
    CHttpResponse::EState eState;
    int nStatus;
    QByteArray baBody;
    bool fCut;
    QByteArray baContentType;
};

// Feeds i_baInput in pieces of i_nPiece bytes (the whole at once for 0), as a socket might.
TOutcome Read(const QByteArray &i_baInput, int i_nBudget, bool i_fEnd, int i_nPiece)
{
    CHttpResponse oResponse(i_nBudget);
    const int nPiece = i_nPiece > 0 ? i_nPiece : qMax(1, i_baInput.size());
    for (int i = 0; i < i_baInput.size(); i += nPiece) {
        const int nSize = qMin(nPiece, i_baInput.size() - i);
        const int nUsed = oResponse.Feed(i_baInput.constData() + i, nSize);
        if (nUsed < nSize) {
            // Only an ended response leaves bytes behind.
            if (oResponse.State() == CHttpResponse::EState::Reading)
                return {CHttpResponse::EState::Reading, -1, QByteArray(), false, QByteArray()};
            break;
        }
    }
    if (i_fEnd)
        oResponse.FeedEnd();
    return {oResponse.State(),
            oResponse.Status(),
            oResponse.Body(),
            oResponse.Cut(),
            oResponse.ContentType()};
}

} // namespace

class TestCHttpResponse final : public QObject
{
    Q_OBJECT

private slots:
    void read_data();
    void read();
};

void TestCHttpResponse::read_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("budget");
    // The peer closes after the input.
    QTest::addColumn<bool>("end");
    // 0 reading, 1 complete, 2 failed.
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("cut");

    const QByteArray baOk = "HTTP/1.1 200 OK\r\n";
    const QByteArray baChunked = baOk + "Transfer-Encoding: chunked\r\n\r\n";
    const int nReading = 0;
    const int nComplete = 1;
    const int nFailed = 2;

    // Status lines.
    QTest::newRow("200 with Content-Length, connection left open")
        << baOk + "Content-Length: 5\r\n\r\nhello" << kBudget << false << nComplete << 200
        << QByteArray("hello") << false;
    QTest::newRow("HTTP/1.0 without reason phrase, body to the close")
        << QByteArray("HTTP/1.0 302\r\n\r\nmoved") << kBudget << true << nComplete << 302
        << QByteArray("moved") << false;
    QTest::newRow("body to the close still open: not finished")
        << baOk + "\r\npartial" << kBudget << false << nReading << 200 << QByteArray("partial")
        << false;
    QTest::newRow("bare LF line ends")
        << QByteArray("HTTP/1.1 404 No\nContent-Length: 2\n\nno") << kBudget << false << nComplete
        << 404 << QByteArray("no") << false;
    QTest::newRow("interim 100 and 103 skipped")
        << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early\r\nLink: x\r\n\r\n") + baOk
               + "Content-Length: 1\r\n\r\nz"
        << kBudget << false << nComplete << 200 << QByteArray("z") << false;
    QTest::newRow("101 switching protocols refused")
        << QByteArray("HTTP/1.1 101 Switching\r\nUpgrade: x\r\n\r\n") << kBudget << false << nFailed
        << 101 << QByteArray() << false;
    QTest::newRow("204 and 304 carry no body")
        << QByteArray("HTTP/1.1 204 None\r\nContent-Length: 9\r\n\r\n") << kBudget << false
        << nComplete << 204 << QByteArray() << false;
    QTest::newRow("SSH banner is no status line")
        << QByteArray("SSH-2.0-OpenSSH_9.2\r\n") << kBudget << true << nFailed << 0 << QByteArray()
        << false;
    QTest::newRow("HTTP/2 status line refused") << QByteArray("HTTP/2 200 OK\r\n\r\n") << kBudget
                                                << true << nFailed << 0 << QByteArray() << false;
    QTest::newRow("two-digit status refused") << QByteArray("HTTP/1.1 20 OK\r\n\r\n") << kBudget
                                              << true << nFailed << 0 << QByteArray() << false;
    QTest::newRow("status glued to reason refused")
        << QByteArray("HTTP/1.1 200OK\r\n\r\n") << kBudget << true << nFailed << 0 << QByteArray()
        << false;
    QTest::newRow("closed inside the headers")
        << baOk + "Content-Length: 5\r\n"
        << kBudget << true << nFailed << 200 << QByteArray() << false;

    // Headers.
    QTest::newRow("folded header continues the one before")
        << baOk + "Content-Length:\r\n 3\r\nX-Other: a\r\n\tb\r\n\r\nabc" << kBudget << false
        << nComplete << 200 << QByteArray("abc") << false;
    QTest::newRow("folded line with no header before refused")
        << baOk + " folded\r\n\r\n"
        << kBudget << true << nFailed << 200 << QByteArray() << false;
    QTest::newRow("line without a colon skipped")
        << baOk + "garbage line\r\nContent-Length: 1\r\n\r\nq" << kBudget << false << nComplete
        << 200 << QByteArray("q") << false;
    QTest::newRow("header line of the longest length kept")
        << baOk + "X: " + QByteArray(CHttpResponse::MaxLineBytes - 3, 'v') + "\r\n\r\n"
        << kBudget << true << nComplete << 200 << QByteArray() << false;
    QTest::newRow("header line one byte over refused")
        << baOk + "X: " + QByteArray(CHttpResponse::MaxLineBytes - 2, 'v') + "\r\n"
        << kBudget << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("endless header line refused before its end")
        << baOk + "X: " + QByteArray(CHttpResponse::MaxLineBytes, 'v') << kBudget << false
        << nFailed << 200 << QByteArray() << false;
    QTest::newRow("too many header lines refused")
        << baOk + QByteArray("A: b\r\n").repeated(CHttpResponse::MaxHeaderLines) << kBudget << false
        << nFailed << 200 << QByteArray() << false;
    QTest::newRow("headers too long in total refused")
        << baOk + ("X: " + QByteArray(8000, 'v') + "\r\n").repeated(5) << kBudget << false
        << nFailed << 200 << QByteArray() << false;
    QTest::newRow("headers beyond the byte budget refused")
        << baOk + "X: " + QByteArray(100, 'v') + "\r\n\r\n"
        << 64 << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("repeated equal Content-Length accepted")
        << baOk + "Content-Length: 2, 2\r\nContent-Length: 2\r\n\r\nab" << kBudget << false
        << nComplete << 200 << QByteArray("ab") << false;
    QTest::newRow("conflicting Content-Length refused")
        << baOk + "Content-Length: 2\r\nContent-Length: 3\r\n\r\nabc" << kBudget << false << nFailed
        << 200 << QByteArray() << false;
    QTest::newRow("signed Content-Length refused")
        << baOk + "Content-Length: +2\r\n\r\nab" << kBudget << false << nFailed << 200
        << QByteArray() << false;
    QTest::newRow("Content-Length of 19 digits refused")
        << baOk + "Content-Length: 9999999999999999999\r\n\r\nab" << kBudget << false << nFailed
        << 200 << QByteArray() << false;
    const QByteArray baHugeLength = baOk + "Content-Length: 999999999999999999\r\n\r\n";
    QTest::newRow("huge Content-Length: cut at the budget, nothing sized by it")
        << baHugeLength + QByteArray(200, 'b') << 100 << false << nComplete << 200
        << QByteArray(100 - baHugeLength.size(), 'b') << true;
    QTest::newRow("Content-Length cut by the close refused")
        << baOk + "Content-Length: 10\r\n\r\nshort" << kBudget << true << nFailed << 200
        << QByteArray("short") << false;

    // Chunked coding.
    QTest::newRow("chunks, extension and trailer")
        << baChunked + "5;name=\"v\"\r\nhello\r\nA \r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n"
        << kBudget << false << nComplete << 200 << QByteArray("hello0123456789") << false;
    QTest::newRow("chunked wins over Content-Length, as the last coding")
        << baOk
               + "Content-Length: 1\r\nTransfer-Encoding: gzip, "
                 "Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n"
        << kBudget << false << nComplete << 200 << QByteArray("abc") << false;
    QTest::newRow("coding other than chunked runs to the close")
        << baOk + "Transfer-Encoding: gzip\r\n\r\n3\r\nabc" << kBudget << true << nComplete << 200
        << QByteArray("3\r\nabc") << false;
    QTest::newRow("leading zeros do not count as digits")
        << baChunked + "00000000000000000000003\r\nabc\r\n0\r\n\r\n"
        << kBudget << false << nComplete << 200 << QByteArray("abc") << false;
    QTest::newRow("FFFFFFFFFFFF-byte chunk: cut at the budget")
        << baChunked + "FFFFFFFFFFFF\r\n" + QByteArray(300, 'c') << 200 << false << nComplete << 200
        << QByteArray(200 - baChunked.size() - 14, 'c') << true;
    QTest::newRow("16 significant hex digits refused")
        << baChunked + "1000000000000000\r\nx" << kBudget << false << nFailed << 200 << QByteArray()
        << false;
    QTest::newRow("size in garbage refused")
        << baChunked + "zz\r\nx" << kBudget << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("garbage after the size refused")
        << baChunked + "5 x\r\nhello\r\n"
        << kBudget << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("0x prefix refused")
        << baChunked + "0x5\r\nhello\r\n"
        << kBudget << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("negative size refused")
        << baChunked + "-5\r\nhello\r\n"
        << kBudget << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("empty size line refused")
        << baChunked + "\r\nhello\r\n"
        << kBudget << false << nFailed << 200 << QByteArray() << false;
    QTest::newRow("chunk longer than its size refused")
        << baChunked + "2\r\nabc\r\n0\r\n\r\n"
        << kBudget << false << nFailed << 200 << QByteArray("ab") << false;
    QTest::newRow("chunked cut by the close refused")
        << baChunked + "5\r\nhel" << kBudget << true << nFailed << 200 << QByteArray("hel")
        << false;
    QTest::newRow("endless chunk extension refused")
        << baChunked + "1;" + QByteArray(CHttpResponse::MaxLineBytes, 'e') << kBudget << false
        << nFailed << 200 << QByteArray() << false;
    QTest::newRow("endless trailer refused")
        << baChunked + "0\r\n" + QByteArray("T: 1\r\n").repeated(CHttpResponse::MaxHeaderLines)
        << kBudget << false << nFailed << 200 << QByteArray() << false;
}

void TestCHttpResponse::read()
{
    QFETCH(QByteArray, input);
    QFETCH(int, budget);
    QFETCH(bool, end);
    QFETCH(int, state);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, cut);
    // However the bytes are split, the outcome is the same.
    for (const int nPiece : {0, 1, 2, 7, 1000}) {
        const TOutcome oOutcome = Read(input, budget, end, nPiece);
        const QByteArray baWhere = "pieces of " + QByteArray::number(nPiece);
        QVERIFY2(int(oOutcome.eState) == state, baWhere);
        QVERIFY2(oOutcome.nStatus == status, baWhere + ": " + QByteArray::number(oOutcome.nStatus));
        if (state != 2)
            QVERIFY2(oOutcome.baBody == body, baWhere + ": " + oOutcome.baBody.left(80));
        QVERIFY2(oOutcome.fCut == cut, baWhere);
    }
}

QTEST_GUILESS_MAIN(TestCHttpResponse)
#include "tst_CHttpResponse.moc"
