#pragma once

// A small model of capture tiles handed to the screens: an ordered list of tiles, each tying an
// optional input number to a view, and which tile is the master. It has no behaviour of its own.
//
// Threads: main thread only.

#include <QList>
#include <QObject>
#include <QUuid>
#include <QVariant>

#include <optional>

namespace capture {

class CaptureHub : public QObject {
    Q_OBJECT

public:
    struct Tile {
        QUuid id;
        std::optional<int> inputNumber;
        QVariant view; // whatever the screen shows in the tile
    };

    explicit CaptureHub(QObject* parent = nullptr);

    const QList<Tile>& tiles() const { return tiles_; }
    void setTiles(QList<Tile> tiles);
    void appendTile(Tile tile);

    std::optional<QUuid> masterID() const { return masterID_; }
    void setMasterID(std::optional<QUuid> id);

signals:
    void tilesChanged();
    void masterIDChanged();

private:
    QList<Tile> tiles_;
    std::optional<QUuid> masterID_;
};

} // namespace capture
