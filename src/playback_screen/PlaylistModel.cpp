#include "playback_screen/PlaylistModel.h"

#include "playback/PlaybackViewModel.h"
#include "playback_screen/PlaybackView.h"
#include "settings/AppSettings.h"

#include <QPointer>

namespace playback_screen {

namespace {

// Whether two records of one clip differ in anything its row shows.
bool modelRowValuesDiffer(const playback::ClipItem& a, const playback::ClipItem& b)
{
    return a.isGood != b.isGood || a.offline != b.offline || a.thumbnail.cacheKey() != b.thumbnail.cacheKey()
        || a.markIn != b.markIn || a.markOut != b.markOut || a.duration != b.duration || a.url != b.url
        || a.formatWidth != b.formatWidth || a.formatHeight != b.formatHeight || a.formatFPS != b.formatFPS
        || a.formatScan != b.formatScan;
}

bool modelAllGood(const TakeGroup& group)
{
    return std::all_of(group.clips.begin(), group.clips.end(), [](const playback::ClipItem& c) { return c.isGood; });
}

} // namespace

PlaylistModel::PlaylistModel(PlaybackView& screen, QObject* parent)
    : QAbstractListModel(parent)
    , screen_(screen)
{
    playback::PlaybackViewModel& vm = screen_.models().vm;
    connect(&vm, &playback::PlaybackViewModel::clipsChanged, this, [this] { updates_.request(); });
    connect(&screen_, &PlaybackView::collapsedTakesChanged, this, [this] { updates_.request(); });
    connect(&screen_.models().settings, &settings::AppSettings::projectFormatChanged, this,
        [this] { refreshAllClipRows(); });
    rebuild(vm.clips());
}

void PlaylistModel::refresh()
{
    updates_.runNow();
}

void PlaylistModel::apply()
{
    const QList<playback::ClipItem>& clips = screen_.models().vm.clips();
    if (collapsed_ != screen_.collapsedTakes() || !sameStructure(clips))
        rebuild(clips);
    else
        updateValues(clips);
}

bool PlaylistModel::sameStructure(const QList<playback::ClipItem>& clips) const
{
    if (clips.size() != clips_.size())
        return false;
    for (qsizetype i = 0; i < clips.size(); ++i) {
        const playback::ClipItem& a = clips[i];
        const playback::ClipItem& b = clips_[i];
        if (a.id != b.id || a.take != b.take || a.inputNumber != b.inputNumber || a.title != b.title)
            return false;
    }
    return true;
}

void PlaylistModel::rebuild(const QList<playback::ClipItem>& clips)
{
    beginResetModel();
    ++rebuildCount_;
    clips_ = clips;
    collapsed_ = screen_.collapsedTakes();
    groups_ = groupClipsByTake(clips_);
    lines_.clear();
    lines_.reserve(static_cast<size_t>(clips_.size() + static_cast<qsizetype>(groups_.size())));
    clipPlace_.clear();
    clipLine_.clear();
    headerLine_.assign(groups_.size(), -1);
    for (int g = 0; g < static_cast<int>(groups_.size()); ++g) {
        const TakeGroup& group = groups_[static_cast<size_t>(g)];
        headerLine_[static_cast<size_t>(g)] = static_cast<int>(lines_.size());
        lines_.push_back({ Kind::header, g, -1 });
        const bool expanded = collapsed_.count(group.takeKey) == 0;
        for (int c = 0; c < group.clips.size(); ++c) {
            clipPlace_.insert(group.clips[c].id, { g, c });
            if (expanded) {
                clipLine_.insert(group.clips[c].id, static_cast<int>(lines_.size()));
                lines_.push_back({ Kind::clip, g, c });
            }
        }
    }
    // Thumbnails of clips that left the playlist are dropped.
    for (auto it = thumbnails_.begin(); it != thumbnails_.end();)
        it = clipPlace_.contains(it.key()) ? std::next(it) : thumbnails_.erase(it);
    endResetModel();
}

void PlaylistModel::updateValues(const QList<playback::ClipItem>& clips)
{
    for (qsizetype i = 0; i < clips.size(); ++i) {
        const playback::ClipItem& clip = clips[i];
        if (!modelRowValuesDiffer(clip, clips_[i]))
            continue;
        const auto [g, c] = clipPlace_.value(clip.id);
        TakeGroup& group = groups_[static_cast<size_t>(g)];
        const bool wasAllGood = modelAllGood(group);
        group.clips[c] = clip;
        clips_[i] = clip;
        if (const auto line = clipLine_.constFind(clip.id); line != clipLine_.cend())
            emit dataChanged(index(*line), index(*line));
        if (modelAllGood(group) != wasAllGood) {
            const QModelIndex header = index(headerLine_[static_cast<size_t>(g)]);
            emit dataChanged(header, header);
        }
    }
}

void PlaylistModel::refreshAllClipRows()
{
    if (!lines_.empty())
        emit dataChanged(index(0), index(static_cast<int>(lines_.size()) - 1));
}

void PlaylistModel::setDevicePixelRatio(double dpr)
{
    if (qFuzzyCompare(dpr, dpr_))
        return;
    dpr_ = dpr;
    thumbnails_.clear();
}

int PlaylistModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

bool PlaylistModel::isHeader(int row) const
{
    return row >= 0 && row < static_cast<int>(lines_.size()) && lines_[static_cast<size_t>(row)].kind == Kind::header;
}

const TakeGroup* PlaylistModel::groupAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(lines_.size()))
        return nullptr;
    return &groups_[static_cast<size_t>(lines_[static_cast<size_t>(row)].group)];
}

