// RecordViewModel: what each slot receives against the project format. Card slots have their
// scan, colour space, rate and reference lock polled from the input's status (at most every
// 0.8 s); every capturing slot is compared with the project's size, rate and scan twice a second,
// marked on a mismatch, and announced at most once a minute per slot. Recording never stops for it.
//
// Main thread only.

#include "capture/RecordViewModel.h"

#include "decklink/DeckLinkInput.h"
#include "decklink/api/DeckLinkAPITypes.h"
#include "platform/MainThread.h"
#include "platform/MediaClock.h"
#include "settings/AppSettings.h"
#include "settings/CaptureFormatFunctions.h"

#include <cmath>

namespace capture {

namespace {

constexpr double kStatusPollInterval = 0.8;
constexpr double kCheckInterval = 0.5;
constexpr double kAlertSpacing = 60.0;

QString scanLetter(settings::ProjectScanMode scan)
{
    switch (scan) {
    case settings::ProjectScanMode::interlaced:
        return QStringLiteral("i");
    case settings::ProjectScanMode::psf:
        return QStringLiteral("psf");
    case settings::ProjectScanMode::progressive:
        break;
    }
    return QStringLiteral("p");
}

QString colorSpaceName(std::optional<settings::ProjectColorSpace> space)
{
    return space ? settings::displayName(*space) : QStringLiteral("Unknown");
}

std::optional<settings::ProjectColorSpace> colorSpaceFromCode(std::int64_t code)
{
    switch (code) {
    case kDeckLinkColorspaceRec709:
        return settings::ProjectColorSpace::rec709;
    case kDeckLinkColorspaceRec2020:
        return settings::ProjectColorSpace::rec2020;
    case kDeckLinkColorspaceP3D65:
        return settings::ProjectColorSpace::p3d65;
    default:
        return std::nullopt;
    }
}

} // namespace

void RecordViewModel::refreshDeckLinkStatusIfNeeded(int slot)
{
    if (!validSlot(slot))
        return;
    const double now = clock_.now();
    if (lastDeckLinkStatusCheck_[slot] && now - *lastDeckLinkStatusCheck_[slot] < kStatusPollInterval)
        return;
    lastDeckLinkStatusCheck_[slot] = now;
    const QVariantMap status = deckLinkInputs_[slot] ? deckLinkInputs_[slot]->inputStatus() : QVariantMap {};
    if (const auto field = status.find(QStringLiteral("fieldDominance")); field != status.end())
        incomingScanModes_[slot] = settings::projectScanMode(field->toLongLong());
    if (const auto colorspace = status.find(QStringLiteral("colorspace")); colorspace != status.end())
        incomingColorSpaces_[slot] = colorSpaceFromCode(colorspace->toLongLong());
    if (const auto fps = status.find(QStringLiteral("fps")); fps != status.end() && fps->toDouble() > 0)
        applyDetectedFPS(fps->toDouble(), slot);
    if (const auto locked = status.find(QStringLiteral("refLocked")); locked != status.end())
        setInputRefLocked(slot, locked->toBool());
    refreshOutputDiagnostics();
}

std::optional<settings::ProjectColorSpace> RecordViewModel::projectColorSpace(const QString& primaries)
{
    const QString name = primaries.toLower();
    if (name.contains(QStringLiteral("2020")))
        return settings::ProjectColorSpace::rec2020;
    if (name.contains(QStringLiteral("p3")))
        return settings::ProjectColorSpace::p3d65;
    if (name.contains(QStringLiteral("709")) || name.contains(QStringLiteral("601")))
        return settings::ProjectColorSpace::rec709;
    return std::nullopt;
}

settings::ProjectColorSpace RecordViewModel::expectedProjectColorSpaceForMatch() const
{
    switch (settings_.projectOutputColorMode()) {
    case settings::ProjectOutputColorMode::rec709:
        return settings::ProjectColorSpace::rec709;
    case settings::ProjectOutputColorMode::rec2020:
    case settings::ProjectOutputColorMode::rec2020PQ:
    case settings::ProjectOutputColorMode::rec2020HLG:
        return settings::ProjectColorSpace::rec2020;
    case settings::ProjectOutputColorMode::p3D65PQ:
        return settings::ProjectColorSpace::p3d65;
    }
    return settings::ProjectColorSpace::rec709;
}

QString RecordViewModel::expectedProjectDescription() const
{
    const settings::CaptureFormat format = settings_.projectFormat();
    const QSize size = settings::sizeForModeCode(settings::modeCode(format)).value_or(QSize(0, 0));
    return QStringLiteral("%1x%2 ").arg(size.width()).arg(size.height())
        + QString::asprintf("%.2f", settings::fpsValue(format)) + scanLetter(settings::scanMode(format))
        + QStringLiteral(" \u2022 ") + colorSpaceName(expectedProjectColorSpaceForMatch());
}

void RecordViewModel::evaluateProjectFormatMatch(int slot)
{
    if (!validSlot(slot) || !isCapturingFlags_[slot])
        return;
    const double now = clock_.now();
    if (now - lastProjectFormatCheck_[slot] < kCheckInterval)
        return;
    lastProjectFormatCheck_[slot] = now;

    const settings::CaptureFormat format = settings_.projectFormat();
    if (format == settings::CaptureFormat::auto_)
        return; // no project format to compare with
    const auto expectedSize = settings::sizeForModeCode(settings::modeCode(format));
    if (!expectedSize)
        return;
    if (captureSources_[slot] == CaptureSourceKind::deckLink)
        refreshDeckLinkStatusIfNeeded(slot);
    else if (!incomingScanModes_[slot])
        incomingScanModes_[slot] = settings::ProjectScanMode::progressive;

    const decklink::IncomingVideoInfo& info = incomingInfos_[slot];
    if (info.width < 1 || info.height < 1)
        return; // no signal yet
    const FPSInfo rate = fpsInfo(slot, info);
    const double fps = rate.fps.value_or(0);
    const settings::ProjectScanMode scan = incomingScanModes_[slot].value_or(settings::ProjectScanMode::progressive);
    const auto color = incomingColorSpaces_[slot] ? incomingColorSpaces_[slot] : projectColorSpace(info.primaries);

    QStringList reasons;
    if (info.width != expectedSize->width() || info.height != expectedSize->height())
        reasons << QStringLiteral("Resolution");
    // An unsteady measurement is never a reason.
    if (fps > 0 && rate.stable && std::abs(fps - settings::fpsValue(format)) > 0.6)
        reasons << QStringLiteral("FPS");
    if (scan != settings::scanMode(format))
        reasons << QStringLiteral("Scan");

    if (reasons.isEmpty()) {
        if (!projectFormatMismatchFlags_[slot])
            return;
        projectFormatMismatchFlags_[slot] = false;
        projectFormatMismatchReasons_[slot].clear();
        if (isCapturingFlags_[slot] && !isRecordingFlags_[slot])
            setStatusText(slot, QStringLiteral("Receiving video\u2026"));
        return;
    }

    const QString detected = QStringLiteral("%1x%2 ").arg(info.width).arg(info.height)
        + (rate.label == QStringLiteral("-") ? rate.label : rate.label + scanLetter(scan)) + QStringLiteral(" \u2022 ")
        + colorSpaceName(color);
    const QString reasonText = QStringLiteral("Input %1: ").arg(slot + 1) + reasons.join(QStringLiteral(", "));
    const bool wasMarked = projectFormatMismatchFlags_[slot];
    const bool sameReasons = reasonText == projectFormatMismatchReasons_[slot];
    projectFormatMismatchFlags_[slot] = true;
    projectFormatMismatchReasons_[slot] = reasonText;
    const auto& lastAlert = lastProjectFormatAlertTime_[slot];
    if ((!wasMarked || !sameReasons) && (!lastAlert || now - *lastAlert >= kAlertSpacing)) {
        lastProjectFormatAlertTime_[slot] = now;
        setProjectFormatAlertMessage(QStringLiteral("Project Format ไม่ตรงกับสัญญาณที่รับเข้า\n\nExpected: ")
            + expectedProjectDescription() + QStringLiteral("\nDetected: ") + detected + QStringLiteral("\nMismatch: ")
            + reasonText + QStringLiteral("\n\nRecording will continue using Project Format settings."));
        setShowProjectFormatAlert(true);
    }
    setStatusText(slot,
        isRecordingFlags_[slot] ? QStringLiteral("Recording (format mismatch)")
                                : QStringLiteral("Format mismatch (Project)"));
}

} // namespace capture
