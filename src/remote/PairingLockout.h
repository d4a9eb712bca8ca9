#pragma once

// Slows down guessing of the six-digit pairing code. Per remote address, five wrong codes lock
// pairing for 30 s; each further lock of that address lasts twice as long, up to 15 min. A right
// code clears the address's record. While an address is locked its codes are not compared at all
// and the reply stays the ordinary "bad_code", so a guesser learns nothing. Codes are compared in
// constant time.
//
// Threads: main thread only.

#include "platform/MediaClock.h"

#include <QHash>
#include <QString>

namespace remote {

class PairingLockout {
public:
    static constexpr int failuresBeforeLock = 5;
    static constexpr double firstLockSeconds = 30.0;
    static constexpr double longestLockSeconds = 15.0 * 60.0;
    // Addresses remembered at most; when full, the records of unlocked addresses are dropped.
    static constexpr int maxAddresses = 1024;

    explicit PairingLockout(platform::MediaClock& clock = platform::MediaClock::system());

    // True when `code` equals `expected` and the address is not locked. Records the outcome.
    bool check(const QString& address, const QString& code, const QString& expected);

    bool isLocked(const QString& address) const;

    // Byte-wise comparison whose time does not depend on where the texts differ.
    static bool constantTimeEquals(const QByteArray& a, const QByteArray& b);

private:
    struct Record {
        int failures = 0;
        int locks = 0;
        double lockedUntil = 0.0;
    };

    void forgetSome(double now);

    platform::MediaClock& clock_;
    QHash<QString, Record> records_;
};

} // namespace remote