const playback::ClipItem* PlaylistModel::clipAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(lines_.size()))
        return nullptr;
    const Line& line = lines_[static_cast<size_t>(row)];
    return line.kind == Kind::clip ? &groups_[static_cast<size_t>(line.group)].clips[line.clip] : nullptr;
}

std::optional<int> PlaylistModel::rowOf(const QUuid& id) const
{
    const auto it = clipLine_.constFind(id);
    return it == clipLine_.cend() ? std::nullopt : std::optional<int>(*it);
}

QVariant PlaylistModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (const playback::ClipItem* clip = clipAt(row)) {
        if (role == Qt::DisplayRole)
            return clip->slateDisplayName();
        if (role == clipIdRole)
            return clip->id;
    } else if (const TakeGroup* group = groupAt(row); group && role == Qt::DisplayRole) {
        return group->label;
    }
    return {};
}

Qt::ItemFlags PlaylistModel::flags(const QModelIndex& index) const
{
    if (isHeader(index.row()))
        return Qt::ItemIsEnabled;
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

QPixmap PlaylistModel::thumbnailFor(const playback::ClipItem& clip) const
{
    if (clip.thumbnail.isNull())
        return {};
    Thumbnail& cached = thumbnails_[clip.id];
    if (cached.pixmap.isNull() || cached.sourceKey != clip.thumbnail.cacheKey()) {
        cached.sourceKey = clip.thumbnail.cacheKey();
        cached.pixmap = PlaylistRowPainter::thumbnailPixmap(clip.thumbnail, dpr_);
    }
    return cached.pixmap;
}

PlaylistRowContent PlaylistModel::rowContent(int row) const
{
    const playback::ClipItem* clip = clipAt(row);
    if (!clip)
        return {};
    return contentFor(*clip, screen_.models().vm, clip->offline ? QPixmap() : thumbnailFor(*clip));
}

PlaylistRowContent PlaylistModel::contentFor(
    const playback::ClipItem& clip, const playback::PlaybackViewModel& vm, const QPixmap& thumbnail)
{
    PlaylistRowContent content;
    content.offline = clip.offline;
    content.thumbnail = thumbnail;
    content.inputNumber = clip.inputNumber;
    content.name = clip.slateDisplayName();
    content.formatLabel = clip.formatLabel();
    content.formatMismatch = vm.clipFormatMismatch(clip).value_or(false);
    content.isGood = clip.isGood;
    content.inText = playback::PlaybackViewModel::formattedTime(clip.markIn);
    content.outText = playback::PlaybackViewModel::formattedTime(clip.markOut);
    content.durationText = playback::PlaybackViewModel::formattedTime(clip.duration);
    return content;
}

PlaylistHeaderContent PlaylistModel::headerContent(int row) const
{
    PlaylistHeaderContent content;
    const TakeGroup* group = isHeader(row) ? groupAt(row) : nullptr;
    if (!group)
        return content;
    content.label = group->label;
    content.clipCount = static_cast<int>(group->clips.size());
    content.collapsed = collapsed_.count(group->takeKey) > 0;
    content.allGood = modelAllGood(*group);
    // The clips without a take number never start a take preview: the button stays inert.
    content.multiViewEnabled = group->takeKey.has_value();
    return content;
}

} // namespace playback_screen
