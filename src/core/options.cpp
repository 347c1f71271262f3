#include "core/options.h"

#include <QUrl>

QString CacheSiteShortName() {
    return QStringLiteral("Geocaching.com");
}

QString DefaultCacheSiteUrl() {
    return QStringLiteral("https://www.geocaching.com");
}

QString SiteAddress(const QString& text) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty()) {
        return QString();
    }
    QUrl site;
    site.setScheme(url.scheme());
    site.setHost(url.host());
    site.setPort(url.port());
    return site.toString();
}

QString CacheDetailsUrl(const QString& site, const QString& code) {
    return (site.isEmpty() ? DefaultCacheSiteUrl() : site) +
           QStringLiteral("/seek/cache_details.aspx?wp=") + code;
}
