// The built program on the files of tests/data/readers/program.txt:
// hostile XML for both XML readers and the real files of other programs,
// each a clear message or a correct import in bounded time, under the
// German locale. The memory target for large files is the benchmark's.
#include <QTemporaryDir>
#include <QtTest>

#include "locgpx/readercases.h"
#include "support/fakes.h"

using namespace Qt::StringLiterals;

#ifndef Q_OS_WIN
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A socket listening on the loopback address: a fetch of a URL at its port
// shows as a connection.
struct Listener {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    ~Listener() { close(fd); }
    int listenedPort() const {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const auto a = reinterpret_cast<sockaddr*>(&address);
        return bind(fd, a, length) == 0 && listen(fd, 4) == 0 && getsockname(fd, a, &length) == 0
                   ? ntohs(address.sin_port)
                   : 0;
    }
    bool connected() const {
        const int client = accept(fd, nullptr, nullptr);
        return client >= 0 && close(client) == 0;
    }
};

const QByteArray kMarker = "MARKER-FROM-OUTSIDE";

// Writes the document with 100 MB of digits for each %BIG% in it, written
// straight to the file.
bool WriteBigFile(const QString& path, const QByteArray& document) {
    QFile file(path);
    const QByteArray block = QByteArray("0123456789").repeated(1 << 17);
    bool written = file.open(QIODevice::WriteOnly);
    qsizetype at = 0;
    for (qsizetype big; (big = document.indexOf("%BIG%", at)) >= 0; at = big + 5) {
        written = written && file.write(document.mid(at, big - at)) == big - at;
        for (int n = 0; n < 80; ++n) {
            written = written && file.write(block) == block.size();
        }
    }
    return written && file.write(document.mid(at)) == document.size() - at;
}

// The first and last megabyte of a file: enough to find what the tests look
// for in a written file without reading 100 MB of it.
QByteArray HeadAndTail(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray head = file.read(1 << 20);
    file.seek(std::max(file.pos(), file.size() - (1 << 20)));
    return head + file.read(1 << 20);
}

}  // namespace
#endif

class ProgramTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcessEnvironment environment_;

private Q_SLOTS:
    void initTestCase() {
#ifdef Q_OS_WIN
        QSKIP("Listens on a POSIX socket");
#else
        QVERIFY(dir_.isValid());
        const QProcessEnvironment plain = ProgramEnvironment(dir_.path());
        environment_ = GermanEnvironment(plain).value_or(plain);
        QVERIFY(MakeFile(dir_.filePath(u"secret.txt"_s), kMarker));
        QVERIFY(MakeFile(dir_.filePath(u"secret.dtd"_s), "<!ENTITY secret \"" + kMarker + "\">\n"));
#endif
    }

    void program_data() {
        AddCaseLines({{"program.txt", "program"}});
    }
    void program() {
#ifndef Q_OS_WIN
        QFETCH(QByteArray, document);
        QFETCH(QStringList, expected);
        const QString folder = dir_.path();
        const QString out = folder + u"/out.loc"_s;
        QFile::remove(out);
        const Listener listener;
        const int port = listener.listenedPort();
        QVERIFY(port > 0);
        document.replace("%DIR%", QFile::encodeName(folder))
            .replace("%PORT%", QByteArray::number(port))
            .replace("%NEST%",
                     QByteArray("<a>").repeated(100000) + QByteArray("</a>").repeated(100000));

        QString path;
        QString err;
        QList<QByteArray> written;
        for (const QString& e : expected) {
            const QString value = e.section(u": "_s, 1);
            if (e.startsWith(QLatin1String("fixture: "))) {
                REQUIRE_PEER_FIXTURES();
                path = FixturePath(value);
            } else if (e.startsWith(QLatin1String("file: "))) {
                path = folder + u'/' + value;
                QVERIFY(WriteBigFile(path, document));
            } else if (e.startsWith(QLatin1String("err: "))) {
                err += value + u'\n';
            } else {
                written += value.toLatin1();
            }
        }
        QVERIFY(!path.isEmpty());
        // A hang is a fault: RunProgram stops the program after three minutes.
        const ProgramRun r = RunProgram({u"--headless"_s, path, u"/l:"_s + out}, environment_);
        QCOMPARE(r.err, err.replace(QLatin1String("%1"), path));
        QCOMPARE(r.status, err.count(u'\n') > 1 ? 1 : 0);
        QVERIFY2(!listener.connected(), "the program connected to the listener");
        const QByteArray result = HeadAndTail(out);
        QVERIFY(!result.contains(kMarker));
        for (const QByteArray& piece : written) {
            QVERIFY2(result.contains(piece), piece.constData());
        }
#endif
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "test_program.moc"
