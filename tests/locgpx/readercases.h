#pragma once

// The case files of tests/data/readers: one case a line, its fields
// separated by tabs: a name, the document (see Unescaped) and what is
// expected of it, one "key: value" at least (see CheckRead). Lines starting
// with # are comments.

#include "support/testfiles.h"

inline void AddCaseLines(const char* fileName) {
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QStringList>("expected");
    QFile file(QStringLiteral(WAYFOLD_TEST_DATA "/readers/") + QLatin1String(fileName));
    QVERIFY2(file.open(QIODevice::ReadOnly), fileName);
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (line.trimmed().isEmpty() || line.startsWith('#')) {
            continue;
        }
        QVERIFY2(fields.size() >= 3, line.constData());
        QStringList expected;
        for (const QByteArray& field : fields.mid(2)) {
            expected += QString::fromUtf8(Unescaped(field));
        }
        QTest::newRow(fields[0].constData()) << Unescaped(fields[1]) << expected;
    }
}
