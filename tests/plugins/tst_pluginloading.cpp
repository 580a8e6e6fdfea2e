// Finding and creating the plug-ins: a folder holding the built plug-in libraries among
// files that are not plug-ins, the class names made from file names, the per-user class
// registry and the libraries' unload answer.
#include "TestSupport.h"

#include "engine/PluginHost.h"
#include "model/DllObjects.h"
#include "plugins/common/ClassRegistry.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace plugin;

namespace {
struct Known {
    const char* file;
    const char* title;
    const char* version;
};
// Every plug-in the system ships; the ones built so far take part.
const Known kPlugins[] = {
    {"VantorPort.so", "Port接続ﾁｪｯｸ", "1.0.0"},     {"Vantorftp.so", "FTPｻｰﾊﾞ接続ﾁｪｯｸ", "1.0.0"},
    {"Vantorwww.so", "WWWｻｰﾊﾞ接続ﾁｪｯｸ", "1.0.0"},   {"VantorDB.so", "SQL Serve接続ﾁｪｯｸ", "1.0.0"},
    {"Vantorwww2.so", "WWWｻｰﾊﾞ接続ﾁｪｯｸ２", "1.0.1"}, {"VantorDB2.so", "IBM UDB2接続ﾁｪｯｸ", "1.0.0"},
};
QString programDir() { return QStringLiteral(VANTORO_PROGRAM_DIR); }
}  // namespace

class PluginLoadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    QStringList expected_;  // file names, in the order the loader must give them

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        const QString dir = folder_.path();
        for (const Known& k : kPlugins) {
            const QString name = QString::fromLatin1(k.file);
            if (!QFile::exists(programDir() + u'/' + name)) continue;
            QVERIFY(QFile::copy(programDir() + u'/' + name, dir + u'/' + name));
            expected_ << name;
        }
        QVERIFY2(expected_.contains(QStringLiteral("VantorPort.so")), "the port check plug-in is built");
        std::sort(expected_.begin(), expected_.end());
        const QString port = programDir() + QStringLiteral("/VantorPort.so");
        // A real plug-in under names that do not name its class.
        QVERIFY(QFile::copy(port, dir + QStringLiteral("/a.b.so")));
        QVERIFY(QFile::copy(port, dir + QStringLiteral("/Other.so")));
        QVERIFY(QFile::copy(port, dir + QStringLiteral("/.Hidden.so")));
        // Not plug-ins at all: text, a shared library without the entry points, a folder.
        QFile junk(dir + QStringLiteral("/Junk.so"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a library\n");
        junk.close();
        const QString zlib = QStringLiteral("/lib/x86_64-linux-gnu/libz.so.1");
        if (QFile::exists(zlib)) QVERIFY(QFile::copy(zlib, dir + QStringLiteral("/Zlib.so")));
        QVERIFY(QDir(dir).mkdir(QStringLiteral("Dir.so")));
        // Only "*.so" counts.
        QVERIFY(QFile::copy(port, dir + QStringLiteral("/VantorPort.dll")));
    }

    void classNames_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("className");
        QTest::newRow("plain") << "VantorPort.so" << "VantorPort.ClsVantoro";
        QTest::newRow("two points") << "a.b.so" << "a.ClsVantoro";
        QTest::newRow("no point") << "Vantor" << "ClsVantoro";
    }
    void classNames() {
        QFETCH(QString, file);
        QFETCH(QString, className);
        QCOMPARE(ClassNameForFile(file), className);
    }

    void loadsExactlyThePlugins() {
        LoadCheckDlls(folder_.path());
        QStringList names;
        for (const DllObject& e : gDllObjects) names << e.DllName;
        QCOMPARE(names, expected_);
        QCOMPARE(gDllCount(), int(expected_.size()));
        for (const DllObject& e : gDllObjects) {
            QVERIFY(e.Object);
            for (const Known& k : kPlugins)
                if (e.DllName == QLatin1String(k.file)) {
                    QCOMPARE(GetText(e.Object, "Title"), QString::fromUtf8(k.title));
                    QCOMPARE(GetText(e.Object, "Version"), QString::fromLatin1(k.version));
                    QCOMPARE(GetText(e.Object, "Proc"), QStringLiteral("I"));
                }
        }
        // Loading again starts from an empty table.
        LoadCheckDlls(folder_.path());
        QCOMPARE(gDllCount(), int(expected_.size()));
    }

    void emptyOrMissingFolder() {
        QTemporaryDir empty;
        LoadCheckDlls(empty.path());
        QCOMPARE(gDllCount(), 0);
        LoadCheckDlls(empty.path() + QStringLiteral("/missing"));
        QCOMPARE(gDllCount(), 0);
    }

    void creationRefusals_data() {
        QTest::addColumn<QString>("className");
        QTest::newRow("library named otherwise") << "Other.ClsVantoro";
        QTest::newRow("no such library") << "a.ClsVantoro";
        QTest::newRow("text file") << "Junk.ClsVantoro";
        QTest::newRow("library without entry points") << "Zlib.ClsVantoro";
        QTest::newRow("folder") << "Dir.ClsVantoro";
        QTest::newRow("other class of a plug-in") << "VantorPort.Something";
        QTest::newRow("empty") << "";
    }
    void creationRefusals() {
        QFETCH(QString, className);
        QString error;
        QVERIFY(!CreateObject(className, folder_.path(), &error));
        QVERIFY(!error.isEmpty());
    }

    void separateObjectsPerCreation() {
        ObjectPtr one = CreateObject(QStringLiteral("VantorPort.ClsVantoro"), folder_.path());
        ObjectPtr two = CreateObject(QStringLiteral("VantorPort.ClsVantoro"), folder_.path());
        QVERIFY(one && two && one != two);
        QCOMPARE(Put(one, "Parameter", QStringLiteral("h|1|2|3|4|x")), 0);
        QCOMPARE(GetText(two, "Parameter"), QStringLiteral("|0|60|3|2|"));
    }

    void unloadAnswerFollowsLiveObjects() {
        const QString lib = folder_.path() + QStringLiteral("/VantorPort.so");
        gDllObjects.clear();
        QCOMPARE(CanUnloadNow(lib), 0);
        ObjectPtr live = CreateObject(QStringLiteral("VantorPort.ClsVantoro"), folder_.path());
        QVERIFY(live);
        QCOMPARE(CanUnloadNow(lib), 1);
        live.reset();
        QCOMPARE(CanUnloadNow(lib), 0);
        QCOMPARE(CanUnloadNow(folder_.path() + QStringLiteral("/Junk.so")), -1);
    }

    void classRegistry() {
        const QString className = QStringLiteral("VantorPort.ClsVantoro");
        const QString lib = folder_.path() + QStringLiteral("/VantorPort.so");
        // Nothing beside the test program and nothing registered: no object.
        QVERIFY(!QFile::exists(QCoreApplication::applicationDirPath() + QStringLiteral("/VantorPort.so")));
        QCOMPARE(UnregisterServer(lib), 0);
        QVERIFY(!CreateObject(className));

        QCOMPARE(RegisterServer(lib), 0);
        QCOMPARE(RegisteredLibrary(className), QFileInfo(lib).absoluteFilePath());
        ObjectPtr viaRegistry = CreateObject(className);
        QVERIFY(viaRegistry);
        QCOMPARE(GetText(viaRegistry, "Title"), QStringLiteral("Port接続ﾁｪｯｸ"));
        // The registry lives in the test's own settings folder.
        QVERIFY(QFileInfo(OpenClassRegistry()->fileName()).absoluteFilePath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));

        QCOMPARE(UnregisterServer(lib), 0);
        QCOMPARE(RegisteredLibrary(className), QString());
        QVERIFY(!CreateObject(className));
        QCOMPARE(RegisterServer(folder_.path() + QStringLiteral("/Junk.so")), -1);
    }
};

VANTORO_TEST_MAIN(PluginLoadingTest)
#include "tst_pluginloading.moc"
