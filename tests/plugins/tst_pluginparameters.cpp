// The parameter strings of the six plug-ins: how a put reads them, what a get gives back,
// the put rules of single members, and the errors a failed put reports through a loaded
// plug-in object.
#include "TestSupport.h"

#include "plugins/common/ParameterFormat.h"
#include "plugins/host/ClassFactory.h"
#include "plugins/host/LateBound.h"

using namespace plugin;

Q_DECLARE_METATYPE(plugin::PluginKind)

class ParametersTest : public QObject {
    Q_OBJECT

    static QString programDir() { return QStringLiteral(VANTORO_PROGRAM_DIR); }

private slots:
    void parse_data() {
        QTest::addColumn<PluginKind>("kind");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("get");
        QTest::addColumn<QVariantMap>("fields");  // members worth a look of their own
        const auto P = PluginKind::Port, F = PluginKind::Ftp, W = PluginKind::Www, D = PluginKind::DB,
                   W2 = PluginKind::Www2, D2 = PluginKind::DB2;

        QTest::newRow("port full") << P << "10.0.0.1|8080|30|5|4|web" << 0 << "10.0.0.1|8080|30|5|4|web" << QVariantMap{};
        QTest::newRow("port bare address") << P << "10.0.0.1" << 5 << "|0|60|3|2|" << QVariantMap{};
        QTest::newRow("port empty string") << P << "" << 5 << "|0|60|3|2|" << QVariantMap{};
        QTest::newRow("port leading separator stops") << P << "|80|1|1|1|x" << 0 << "|0|60|3|2|" << QVariantMap{};
        QTest::newRow("port number needs its separator") << P << "10.0.0.1|80" << 0 << "10.0.0.1|0|60|3|2|" << QVariantMap{};
        QTest::newRow("port time-out a letter") << P << "h|80|x|1|1|n" << 13 << "h|80|60|3|2|" << QVariantMap{};
        QTest::newRow("port empty number") << P << "h||1|1|1|n" << 13 << "h|0|60|3|2|" << QVariantMap{};
        QTest::newRow("port 16-bit overflow") << P << "h|80|40000|1|1|n" << 6 << "h|80|60|3|2|" << QVariantMap{};
        QTest::newRow("port 16-bit edge") << P << "h|80|32767|-32768|1|n" << 0 << "h|80|32767|-32768|1|n" << QVariantMap{};
        QTest::newRow("port is 32-bit") << P << "h|70000|1|1|1|n" << 0 << "h|70000|1|1|1|n" << QVariantMap{};
        QTest::newRow("port 32-bit overflow") << P << "h|3000000000|1|1|1|n" << 6 << "h|0|60|3|2|" << QVariantMap{};
        QTest::newRow("port one-letter name") << P << "h|1|2|3|4|n" << 0 << "h|1|2|3|4|n" << QVariantMap{};
        QTest::newRow("port extra fields join the name")
            << P << "h|1|2|3|4|a|b" << 0 << "h|1|2|3|4|a|b" << QVariantMap{{"Name", "a|b"}};
        QTest::newRow("port spaces kept, trimmed by get")
            << P << "  h  | 80 |2|3|4| n " << 0 << "h|80|2|3|4|n" << QVariantMap{{"URL", "  h  "}, {"Name", " n "}};
        QTest::newRow("port decimal rounds half to even")
            << P << "h|80|2.5|3.5|4|" << 0 << "h|80|2|4|4|" << QVariantMap{};

        QTest::newRow("ftp defaults read back") << F << "|5|3|2|anonymous|" << 0 << "|5|3|2|anonymous|" << QVariantMap{};
        QTest::newRow("ftp full") << F << "f|9|8|7|u|p" << 0 << "f|9|8|7|u|p" << QVariantMap{};
        QTest::newRow("ftp user and password empty") << F << "f|5|3|2||" << 0 << "f|5|3|2|anonymous|" << QVariantMap{};
        QTest::newRow("ftp one-letter user with separator") << F << "f|5|3|2|a|" << 0 << "f|5|3|2|a|" << QVariantMap{};
        QTest::newRow("ftp one-letter user at the end is not read")
            << F << "f|5|3|2|a" << 0 << "f|5|3|2|anonymous|" << QVariantMap{};
        QTest::newRow("ftp user without separator") << F << "f|5|3|2|ab" << 5 << "f|5|3|2|anonymous|" << QVariantMap{};
        QTest::newRow("ftp bare address") << F << "f" << 5 << "|5|3|2|anonymous|" << QVariantMap{};

        QTest::newRow("www seven fields")
            << W << "h|60|3|2|4|user|pw" << 0 << "h|60|3|2|4|user|pw"
            << QVariantMap{{"UserName", "user"}, {"Password", "pw"}, {"Protocol", 4}};
        QTest::newRow("www without last separator") << W << "h|61|4|3|5|user" << 5 << "h|61|4|3|5||" << QVariantMap{};
        QTest::newRow("www bare address") << W << "h" << 0 << "|60|3|2|4||" << QVariantMap{};
        QTest::newRow("www leading separator is an empty target")
            << W << "|61|3|2|4|u|p" << 0 << "|61|3|2|4|u|p" << QVariantMap{};
        QTest::newRow("www protocol stored as given") << W << "h|60|3|2|9|u|p" << 0 << "h|60|3|2|9|u|p"
                                                     << QVariantMap{{"Protocol", 9}};
        // The web check's user name is read when it starts on the last character; the others'
        // text fields are not.
        QTest::newRow("www one-letter user at the end") << W << "h|60|3|2|4|u" << 5 << "h|60|3|2|4||" << QVariantMap{};
        QTest::newRow("www ends after protocol") << W << "h|60|3|2|4|" << 0 << "h|60|3|2|4||" << QVariantMap{};
        QTest::newRow("www empty user, password") << W << "h|60|3|2|4||p" << 0 << "h|60|3|2|4||p" << QVariantMap{};

        QTest::newRow("db full") << D << "srv|5|sa|pw|db|select 1" << 0 << "srv|5|sa|pw|db|select 1" << QVariantMap{};
        QTest::newRow("db statement with separators")
            << D << "srv|5|sa|pw|db|select 'a|b'" << 0 << "srv|5|sa|pw|db|select 'a|b'" << QVariantMap{};
        QTest::newRow("db password without separator") << D << "srv|5|sa|pw" << 5 << "srv|5|sa|||" << QVariantMap{};
        QTest::newRow("db ends after time-out") << D << "srv|5|" << 0 << "srv|5||||" << QVariantMap{};
        QTest::newRow("db one-letter user at the end is not read") << D << "srv|5|u" << 0 << "srv|5||||" << QVariantMap{};
        QTest::newRow("db empty middle fields") << D << "srv|5|||db|s" << 0 << "srv|5|||db|s" << QVariantMap{};
        QTest::newRow("db bare address") << D << "srv" << 5 << "|5||||" << QVariantMap{};

        QTest::newRow("www2 bare address") << W2 << "h" << 0 << "|5|3|2" << QVariantMap{};
        QTest::newRow("www2 full") << W2 << "h|9|8|7" << 0 << "h|9|8|7" << QVariantMap{};
        QTest::newRow("www2 empty retry") << W2 << "h|9|8|" << 13 << "h|9|8|2" << QVariantMap{};
        QTest::newRow("www2 extra field spoils retry") << W2 << "h|9|8|7|x" << 13 << "h|9|8|2" << QVariantMap{};
        QTest::newRow("www2 retry overflow") << W2 << "h|9|8|99999" << 6 << "h|9|8|2" << QVariantMap{};

        QTest::newRow("db2 full") << D2 << "dsn|5|u|p|select 1" << 0 << "dsn|5|u|p|select 1" << QVariantMap{};
        QTest::newRow("db2 leading separator stops") << D2 << "|7|u|p|s" << 0 << "|5|||" << QVariantMap{};
        QTest::newRow("db2 user without separator") << D2 << "dsn|5|uu" << 5 << "dsn|5|||" << QVariantMap{};
    }
    void parse() {
        QFETCH(PluginKind, kind);
        QFETCH(QString, input);
        QFETCH(int, error);
        QFETCH(QString, get);
        QFETCH(QVariantMap, fields);
        const ParameterFormat& format = FormatOf(kind);
        FieldValues values = Defaults(format);
        QCOMPARE(ParseParameter(format, input, values), error);
        QCOMPARE(BuildParameter(format, values), get);
        for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
            const int i = format.indexOf(it.key());
            QVERIFY2(i >= 0, qPrintable(it.key()));
            QCOMPARE(values[static_cast<size_t>(i)].toString(), it.value().toString());
        }
        if (error == 0 && (format.lenientSeparators || !get.startsWith(u'|'))) {
            // What a get gave back reads back to the same settings.
            FieldValues again = Defaults(format);
            QCOMPARE(ParseParameter(format, get, again), 0);
            QCOMPARE(BuildParameter(format, again), get);
        }
    }

    void defaultsAndCaptions_data() {
        QTest::addColumn<PluginKind>("kind");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("defaults");
        QTest::addColumn<int>("captions");
        QTest::newRow("port") << PluginKind::Port << "VantorPort.ClsVantoro" << "Port接続ﾁｪｯｸ" << "1.0.0" << "|0|60|3|2|" << 6;
        QTest::newRow("ftp") << PluginKind::Ftp << "Vantorftp.ClsVantoro" << "FTPｻｰﾊﾞ接続ﾁｪｯｸ" << "1.0.0"
                             << "|5|3|2|anonymous|" << 6;
        QTest::newRow("www") << PluginKind::Www << "Vantorwww.ClsVantoro" << "WWWｻｰﾊﾞ接続ﾁｪｯｸ" << "1.0.0"
                             << "|60|3|2|4||" << 7;
        QTest::newRow("db") << PluginKind::DB << "VantorDB.ClsVantoro" << "SQL Serve接続ﾁｪｯｸ" << "1.0.0" << "|5||||" << 6;
        QTest::newRow("www2") << PluginKind::Www2 << "Vantorwww2.ClsVantoro" << "WWWｻｰﾊﾞ接続ﾁｪｯｸ２" << "1.0.1"
                              << "|5|3|2" << 4;
        QTest::newRow("db2") << PluginKind::DB2 << "VantorDB2.ClsVantoro" << "IBM UDB2接続ﾁｪｯｸ" << "1.0.0" << "|5|||" << 5;
    }
    void defaultsAndCaptions() {
        QFETCH(PluginKind, kind);
        QFETCH(QString, className);
        QFETCH(QString, title);
        QFETCH(QString, version);
        QFETCH(QString, defaults);
        QFETCH(int, captions);
        const ParameterFormat& format = FormatOf(kind);
        QCOMPARE(format.className(), className);
        QCOMPARE(format.title, title);
        QCOMPARE(format.version, version);
        QCOMPARE(BuildParameter(format, Defaults(format)), defaults);
        QCOMPARE(format.argument.split(u'|').size(), captions);
        QCOMPARE(format.parameterCount(), captions);
    }

    void putRules_data() {
        QTest::addColumn<PluginKind>("kind");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("given");
        QTest::addColumn<int>("error");
        QTest::addColumn<QVariant>("stored");
        const auto P = PluginKind::Port, F = PluginKind::Ftp, W = PluginKind::Www, D = PluginKind::DB;
        QTest::newRow("separator in the target") << P << "URL" << QVariant("a|b") << 5 << QVariant();
        QTest::newRow("separator in the last field") << P << "Name" << QVariant("a|b") << 0 << QVariant("a|b");
        QTest::newRow("name kept as given") << P << "Name" << QVariant("  n ") << 0 << QVariant("  n ");
        QTest::newRow("user name trimmed") << F << "UserName" << QVariant("  bob  ") << 0 << QVariant("bob");
        QTest::newRow("separator in a middle text") << F << "UserName" << QVariant("a|b") << 5 << QVariant();
        QTest::newRow("separator in the last password") << F << "Password" << QVariant("a|b") << 0 << QVariant("a|b");
        QTest::newRow("separator in a middle password") << D << "Password" << QVariant("p|w") << 5 << QVariant();
        QTest::newRow("protocol 9 becomes 5") << W << "Protocol" << QVariant(9) << 0 << QVariant(5);
        QTest::newRow("protocol 4 stays") << W << "Protocol" << QVariant(4) << 0 << QVariant(4);
        QTest::newRow("16-bit overflow") << P << "TimeOut" << QVariant(40000) << 6 << QVariant();
        QTest::newRow("number from text") << P << "TimeOut" << QVariant("12") << 0 << QVariant(12);
        QTest::newRow("letters for a number") << P << "TimeOut" << QVariant("x") << 13 << QVariant();
        QTest::newRow("port is 32-bit") << P << "Port" << QVariant(70000) << 0 << QVariant(70000);
    }
    void putRules() {
        QFETCH(PluginKind, kind);
        QFETCH(QString, field);
        QFETCH(QVariant, given);
        QFETCH(int, error);
        QFETCH(QVariant, stored);
        const ParameterFormat& format = FormatOf(kind);
        const int index = format.indexOf(field);
        QVERIFY(index >= 0);
        QVariant out = QStringLiteral("untouched");
        QCOMPARE(PutRule(format, index, given, out), error);
        if (error == 0)
            QCOMPARE(out.toString(), stored.toString());
        else
            QCOMPARE(out.toString(), QStringLiteral("untouched"));
    }

    // The same rules seen from a host: the put reports its number through the contract.
    void putsThroughTheLoadedPlugin() {
        ObjectPtr port = CreateObject(QStringLiteral("VantorPort.ClsVantoro"), programDir());
        QVERIFY(port);
        QCOMPARE(Put(port, "Parameter", QStringLiteral("10.0.0.1")), 5);
        QCOMPARE(GetText(port, "Parameter"), QStringLiteral("|0|60|3|2|"));
        QCOMPARE(Put(port, "Parameter", QStringLiteral("h|80|x|1|1|n")), 13);
        QCOMPARE(GetText(port, "URL"), QStringLiteral("h"));
        QCOMPARE(Get(port, "Port")->toInt(), 80);
        QCOMPARE(Put(port, "Parameter", QStringLiteral("h|80|40000|1|1|n")), 6);
        QCOMPARE(Get(port, "TimeOut")->toInt(), 60);
        QCOMPARE(Put(port, "Parameter", QStringLiteral("h|81|7|0|5|svc")), 0);
        QCOMPARE(Get(port, "LastError")->toInt(), 0);

        QCOMPARE(Put(port, "TimeOut", 40000), 6);
        QCOMPARE(Get(port, "TimeOut")->toInt(), 7);
        QCOMPARE(Put(port, "TimeOut", QStringLiteral("abc")), 13);
        QCOMPARE(Put(port, "URL", QStringLiteral("a|b")), 5);
        QCOMPARE(GetText(port, "URL"), QStringLiteral("h"));
        QCOMPARE(Put(port, "NoSuchMember", 1), ErrNoMember);
        QCOMPARE(Put(port, "Title", QStringLiteral("x")), ErrReadOnly);
        QVERIFY(!Get(port, "NoSuchMember"));

        QCOMPARE(Put(port, "Proc", QStringLiteral("U")), 0);
        QCOMPARE(GetText(port, "Proc"), QStringLiteral("U"));
        QCOMPARE(Put(port, "Parameter", QStringLiteral("h|81|7|0|5|svc")), 0);
        QCOMPARE(GetText(port, "Proc"), QStringLiteral("I"));

        QVERIFY(!Call(port, "NoSuchMethod"));
        QVERIFY(!Call(port, "Check", {1, 2, 3}));
        QCOMPARE(GetText(port, "Argument"),
                 QStringLiteral("IPｱﾄﾞﾚｽ|ﾎﾟｰﾄNo(65536)|ﾀｲﾑｱｳﾄ(60)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|説明"));
    }
};

VANTORO_TEST_MAIN(ParametersTest)
#include "tst_pluginparameters.moc"
