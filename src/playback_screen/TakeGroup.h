#pragma once

// The playlist's take groups: one group per take number (and one for the clips without a take
// number, last), numbered takes in numeric order, clips inside a group by camera input and then
// by title. Pure functions over a copy of the clip list; main thread or any.

#include "playback/ClipItem.h"

#include <QList>
#include <QString>

#include <optional>
#include <set>
#include <vector>

namespace playback_screen {

// A take key: the take number, none for the clips that have no take number.
using TakeKey = std::optional<qint64>;
using TakeKeySet = std::set<TakeKey>;

struct TakeGroup {
    TakeKey takeKey;
    QString label; // "Take 7", "No Take"
    QList<playback::ClipItem> clips; // never empty
};

// The groups in display order; an empty playlist gives none. Titles compare by the Unicode
// scalars of their canonically composed form, so two spellings of one title are equal and keep
// their playlist order, and a character outside the basic plane sorts by its scalar value.
std::vector<TakeGroup> groupClipsByTake(const QList<playback::ClipItem>& clips);

// "Take 7", "Take -2", "No Take".
QString takeLabel(const TakeKey& key);

// True when there is at least one group and every group's key is collapsed.
bool isAllCollapsed(const std::vector<TakeGroup>& groups, const TakeKeySet& collapsed);
// The keys of every group now (what collapsing all writes).
TakeKeySet allTakeKeys(const std::vector<TakeGroup>& groups);

} // namespace playback_screen
