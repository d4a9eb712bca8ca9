#include "remote/PairingLockout.h"

#include "platform/DebugLog.h"

#include <algorithm>
#include <cmath>

namespace remote {

PairingLockout::PairingLockout(platform::MediaClock& clock)
    : clock_(clock)
{
}

bool PairingLockout::isLocked(const QString& address) const
{
    const auto it = records_.constFind(address);
    return it != records_.constEnd() && clock_.now() < it->lockedUntil;
}

bool PairingLockout::check(const QString& address, const QString& code, const QString& expected)
{
    const double now = clock_.now();
    if (isLocked(address))
        return false;
    if (constantTimeEquals(code.toUtf8(), expected.toUtf8())) {
        records_.remove(address);
        return true;
    }
    if (!records_.contains(address) && records_.size() >= maxAddresses)
        forgetSome(now);
    auto& record = records_[address];
    if (++record.failures >= failuresBeforeLock) {
        const double seconds = std::min(longestLockSeconds, firstLockSeconds * std::pow(2.0, record.locks));
        record.failures = 0;
        record.locks = std::min(record.locks + 1, 16);
        record.lockedUntil = now + seconds;
        dlog("⛔️ [AUTH] pairing locked for", seconds, "s address=" + address);
    }
    return false;
}

void PairingLockout::forgetSome(double now)
{
    // Locked addresses are kept, or flooding from many addresses would unlock one.
    for (auto it = records_.begin(); it != records_.end();) {
        if (it->lockedUntil <= now)
            it = records_.erase(it);
        else
            ++it;
    }
}

bool PairingLockout::constantTimeEquals(const QByteArray& a, const QByteArray& b)
{
    const qsizetype length = std::max(a.size(), b.size());
    unsigned difference = a.size() == b.size() ? 0u : 1u;
    for (qsizetype i = 0; i < length; ++i) {
        const auto x = i < a.size() ? static_cast<unsigned char>(a.at(i)) : 0u;
        const auto y = i < b.size() ? static_cast<unsigned char>(b.at(i)) : 0u;
        difference |= x ^ y;
    }
    return difference == 0;
}

} // namespace remote
