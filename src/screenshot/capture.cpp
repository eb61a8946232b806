#include "screenshot/capture.h"

#include "link/conversions.h"
#include "link/memread.h"
#include "screenshot/frame_buffers.h"

#include <algorithm>
#include <span>

namespace {

// Factor of a chrominance sample that leaves the grey level as it is.
constexpr quint8 kNeutralFactor = 128;

// Reads one page into to; a failed read leaves filler there and counts.
// False when the capture must end: the link is gone, or the decoder has
// not answered for kSilentDecoderPages pages in a row.
bool ReadPageInto(CommandChannel &link, MemReadMode mode, qint32 page, std::span<quint8> to, quint8 filler,
                  CaptureResult &result)
{
    Page buffer{};
    if (!MemRead(link, mode, buffer, page)) {
        std::copy(buffer.begin(), buffer.end(), to.begin());
        result.failedInARow = 0;
        return true;
    }
    std::fill(to.begin(), to.end(), filler);
    ++result.failedPages;
    result.lostText = link.linkLost();
    if (!result.lostText.isEmpty())
        result.outcome = CaptureOutcome::Lost;
    else if (++result.failedInARow >= kSilentDecoderPages)
        result.outcome = CaptureOutcome::Silent;
    return result.outcome == CaptureOutcome::Done;
}

QString PageLine(qint32 page) { return Hex6(page) + QStringLiteral("XX"); }

// A macroblock's 256 luminance bytes fill a page, its chrominance half of one.
qint64 LumaPages(const CaptureRequest &r) { return qint64(r.widthBlocks) * r.heightBlocks; }
qint64 CapturePages(const CaptureRequest &r) { return LumaPages(r) + (LumaPages(r) + 1) / 2; }

// False when the capture ended early; result says why.
bool DrawLuminance(CommandChannel &link, MemReadMode mode, const CaptureRequest &request, Picture &picture,
                   const CaptureHooks &hooks, CaptureResult &result)
{
    std::array<quint8, kLumaGroupBytes> group{};
    LumaWalk walk(request.widthBlocks, request.heightBlocks);
    qint32 page = request.lumaPage;
    do {
        if (hooks.stopRequested()) {
            result.outcome = CaptureOutcome::Break;
            return false;
        }
        hooks.setPageLine(PageLine(page));
        for (int k = 0; k < 4; ++k)
            if (!ReadPageInto(link, mode, page + k, std::span(group).subspan(size_t(k) * 256, 256), 0, result))
                return false;
        walk.draw(picture, group);
        hooks.pictureChanged();
        page += 4;
        hooks.progress(page - request.lumaPage, CapturePages(request));
    } while (!walk.done());
    return true;
}

bool DrawChrominance(CommandChannel &link, MemReadMode mode, const CaptureRequest &request, Picture &picture,
                     const CaptureHooks &hooks, CaptureResult &result)
{
    std::array<quint8, kChromaPageBytes> samples{};
    ChromaWalk walk(request.widthBlocks, request.heightBlocks);
    qint32 page = request.chromaPage;
    do {
        if (hooks.stopRequested()) {
            result.outcome = CaptureOutcome::Break;
            return false;
        }
        hooks.setPageLine(PageLine(page));
        if (walk.wantsPage() && !ReadPageInto(link, mode, page++, samples, kNeutralFactor, result))
            return false;
        walk.draw(picture, samples);
        hooks.pictureChanged();
        hooks.progress(LumaPages(request) + page - request.chromaPage, CapturePages(request));
    } while (!walk.done());
    return true;
}

}   // namespace

CaptureResult CapturePicture(CommandChannel &link, MemReadMode mode, const CaptureRequest &request, Picture &picture,
                             const CaptureHooks &hooks)
{
    CaptureResult result;
    hooks.setStatus(QStringLiteral("Reading Luminance data..."));
    if (!DrawLuminance(link, mode, request, picture, hooks, result))
        return result;
    hooks.setStatus(QStringLiteral("Reading Crominance data..."));
    DrawChrominance(link, mode, request, picture, hooks, result);
    return result;
}

QString CaptureStatus(const CaptureResult &result)
{
    switch (result.outcome) {
    case CaptureOutcome::Break: return QStringLiteral("Break.");
    case CaptureOutcome::Lost: return result.lostText;
    case CaptureOutcome::Silent:
        return QStringLiteral("Stopped - %1 pages in a row failed: the decoder does not answer!")
            .arg(result.failedInARow);
    case CaptureOutcome::Done: break;
    }
    if (result.failedPages == 0)
        return QStringLiteral("Done.");
    return QStringLiteral("Done. - %1 page%2 failed!").arg(result.failedPages).arg(result.failedPages == 1 ? "" : "s");
}

QString ToggleFreeze(CommandChannel &link, MemReadMode mode)
{
    const qint16 v = MemReadB(link, mode, kFreezeAddress, false);
    if (v < 0)
        return QString();
    link.SendCmd(QStringLiteral("0200200320080") + ((v & 1) ? QStringLiteral("0") : QStringLiteral("1")), false);
    if (v == 1)
        return QStringLiteral("Defrost");
    if (v == 0)
        return QStringLiteral("Freeze");
    return QString();
}
