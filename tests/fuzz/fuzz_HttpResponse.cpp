// SPDX-License-Identifier: GPL-3.0-or-later
// A web server's answer, cut into the pieces a socket might deliver: whatever arrives, the
// reader stays within its byte budget, keeps no more body than it took, ends once and for all,
// and calls nothing a success that did not complete with a 2xx or 3xx status.
#include "CHttpResponse.h"

#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool i_fHolds)
{
    if (!i_fHolds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *i_pData, size_t i_nSize)
{
    // The first byte picks the budget (small ones reach the cuts) and the pieces' sizes; the
    // second whether the peer closes after the last byte.
    if (i_nSize < 2)
        return 0;
    const int nBudget = i_pData[0] & 0x80 ? 64 * 1024 : 16 + 8 * (i_pData[0] & 0x3F);
    const int nPieceSeed = 1 + (i_pData[0] & 0x3F);
    const bool fEnd = i_pData[1] & 1;
    const char *pData = reinterpret_cast<const char *>(i_pData + 2);
    const int nSize = static_cast<int>(i_nSize - 2);

    CHttpResponse oResponse(nBudget);
    int nTaken = 0;
    int nPiece = nPieceSeed;
    for (int i = 0; i < nSize;) {
        const int nLen = qMin(nPiece, nSize - i);
        const bool fWasReading = oResponse.State() == CHttpResponse::EState::Reading;
        const int nUsed = oResponse.Feed(pData + i, nLen);
        Check(nUsed >= 0 && nUsed <= nLen);
        Check(fWasReading || nUsed == 0);
        if (nUsed < nLen)
            Check(oResponse.State() != CHttpResponse::EState::Reading);
        nTaken += nUsed;
        i += nLen;
        // Vary the pieces: one byte, then the seed, then a larger step.
        nPiece = nPiece == 1 ? nPieceSeed * 7 : 1;
    }
    if (fEnd) {
        const CHttpResponse::EState eBefore = oResponse.State();
        oResponse.FeedEnd();
        if (eBefore != CHttpResponse::EState::Reading)
            Check(oResponse.State() == eBefore);
    }
    Check(nTaken <= nBudget);
    Check(oResponse.Body().size() <= nTaken);
    Check(oResponse.ContentType().size() <= CHttpResponse::MaxHeaderBytes);
    if (oResponse.Succeeded())
        Check(oResponse.State() == CHttpResponse::EState::Complete && oResponse.Status() >= 200
              && oResponse.Status() <= 399);
    if (oResponse.Cut())
        Check(oResponse.State() == CHttpResponse::EState::Complete && nTaken == nBudget);
    if (oResponse.State() == CHttpResponse::EState::Failed)
        Check(oResponse.Failure() != nullptr);
    return 0;
}
