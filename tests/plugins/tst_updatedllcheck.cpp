// Changing and deleting one plug-in assignment of a computer through the plug-in's own
// settings window: database first (引数 kept scrambled), then the model and the tree;
// nothing at all when the window is cancelled, the row is gone or the write fails.
#include "TestSupport.h"

#include "engine/PluginHost.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "model/TreeNodes.h"
#include "plugins/host/PluginUiSeams.h"

#include <QLineEdit>
#include <QPushButton>
#include "engine/Monitor.h"

namespace {
const QString kAddress = QStringLiteral("10.0.0.5");
const QString kNode = QStringLiteral("%10.0.0.5@001");
const QString kPlain = QStringLiteral("10.0.0.5|80|60|3|2|web~");  // "~" scrambles to 127
QString scrambled(const QString& s) { return Encipherment(QString::fromLatin1(kParameterKey), s); }

enum class Action { Ok, Close, TitleBar, RenameAndOk };
}  // namespace
Q_DECLARE_METATYPE(Action)

class UpdateDllCheckTest : public QObject {
    Q_OBJECT

    QString db_;
    std::unique_ptr<Monitor> monitor_;
    TreeNodes* tree_ = nullptr;
    QStringList captions_;  // OK captions the windows showed

    QByteArray storedBytes() const {
        return vtest::Scalar(db_, QStringLiteral("SELECT CAST(引数 AS BLOB) FROM TBL_DLL WHERE アドレス = ? AND 連番 = 1"),
                             {kAddress})
            .toByteArray();
    }
    int rows() const {
        return vtest::Scalar(db_, QStringLiteral("SELECT COUNT(*) FROM TBL_DLL WHERE アドレス = ?"), {kAddress}).toInt();
    }
    ClsDllDatas::Ptr assignment() const {
        const int no = gPingDatas.GetItemNo(kAddress);
        if (!no) return nullptr;
        auto& dlls = gPingDatas.Item(no)->DllData();
        const int pos = dlls.GetItemNo(1);
        return pos ? dlls.Item(pos) : nullptr;
    }

    std::unique_ptr<plugin::PluginDialogDriver> driverFor(Action action) {
        return std::make_unique<plugin::PluginDialogDriver>([this, action](QWidget* w) {
            captions_ << w->findChild<QPushButton*>(QStringLiteral("CmdOK"))->text();
            switch (action) {
            case Action::Ok: w->findChild<QPushButton*>(QStringLiteral("CmdOK"))->click(); break;
            case Action::Close: w->findChild<QPushButton*>(QStringLiteral("CmdClose"))->click(); break;
            case Action::TitleBar: w->close(); break;
            case Action::RenameAndOk:
                w->findChild<QLineEdit*>(QStringLiteral("TxtName"))->setText(QStringLiteral("renamed"));
                w->findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
                break;
            }
        });
    }

private slots:
    void initTestCase() {
        LoadCheckDlls(QStringLiteral(VANTORO_PROGRAM_DIR));
        QVERIFY(gDllCount() > 0);
    }

    void init() {
        captions_.clear();
        db_ = vtest::FreshDatabase();
        QVERIFY(vtest::Exec(db_, QStringLiteral("INSERT INTO TBL_DLL (アドレス, 連番, DLL名, 引数) VALUES (?, 1, ?, ?)"),
                            {kAddress, QStringLiteral("VantorPort.so"), scrambled(kPlain)}));
        gPingDatas.Clear();
        gPingDatas.AddItem(kAddress, QStringLiteral("pc"), QStringLiteral("G"), 3, 0, 1000, true, true, true, QString());
        gPingDatas.Item(1)->DllData().Add(1, QStringLiteral("VantorPort.so"), kPlain);
        monitor_ = std::make_unique<Monitor>();
        tree_ = &monitor_->TreeComputer();
        QVERIFY(tree_->Add(QString(), tvwLast, QStringLiteral("#10.0.0.5"), QStringLiteral("pc"), QStringLiteral("Nomal")));
        QVERIFY(tree_->Add(QStringLiteral("#10.0.0.5"), tvwChild, kNode, QStringLiteral("port"), QStringLiteral("SStart")));
        gSelAddress = kAddress;
        gSelSubNo = 1;
    }
    void cleanup() {
        tree_ = nullptr;
        monitor_.reset();
    }

