#include "playback_screen/TakeGroup.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace playback_screen {

namespace {

// Orders numbered keys numerically and puts the absent key last.
struct TakeKeyOrder {
    bool operator()(const TakeKey& a, const TakeKey& b) const
    {
        if (a.has_value() != b.has_value())
            return a.has_value();
        return a.has_value() && *a < *b;
    }
};

} // namespace

QString takeLabel(const TakeKey& key)
{
    return key ? QStringLiteral("Take ") + QString::number(*key) : QStringLiteral("No Take");
}

std::vector<TakeGroup> groupClipsByTake(const QList<playback::ClipItem>& clips)
{
    std::map<TakeKey, std::vector<qsizetype>, TakeKeyOrder> buckets;
    for (qsizetype i = 0; i < clips.size(); ++i)
        buckets[clips[i].take].push_back(i);

    // Each title is composed and widened once, not once per comparison.
    std::vector<QList<uint>> scalars(static_cast<size_t>(clips.size()));
    for (qsizetype i = 0; i < clips.size(); ++i)
        scalars[static_cast<size_t>(i)] = clips[i].title.normalized(QString::NormalizationForm_C).toUcs4();

    std::vector<TakeGroup> groups;
    groups.reserve(buckets.size());
    for (auto& [key, members] : buckets) {
        std::stable_sort(members.begin(), members.end(), [&](qsizetype a, qsizetype b) {
            const qint64 inputA = clips[a].inputNumber.value_or(0);
            const qint64 inputB = clips[b].inputNumber.value_or(0);
            if (inputA != inputB)
                return inputA < inputB;
            const QList<uint>& titleA = scalars[static_cast<size_t>(a)];
            const QList<uint>& titleB = scalars[static_cast<size_t>(b)];
            return std::lexicographical_compare(titleA.begin(), titleA.end(), titleB.begin(), titleB.end());
        });
        TakeGroup group { key, takeLabel(key), {} };
        group.clips.reserve(static_cast<qsizetype>(members.size()));
        for (qsizetype index : members)
            group.clips.push_back(clips[index]);
        groups.push_back(std::move(group));
    }
    return groups;
}

bool isAllCollapsed(const std::vector<TakeGroup>& groups, const TakeKeySet& collapsed)
{
    return !groups.empty() && std::all_of(groups.begin(), groups.end(), [&](const TakeGroup& g) {
        return collapsed.count(g.takeKey) > 0;
    });
}

TakeKeySet allTakeKeys(const std::vector<TakeGroup>& groups)
{
    TakeKeySet keys;
    for (const TakeGroup& group : groups)
        keys.insert(group.takeKey);
    return keys;
}

} // namespace playback_screen
