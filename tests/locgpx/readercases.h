#pragma once

// The case files of tests/data/readers: one case a line, its fields
// separated by tabs: a name, the document (see Unescaped) and what is
// expected of it, one "key: value" at least (see CheckRead). Lines starting
// with # are comments. Rows name the reader they are for, and are tagged
// with it.

#include "support/testfiles.h"

inline void AddCase(const QString& reader, const QString& name, const QByteArray& document,
                    const QStringList& expected) {
    QTest::addRow("%s: %s", qPrintable(reader), qPrintable(name)) << reader << document << expected;
}

// The columns of the current test, and the cases of the tables given with
// the reader each is for.
inline void AddCaseLines(std::initializer_list<std::pair<const char*, const char*>> tables) {
    AddColumns<QString, QByteArray, QStringList>("reader", "document", "expected");
    for (const auto& [table, reader] : tables) {
        QFile file(QStringLiteral(WAYFOLD_TEST_DATA "/readers/") + QLatin1String(table));
        QVERIFY2(file.open(QIODevice::ReadOnly), table);
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
            AddCase(QLatin1String(reader), QString::fromUtf8(fields[0]), Unescaped(fields[1]),
                    expected);
        }
    }
}
