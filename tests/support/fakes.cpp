#include "support/fakes.h"

#include <zip.h>

bool MakeZip(const QString& path, const QList<std::pair<QString, QByteArray>>& entries,
             bool stored) {
    int error = 0;
    zip_t* archive =
        zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    for (const auto& [name, bytes] : entries) {
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t index =
            name.endsWith(u'/') ? zip_dir_add(archive, utf8.constData(), ZIP_FL_ENC_UTF_8)
                                : zip_file_add(archive, utf8.constData(),
                                               zip_source_buffer(archive, bytes.constData(),
                                                                 zip_uint64_t(bytes.size()), 0),
                                               ZIP_FL_ENC_UTF_8);
        if (index < 0 || zip_set_file_compression(archive, zip_uint64_t(index),
                                                  stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0) != 0) {
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

QList<ZipEntry> ZipEntries(const QString& path) {
    QList<ZipEntry> entries;
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (file == nullptr || zip_stat_index(archive, zip_uint64_t(i), 0, &stat) != 0) {
            zip_fclose(file);
            break;
        }
        ZipEntry entry{QString::fromUtf8(stat.name), QByteArray(qsizetype(stat.size), '\0'),
                       QStringLiteral("%1").arg(stat.crc, 8, 16, QLatin1Char('0'))};
        if (zip_fread(file, entry.bytes.data(), stat.size) != zip_int64_t(stat.size)) {
            entry.bytes.clear();
        }
        zip_fclose(file);
        entries.push_back(entry);
    }
    zip_close(archive);
    return entries;
}
