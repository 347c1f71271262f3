#pragma once

#include <QCache>
#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// A tile of the map: zoom, column and row.
struct TileKey {
    int zoom = 0;
    int x = 0;
    int y = 0;
    friend bool operator==(const TileKey&, const TileKey&) = default;
};
size_t qHash(const TileKey& key, size_t seed = 0);

// Fetches the map's background tiles from a tile server, as its usage policy
// asks: only the tiles in view, never more than two requests at a time, a
// User-Agent naming the program and its version, and every tile kept in a
// disk cache that follows the server's cache headers, so a tile seen once
// is not fetched again while the server calls it fresh.
class TileLoader final : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxRequests = 2;

    // address: with {z}, {x} and {y}; empty fetches nothing.
    TileLoader(const QString& address, const QString& cacheFolder, QObject* parent = nullptr);
    ~TileLoader() override;

    // A tile that has arrived; a null image otherwise.
    QImage tile(const TileKey& key) const;
    // The tiles in view now, most wanted first: those not at hand are
    // fetched, and those wanted before but out of view now are not.
    void want(const QList<TileKey>& tiles);
    // No tiles to be had: no address, or the last answer was a failure.
    bool unavailable() const { return address_.isEmpty() || failing_; }

Q_SIGNALS:
    void tileArrived();
    void availabilityChanged();

private:
    void startNext();
    void finished(QNetworkReply* reply, const TileKey& key);

    QString address_;
    QNetworkAccessManager* network_;
    QCache<TileKey, QImage> images_;
    QList<TileKey> queue_;
    QHash<TileKey, QNetworkReply*> running_;
    // A tile that failed is asked for again only after a while.
    QHash<TileKey, QDateTime> failed_;
    bool failing_ = false;
};
