#include "capture/CaptureHub.h"

namespace capture {

CaptureHub::CaptureHub(QObject* parent)
    : QObject(parent)
{
}

void CaptureHub::setTiles(QList<Tile> tiles)
{
    tiles_ = std::move(tiles);
    emit tilesChanged();
}

void CaptureHub::appendTile(Tile tile)
{
    tiles_.append(std::move(tile));
    emit tilesChanged();
}

void CaptureHub::setMasterID(std::optional<QUuid> id)
{
    masterID_ = id;
    emit masterIDChanged();
}

} // namespace capture