    void windowOutcome_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<Action>("action");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<QString>("caption");
        QTest::newRow("change cancelled") << "U" << Action::Close << false << "更新";
        QTest::newRow("change closed by title bar") << "U" << Action::TitleBar << false << "更新";
        QTest::newRow("delete cancelled") << "D" << Action::Close << false << "削除";
        QTest::newRow("other mode confirmed") << "X" << Action::Ok << false << "登録";
        QTest::newRow("change confirmed") << "U" << Action::RenameAndOk << true << "更新";
        QTest::newRow("delete confirmed") << "D" << Action::Ok << true << "削除";
    }
    void windowOutcome() {
        QFETCH(QString, mode);
        QFETCH(Action, action);
        QFETCH(bool, changed);
        QFETCH(QString, caption);
        const QByteArray before = storedBytes();
        auto driver = driverFor(action);
        QCOMPARE(UpdateDllCheck(mode, *monitor_), changed);
        QCOMPARE(captions_, QStringList{caption});

        if (!changed) {
            QCOMPARE(storedBytes(), before);
            QCOMPARE(rows(), 1);
            QVERIFY(tree_->Item(kNode));
            QVERIFY(assignment());
            QCOMPARE(assignment()->Parameter, kPlain);
        } else if (mode == QLatin1String("U")) {
            const QString edited = QStringLiteral("10.0.0.5|80|60|3|2|renamed");
            QCOMPARE(vtest::Scalar(db_, QStringLiteral("SELECT 引数 FROM TBL_DLL WHERE アドレス = ?"), {kAddress}).toString(),
                     scrambled(edited));
            QVERIFY(scrambled(edited) != edited);
            QCOMPARE(assignment()->Parameter, edited);
            QVERIFY(tree_->Item(kNode));
        } else {
            QCOMPARE(rows(), 0);
            QVERIFY(!tree_->Item(kNode));
            QVERIFY(tree_->Item(QStringLiteral("#10.0.0.5")));
            QVERIFY(!assignment());
        }
    }

    void rowAlreadyGone() {
        QVERIFY(vtest::Exec(db_, QStringLiteral("DELETE FROM TBL_DLL")));
        auto driver = driverFor(Action::Ok);
        QVERIFY(!UpdateDllCheck(QStringLiteral("D"), *monitor_));
        QVERIFY(tree_->Item(kNode));
        QVERIFY(assignment());
    }

    void writeFailureReportedAndNothingChanged() {
        vtest::RecordingMessageBox boxes;
        gOptDatabasePath = vtest::HomeDir() + QStringLiteral("/missing.MDB");
        auto driver = driverFor(Action::Ok);
        QVERIFY(!UpdateDllCheck(QStringLiteral("D"), *monitor_));
        QCOMPARE(boxes.shown.size(), 1);
        QVERIFY(tree_->Item(kNode));
        QVERIFY(assignment());
        QCOMPARE(rows(), 1);
        QVERIFY(!QFile::exists(gOptDatabasePath));
        gOptDatabasePath = db_;
    }

    void nothingToOpen_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("subNo");
        QTest::addColumn<QString>("dllName");
        QTest::newRow("unknown computer") << "10.9.9.9" << 1 << "VantorPort.so";
        QTest::newRow("unknown row number") << "10.0.0.5" << 7 << "VantorPort.so";
        QTest::newRow("plug-in not loaded") << "10.0.0.5" << 1 << "Missing.so";
        QTest::newRow("file name differs in case") << "10.0.0.5" << 1 << "vantorport.so";
    }
    void nothingToOpen() {
        QFETCH(QString, address);
        QFETCH(int, subNo);
        QFETCH(QString, dllName);
        assignment()->DllName = dllName;
        gSelAddress = address;
        gSelSubNo = static_cast<qint16>(subNo);
        auto driver = driverFor(Action::Ok);
        QVERIFY(!UpdateDllCheck(QStringLiteral("D"), *monitor_));
        QVERIFY(captions_.isEmpty());  // no window was opened
        QCOMPARE(rows(), 1);
        QVERIFY(tree_->Item(kNode));
    }

    void noPluginsLoaded() {
        auto saved = gDllObjects;
        gDllObjects.clear();
        auto driver = driverFor(Action::Ok);
        QVERIFY(!UpdateDllCheck(QStringLiteral("D"), *monitor_));
        QVERIFY(captions_.isEmpty());
        gDllObjects = saved;
    }
};

VANTORO_TEST_MAIN(UpdateDllCheckTest)
#include "tst_updatedllcheck.moc"
