#pragma once

// The playlist as the list shows it: a flat list of lines, one header per take group followed by
// the clip rows of that group when it is expanded. Headers cannot be selected.
//
// The model follows the engine's clip list and the screen's collapsed takes, once per turn of the
// event loop whatever the number of changes: when only clip values changed (good flag, marks,
// thumbnail, offline flag) the lines of those clips are updated in place (dataChanged, so only
// they repaint); when clips came, went, moved between groups or changed order, or a take was
// collapsed or expanded, the lines are rebuilt (a model reset). Playhead ticks touch nothing here.
// Thumbnails are scaled once per picture to the row's cell.
//
// Main thread only.

#include "playback_screen/OncePerTurn.h"
#include "playback_screen/PlaylistRowPainter.h"
#include "playback_screen/TakeGroup.h"

#include <QAbstractListModel>
#include <QHash>
#include <QUuid>

#include <optional>
#include <vector>

namespace playback {
class PlaybackViewModel;
}

namespace playback_screen {

class PlaybackView;

class PlaylistModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // The clip id of a row (as a QUuid), none for a header.
    static constexpr int clipIdRole = Qt::UserRole + 1;

    explicit PlaylistModel(PlaybackView& screen, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const std::vector<TakeGroup>& groups() const { return groups_; }
    bool isHeader(int row) const;
    const TakeGroup* groupAt(int row) const;
    // The clip of a clip row; null for a header or an invalid row.
    const playback::ClipItem* clipAt(int row) const;
    std::optional<int> rowOf(const QUuid& id) const;
    PlaylistRowContent rowContent(int row) const;
    PlaylistHeaderContent headerContent(int row) const;
    // What the row of `clip` shows, with its thumbnail already scaled.
    static PlaylistRowContent contentFor(
        const playback::ClipItem& clip, const playback::PlaybackViewModel& vm, const QPixmap& thumbnail);

    // The pixel ratio thumbnails are scaled for.
    void setDevicePixelRatio(double dpr);
    // Brings the lines up to date now (the model also does it by itself on the next turn).
    void refresh();
    // Every clip line changes (the project format behind the mismatch badge changed).
    void refreshAllClipRows();
    // Rebuilds so far; for tests and the benchmark.
    int rebuildCount() const { return rebuildCount_; }

private:
    enum class Kind { header, clip };
    struct Line {
        Kind kind;
        int group;
        int clip; // index in the group; -1 for a header
    };
    struct Thumbnail {
        qint64 sourceKey = 0;
        QPixmap pixmap;
    };

    void apply();
    bool sameStructure(const QList<playback::ClipItem>& clips) const;
    void rebuild(const QList<playback::ClipItem>& clips);
    void updateValues(const QList<playback::ClipItem>& clips);
    QPixmap thumbnailFor(const playback::ClipItem& clip) const;

    PlaybackView& screen_;
    QList<playback::ClipItem> clips_;
    TakeKeySet collapsed_;
    std::vector<TakeGroup> groups_;
    std::vector<Line> lines_;
    // Clip id -> (group, index in group) and -> line.
    QHash<QUuid, std::pair<int, int>> clipPlace_;
    QHash<QUuid, int> clipLine_;
    std::vector<int> headerLine_;
    mutable QHash<QUuid, Thumbnail> thumbnails_;
    double dpr_ = 1.0;
    int rebuildCount_ = 0;
    OncePerTurn updates_ { this, [this] { apply(); } };
};

} // namespace playback_screen
