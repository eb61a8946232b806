#pragma once
// Reading the picture out of the decoder's frame buffers, and the display
// freeze. The window DL_Scr only calls these.
#include "link/channel.h"
#include "link/options.h"
#include "screenshot/picture.h"

#include <QString>
#include <functional>

// The default buffer pairs, as page numbers.
constexpr qint32 kLumaBuffer1 = 0xFFC714, kLumaBuffer2 = 0xFFD094;
constexpr qint32 kChromaBuffer1 = 0xFFCD68, kChromaBuffer2 = 0xFFD6E8;
// Bit 0 of this byte is set while the decoder updates the display.
constexpr qint32 kFreezeAddress = 0x20032008;

struct CaptureRequest {
    qint32 lumaPage = 0;
    qint32 chromaPage = 0;
    int widthBlocks = 0;
    int heightBlocks = 0;
};

struct CaptureHooks {
    std::function<bool()> stopRequested = [] { return false; };
    std::function<void(const QString &)> setStatus = [](const QString &) {};
    std::function<void(const QString &)> setPageLine = [](const QString &) {};
    std::function<void()> pictureChanged = [] {};
    // done of total pages read.
    std::function<void(qint64 done, qint64 total)> progress = [](qint64, qint64) {};
};

// Failed page reads in a row after which the decoder counts as silent: at
// the transaction's time-out each, half a minute without an answer.
constexpr int kSilentDecoderPages = 8;

// Lost: the link went away (lostText says so); Silent: kSilentDecoderPages
// reads in a row failed.
enum class CaptureOutcome { Done, Break, Lost, Silent };
struct CaptureResult {
    CaptureOutcome outcome = CaptureOutcome::Done;
    int failedPages = 0;
    int failedInARow = 0;
    QString lostText;
};

// Draws the luminance, then tints it from the chrominance, into picture
// (sized by the caller). A page that cannot be read does not end the
// capture: its part of the picture is drawn black (luminance) or grey
// (chrominance), so it is not mistaken for the picture, and it is counted;
// a lost link or a decoder that no longer answers ends the capture.
CaptureResult CapturePicture(CommandChannel &link, MemReadMode mode, const CaptureRequest &request, Picture &picture,
                             const CaptureHooks &hooks);
// "Done.", "Done. - 1 page failed!", "Done. - 3 pages failed!", "Break.",
// the lost link's message, or the silent decoder's.
QString CaptureStatus(const CaptureResult &result);

// Inverts the decoder's freeze bit. Returns the caption of the Freeze
// button afterwards: "Defrost" once frozen, "Freeze" once running, or the
// empty text when it stays (the byte could not be read or was neither 0 nor 1).
QString ToggleFreeze(CommandChannel &link, MemReadMode mode);
