// DeckLinkInput: opening and closing the device, and its status.

#include "decklink/DeckLinkInput.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/DeckLinkInputCallback.h"
#include "decklink/DeckLinkInputModes.h"
#include "platform/MainThread.h"
#include "platform/SystemLog.h"

namespace decklink {

std::shared_ptr<DeckLinkInput> DeckLinkInput::create(const platform::MediaClock& clock)
{
    return std::shared_ptr<DeckLinkInput>(new DeckLinkInput(clock));
}

DeckLinkInput::DeckLinkInput(const platform::MediaClock& clock)
    : clock_(clock)
{
    videoConverter_ = ComPtr<IDeckLinkVideoConversion>::adopt(CreateVideoConversionInstance());
    if (!videoConverter_)
        platform::systemLog("DeckLink: Failed to create IDeckLinkVideoConversion");
}

DeckLinkInput::~DeckLinkInput()
{
    stop();
}

std::shared_ptr<DeckLinkInputDelegate> DeckLinkInput::delegate() const
{
    std::lock_guard lock(delegateMutex_);
    return delegate_.lock();
}

void DeckLinkInput::setDelegate(std::weak_ptr<DeckLinkInputDelegate> delegate)
{
    std::lock_guard lock(delegateMutex_);
    delegate_ = std::move(delegate);
}

bool DeckLinkInput::start(std::int32_t deviceIndex)
{
    return start(deviceIndex, -1);
}

bool DeckLinkInput::start(std::int32_t deviceIndex, std::int32_t modeCode)
{
    Q_ASSERT(platform::isMainThread());
    // A second start must not leave the first stream running with references nobody releases.
    if (deckLink_ || deckLinkInput_ || callback_)
        stop();
    session_.fetch_add(1);
    autoDetectEnabled_ = false;
    isReconfiguring_ = false;

    bool noIterator = false;
    ComPtr<IDeckLink> device = decklink::deviceAt(deviceIndex, &noIterator);
    if (noIterator) {
        platform::systemLog("DeckLink: No devices found (iterator nil)");
        return false;
    }
    if (!device) {
        platform::systemLog("DeckLink: Device not found at index %d", deviceIndex);
        return false;
    }

    deckLink_ = device;
    deckLinkInput_ = deckLink_.as<IDeckLinkInput>();
    if (!deckLinkInput_) {
        platform::systemLog("DeckLink: This device has no IDeckLinkInput");
        deckLink_.reset();
        return false;
    }

    callback_ = ComPtr<DeckLinkInputCallback>::adopt(new DeckLinkInputCallback(weak_from_this()));
    deckLinkInput_->SetCallback(callback_.get());

    if (modeCode < 0) {
        autoDetectEnabled_ = true;
        HRESULT hr = deckLinkInput_->EnableVideoInput(
            kDeckLinkModeUnknown, kDeckLinkFormat8BitYUV, kDeckLinkVideoInputEnableFormatDetection);
        if (hr != S_OK) {
            platform::systemLog("DeckLink: EnableVideoInput auto-detect failed (0x%08x). Fallback to 1080p50.",
                static_cast<unsigned>(hr));
            deckLinkInput_->DisableVideoInput();
            autoDetectEnabled_ = false;
            hr = deckLinkInput_->EnableVideoInput(
                kDeckLinkModeHD1080p50, kDeckLinkFormat8BitYUV, kDeckLinkVideoInputFlagDefault);
            if (hr != S_OK) {
                platform::systemLog("DeckLink: EnableVideoInput 1080p50 failed (0x%08x)", static_cast<unsigned>(hr));
                releaseAll();
                return false;
            }
        }
    } else {
        const auto displayMode = DeckLinkInputDisplayModeForModeCode(modeCode);
        if (!displayMode) {
            platform::systemLog("DeckLink: No display mode for modeCode %d", modeCode);
            releaseAll();
            return false;
        }
        const HRESULT hr
            = deckLinkInput_->EnableVideoInput(*displayMode, kDeckLinkFormat8BitYUV, kDeckLinkVideoInputFlagDefault);
        if (hr != S_OK) {
            platform::systemLog(
                "DeckLink: EnableVideoInput failed for modeCode %d (0x%08x)", modeCode, static_cast<unsigned>(hr));
            releaseAll();
            return false;
        }
    }

    inputOpen_ = true;
    if (deckLinkInput_->StartStreams() != S_OK) {
        platform::systemLog("DeckLink: StartStreams failed");
        deckLinkInput_->DisableVideoInput();
        releaseAll();
        return false;
    }
    platform::systemLog("DeckLink: Input started OK (autoDetect=%s)", autoDetectEnabled_ ? "YES" : "NO");
    return true;
}

void DeckLinkInput::releaseAll()
{
    inputOpen_ = false;
    autoDetectEnabled_ = false;
    if (deckLinkInput_)
        deckLinkInput_->SetCallback(nullptr);
    callback_.reset();
    deckLinkInput_.reset();
    deckLink_.reset();
}

void DeckLinkInput::stop()
{
    // Stopping waits for the card's callbacks; on the card's own thread it would wait for itself.
    Q_ASSERT(platform::isMainThread());
    session_.fetch_add(1);
    autoDetectEnabled_ = false;
    isReconfiguring_ = false;
    inputOpen_ = false;
    if (deckLinkInput_) {
        deckLinkInput_->StopStreams();
        deckLinkInput_->DisableVideoInput();
        deckLinkInput_->SetCallback(nullptr);
        deckLinkInput_.reset();
    }
    callback_.reset();
    deckLink_.reset();
    platform::systemLog("DeckLink: Input stopped");
}

QVariantMap DeckLinkInput::inputStatus() const
{
    if (!deckLink_)
        return {};
    auto status = deckLink_.as<IDeckLinkStatus>();
    if (!status)
        return {};

    bool signalLocked = false, refLocked = false;
    std::int64_t mode = 0, fieldDominance = 0, colorspace = 0, formatFlags = 0;
    int reads = 0;
    auto readFlag = [&](DeckLinkStatusID id, bool& out) {
        bool value = false;
        if (status->GetFlag(id, &value) == S_OK) {
            out = value;
            ++reads;
        }
    };
    auto readInt = [&](DeckLinkStatusID id, std::int64_t& out) {
        std::int64_t value = 0;
        if (status->GetInt(id, &value) == S_OK) {
            out = value;
            ++reads;
        }
    };
    readFlag(kDeckLinkStatusVideoInputSignalLocked, signalLocked);
    readFlag(kDeckLinkStatusReferenceSignalLocked, refLocked);
    readInt(kDeckLinkStatusDetectedVideoInputMode, mode);
    readInt(kDeckLinkStatusDetectedVideoInputFieldDominance, fieldDominance);
    readInt(kDeckLinkStatusDetectedVideoInputColorspace, colorspace);
    readInt(kDeckLinkStatusDetectedVideoInputFormatFlags, formatFlags);
    status.reset();
    if (reads == 0)
        return {};

    const DeckLinkDetectedMode detected = DeckLinkDetectedModeInfo(mode);
    return {
        { QStringLiteral("signalLocked"), signalLocked },
        { QStringLiteral("refLocked"), refLocked },
        { QStringLiteral("mode"), QVariant::fromValue<qint64>(mode) },
        { QStringLiteral("modeCode"), QVariant::fromValue<qint32>(detected.modeCode) },
        { QStringLiteral("fps"), detected.fps },
        { QStringLiteral("fieldDominance"), QVariant::fromValue<qint64>(fieldDominance) },
        { QStringLiteral("colorspace"), QVariant::fromValue<qint64>(colorspace) },
        { QStringLiteral("formatFlags"), QVariant::fromValue<qint64>(formatFlags) },
    };
}

} // namespace decklink
