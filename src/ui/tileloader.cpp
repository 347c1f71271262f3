#include "ui/tileloader.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>
#include <QUrl>

namespace {

// A tile takes 256 KB decoded; this many fill a large screen twice.
constexpr int kImagesKept = 160;
constexpr qint64 kDiskCacheBytes = 200LL * 1024 * 1024;
constexpr int kRetrySeconds = 60;
constexpr int kTimeoutMs = 20000;

}  // namespace

size_t qHash(const TileKey& key, size_t seed) {
    return qHashMulti(seed, key.zoom, key.x, key.y);
}

TileLoader::TileLoader(const QString& address, const QString& cacheFolder, QObject* parent)
    : QObject(parent),
      address_(address.trimmed()),
      network_(new QNetworkAccessManager(this)),
      images_(kImagesKept) {
    auto* cache = new QNetworkDiskCache(network_);
    cache->setCacheDirectory(!cacheFolder.isEmpty()
                                 ? cacheFolder
                                 : QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                                       QStringLiteral("/tiles"));
    cache->setMaximumCacheSize(kDiskCacheBytes);
    network_->setCache(cache);
}

TileLoader::~TileLoader() {
    // Aborting emits finished; nothing is to be handled any more.
    const auto replies = running_;
    running_.clear();
    for (QNetworkReply* reply : replies) {
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

QImage TileLoader::tile(const TileKey& key) const {
    const QImage* image = images_.object(key);
    return image != nullptr ? *image : QImage();
}

void TileLoader::want(const QList<TileKey>& tiles) {
    queue_.clear();
    if (address_.isEmpty()) {
        return;
    }
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const TileKey& key : tiles) {
        if (images_.contains(key) || running_.contains(key)) {
            continue;
        }
        if (const auto at = failed_.constFind(key);
            at != failed_.cend() && at->secsTo(now) < kRetrySeconds) {
            continue;
        }
        queue_.push_back(key);
    }
    startNext();
}

void TileLoader::startNext() {
    while (running_.size() < kMaxRequests && !queue_.isEmpty()) {
        const TileKey key = queue_.takeFirst();
        QString address = address_;
        address.replace(QLatin1String("{z}"), QString::number(key.zoom))
            .replace(QLatin1String("{x}"), QString::number(key.x))
            .replace(QLatin1String("{y}"), QString::number(key.y));
        QNetworkRequest request{QUrl(address)};
        request.setHeader(QNetworkRequest::UserAgentHeader,
                          QStringLiteral("Wayfold/" WAYFOLD_VERSION));
        // The cache answers while the server's headers call its copy fresh,
        // and asks the server again once they do not.
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::PreferNetwork);
        request.setTransferTimeout(kTimeoutMs);
        QNetworkReply* reply = network_->get(request);
        running_.insert(key, reply);
        connect(reply, &QNetworkReply::finished, this,
                [this, reply, key] { finished(reply, key); });
    }
}

void TileLoader::finished(QNetworkReply* reply, const TileKey& key) {
    reply->deleteLater();
    if (running_.value(key) != reply) {
        return;
    }
    running_.remove(key);
    QImage image;
    if (reply->error() == QNetworkReply::NoError) {
        image.loadFromData(reply->readAll());
    }
    const bool wasFailing = failing_;
    if (image.isNull()) {
        failed_.insert(key, QDateTime::currentDateTimeUtc());
        failing_ = true;
    } else {
        failed_.remove(key);
        images_.insert(key, new QImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
        failing_ = false;
        Q_EMIT tileArrived();
    }
    if (failing_ != wasFailing) {
        Q_EMIT availabilityChanged();
    }
    startNext();
}
