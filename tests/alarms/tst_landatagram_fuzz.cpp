// Builds the datagram parser's libFuzzer target with clang (address and undefined
// behaviour sanitizers) and runs it for a few seconds from a small corpus of real
// datagrams. Skipped where clang or its fuzzer runtime is not installed.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestLanDatagramFuzz : public QObject {
    Q_OBJECT
private slots:
    void parserSurvivesFuzzing() {
        const QString clang = QStandardPaths::findExecutable(QStringLiteral("clang++"));
        if (clang.isEmpty()) QSKIP("clang++ not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString src = QStringLiteral(VANTORO_SOURCE_DIR);
        const QString headers = QLibraryInfo::path(QLibraryInfo::HeadersPath);
        const QString libs = QLibraryInfo::path(QLibraryInfo::LibrariesPath);
        const QString exe = dir.filePath(QStringLiteral("fuzz_landatagram"));

        QProcess build;
        build.setProcessChannelMode(QProcess::MergedChannels);
        build.start(clang, {QStringLiteral("-std=c++20"), QStringLiteral("-g"), QStringLiteral("-O1"), QStringLiteral("-fPIC"),
                            QStringLiteral("-fsanitize=fuzzer,address,undefined"),
                            QStringLiteral("-fno-sanitize-recover=undefined"), QStringLiteral("-I") + src,
                            QStringLiteral("-I") + headers, QStringLiteral("-I") + headers + QStringLiteral("/QtCore"),
                            src + QStringLiteral("/tests/alarms/fuzz/fuzz_landatagram.cpp"),
                            src + QStringLiteral("/alarms/LanDatagram.cpp"), src + QStringLiteral("/alarms/Cp932.cpp"),
                            QStringLiteral("-L") + libs, QStringLiteral("-lQt6Core"), QStringLiteral("-o"), exe});
        QVERIFY(build.waitForFinished(240000));
        const QString buildLog = QString::fromUtf8(build.readAll());
        if (build.exitCode() != 0 && buildLog.contains(QLatin1String("libclang_rt.fuzzer")))
            QSKIP("clang's fuzzer runtime (libclang-rt-14-dev) not installed");
        QVERIFY2(build.exitCode() == 0, qPrintable(buildLog));

        QDir corpus(dir.filePath(QStringLiteral("corpus")));
        QVERIFY(corpus.mkpath(QStringLiteral(".")));
        const QList<QByteArray> seeds = {
            "01<USERNAME>\x8a\xc7\x97\x9d\x8e\xd2<IPADDR>192.168.0.2<GAMEID><DATA>",
            "11<USERNAME>a<IPADDR>1.2.3.4<GAMEID>99<DATA>\x92\xe2\x8e\x7e",
            "11<IPADDR>1.2.3.4<USERNAME>bob<GAMEID>99<DATA>x",
            "21<DATA>\x81",
        };
        for (qsizetype i = 0; i < seeds.size(); ++i) {
            QFile f(corpus.filePath(QString::number(i)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(seeds[i]);
        }
        QFile dict(dir.filePath(QStringLiteral("tags.dict")));
        QVERIFY(dict.open(QIODevice::WriteOnly));
        dict.write("\"<USERNAME>\"\n\"<IPADDR>\"\n\"<GAMEID>\"\n\"<DATA>\"\n\"11\"\n\"21\"\n\"31\"\n\"32\"\n\"\\x81\"\n\"\\xe0\"\n");
        dict.close();

        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(dir.path());
        run.start(exe, {QStringLiteral("-max_total_time=8"), QStringLiteral("-max_len=2048"),
                        QStringLiteral("-timeout=5"), QStringLiteral("-dict=") + dict.fileName(),
                        corpus.path()});
        QVERIFY(run.waitForFinished(60000));
        const QString log = QString::fromUtf8(run.readAll());
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, qPrintable(log.right(4000)));
        QVERIFY2(log.contains(QLatin1String("Done ")), qPrintable(log.right(2000)));
    }
};

VANTORO_TEST_MAIN(TestLanDatagramFuzz)
#include "tst_landatagram_fuzz.moc"
