// The plug-in test bench over a copy of the program folder: the list of the built
// plug-ins (a library beside them that is not a plug-in is named, not listed), each
// plug-in's settings window opened as an update over a typed string and confirmed or
// cancelled by the test, refused strings, row clicks, column sorting and a click with
// nothing selected.
#include "TestSupport.h"

#include "checkbench/FrmCheckbench.h"
#include "plugins/host/PluginUiSeams.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {
const QString kCaption = QStringLiteral("チェックベンチ");
QString programDir() { return QStringLiteral(VANTORO_PROGRAM_DIR); }

// The rows in file-name order: title, file, version, parameter description.
const QStringList kRows[] = {
    {"SQL Serve接続ﾁｪｯｸ", "VantorDB.so", "1.0.0", "ｱﾄﾞﾚｽ|ﾀｲﾑｱｳﾄ(5)|ﾕｰｻﾞID|ﾊﾟｽﾜｰﾄﾞ|DB名|SQL文"},
    {"IBM UDB2接続ﾁｪｯｸ", "VantorDB2.so", "1.0.0", "DSN名|ﾀｲﾑｱｳﾄ(5)|ﾕｰｻﾞID|ﾊﾟｽﾜｰﾄﾞ|SQL文"},
    {"Port接続ﾁｪｯｸ", "VantorPort.so", "1.0.0", "IPｱﾄﾞﾚｽ|ﾎﾟｰﾄNo(65536)|ﾀｲﾑｱｳﾄ(60)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|説明"},
    {"FTPｻｰﾊﾞ接続ﾁｪｯｸ", "Vantorftp.so", "1.0.0",
     "ｱﾄﾞﾚｽ|ﾀｲﾑｱｳﾄ(5)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|ﾛｸﾞｲﾝID(anonymous)|ﾊﾟｽﾜｰﾄﾞ"},
    {"WWWｻｰﾊﾞ接続ﾁｪｯｸ", "Vantorwww.so", "1.0.0",
     "URL|ﾀｲﾑｱｳﾄ(60)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)|ﾌﾟﾛﾄｺﾙ(4:http,5:https)|ﾕｰｻﾞID|ﾊﾟｽﾜｰﾄﾞ"},
    {"WWWｻｰﾊﾞ接続ﾁｪｯｸ２", "Vantorwww2.so", "1.0.1", "URL|ﾀｲﾑｱｳﾄ(5)|ｳｪｲﾄﾀｲﾑ(3)|ﾘﾄﾗｲ回数(2)"},
};

struct Shown {
    QString prompt;
    int style;
    QString title;
};
}  // namespace

class CheckbenchTest : public QObject {
    Q_OBJECT

    QTemporaryDir folder_;
    std::unique_ptr<FrmCheckbench> bench_;
    QList<Shown> boxes_;

    QTreeWidget* list() const { return bench_->findChild<QTreeWidget*>(QStringLiteral("ListViewDll")); }
    QLineEdit* parm() const { return bench_->findChild<QLineEdit*>(QStringLiteral("TxtParm")); }
    QPushButton* select() const { return bench_->findChild<QPushButton*>(QStringLiteral("CmdSelect")); }
    QStringList texts(int c) const {
        QStringList texts;
        for (int i = 0; i < list()->topLevelItemCount(); ++i) texts << list()->topLevelItem(i)->text(c);
        return texts;
    }
    void selectRow(const QString& file) {
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list()->topLevelItem(i);
            if (item->text(1) == file) {
                list()->setCurrentItem(item);
                return;
            }
        }
        QFAIL(qPrintable(file + QStringLiteral(" is not listed")));
    }

    // A bench over dir whose message boxes land in boxes_.
    std::unique_ptr<FrmCheckbench> benchOn(const QString& dir) {
        auto bench = std::make_unique<FrmCheckbench>(dir);
        bench->SetMessageBox([this](const QString& p, int s, const QString& t) {
            boxes_ << Shown{p, s, t};
            return 1;
        });
        return bench;
    }

    // Presses CmdSelect; the plug-in's window, when one opens, is handed to steps.
    // Returns whether a window opened.
    bool pressSelect(const std::function<void(QWidget*)>& steps) {
        bool opened = false;
        plugin::PluginDialogDriver driver([&](QWidget* window) {
            opened = true;
            steps(window);
        });
        QTest::mouseClick(select(), Qt::LeftButton);
        return opened;
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        const QString dir = folder_.path();
        // A copy of the program folder: the bench and the six plug-ins...
        QVERIFY(QFile::copy(programDir() + QStringLiteral("/checkbench"), dir + QStringLiteral("/checkbench")));
        for (const QStringList& row : kRows)
            QVERIFY2(QFile::copy(programDir() + u'/' + row[1], dir + u'/' + row[1]), qPrintable(row[1]));
        // ...and a shared library that is not a plug-in.
        const QString zlib = QStringLiteral("/lib/x86_64-linux-gnu/libz.so.1");
        if (QFile::exists(zlib)) {
            QVERIFY(QFile::copy(zlib, dir + QStringLiteral("/Broken.so")));
        } else {
            QFile broken(dir + QStringLiteral("/Broken.so"));
            QVERIFY(broken.open(QIODevice::WriteOnly));
            broken.write("not a library\n");
        }

        bench_ = benchOn(dir);
        bench_->show();
        QVERIFY(QTest::qWaitForWindowExposed(bench_.get()));
        bench_->Load();
    }
    void init() { boxes_.clear(); }

    void listsThePlugins() {
        QCOMPARE(bench_->windowTitle(), kCaption);
        QTreeWidget* view = list();
        QCOMPARE(view->headerItem()->text(0), QStringLiteral("機能名"));
        QCOMPARE(view->headerItem()->text(1), QStringLiteral("ﾌｧｲﾙ名"));
        QCOMPARE(view->headerItem()->text(2), QStringLiteral("ﾊﾞｰｼﾞｮﾝ"));
        QCOMPARE(view->headerItem()->text(3), QStringLiteral("引数の説明"));
        QCOMPARE(select()->text(), QStringLiteral("選択"));
        QVERIFY(view->isVisible());
        QCOMPARE(view->topLevelItemCount(), int(std::size(kRows)));
        for (int i = 0; i < view->topLevelItemCount(); ++i)
            for (int c = 0; c < 4; ++c) QCOMPARE(view->topLevelItem(i)->text(c), kRows[i][c]);
        // The first row is selected and its description is in the box.
        QCOMPARE(view->selectedItems().value(0), view->topLevelItem(0));
        QCOMPARE(parm()->text(), kRows[0][3]);
    }

    void leavesOutWhatIsNotAPlugin() {
        // Loading again finds the same plug-ins; the library beside them that is not one
        // gives no row and no message.
        bench_->Load();
        QCOMPARE(list()->topLevelItemCount(), int(std::size(kRows)));
        QVERIFY(list()->findItems(QStringLiteral("Broken.so"), Qt::MatchExactly, 1).isEmpty());
        QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.value(0).prompt));
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("firstBox");  // the window's first box, as filled
        QTest::addColumn<QString>("out");
        QTest::newRow("port") << "VantorPort.so" << "localhost|0080|30|5|0| web " << "TxtURL"
                              << "localhost|80|30|5|1|web";
        QTest::newRow("ftp") << "Vantorftp.so" << " ftp.test |05|3|2|user|pw" << "TxtURL" << "ftp.test|5|3|2|user|pw";
        QTest::newRow("www") << "Vantorwww.so" << "web.test|60|3|0|9|user|pw" << "TxtURL"
                             << "web.test|60|3|1|5|user|pw";
        QTest::newRow("sql server") << "VantorDB.so" << "dbhost|0|sa|pw|master|SELECT 1" << "TxtAddress"
                                    << "dbhost|1|sa|pw|master|SELECT 1";
        QTest::newRow("www2") << "Vantorwww2.so" << "web.test|7|3|0" << "TxtURL" << "web.test|7|3|1";
        QTest::newRow("udb2") << "VantorDB2.so" << "MYDSN|0|db2user|pw|SELECT 1" << "TxtDSN"
                              << "MYDSN|1|db2user|pw|SELECT 1";
    }
    void roundTrip() {
        QFETCH(QString, file);
        QFETCH(QString, typed);
        QFETCH(QString, firstBox);
        QFETCH(QString, out);
        selectRow(file);
        parm()->setText(typed);
        const bool opened = pressSelect([&](QWidget* window) {
            // Opened as an update, over the typed string.
            QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("CmdOK"))->text(), QStringLiteral("更新"));
            QLineEdit* first = window->findChild<QLineEdit*>(firstBox);
            QVERIFY(first);
            QCOMPARE(first->text(), typed.section(u'|', 0, 0));
            window->findChild<QPushButton*>(QStringLiteral("CmdOK"))->click();
        });
        QVERIFY(opened);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].prompt, QStringLiteral("引数(OUT)=") + out);
        QCOMPARE(boxes_[0].style, 64);
        QCOMPARE(boxes_[0].title, kCaption);
        QCOMPARE(parm()->text(), typed);

        // Cancelled: nothing shown, the box as typed.
        boxes_.clear();
        parm()->setText(out);
        const bool reopened = pressSelect([](QWidget* window) {
            window->findChild<QPushButton*>(QStringLiteral("CmdClose"))->click();
        });
        QVERIFY(reopened);
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(parm()->text(), out);
    }

    void refusedString_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("no separator") << "localhost" << "エラー 5";
        QTest::newRow("letter for a number") << "localhost|80|x|3|2|web" << "エラー 13";
        QTest::newRow("port out of range") << "localhost|99999999999|30|3|2|web" << "エラー 6";
    }
    void refusedString() {
        QFETCH(QString, typed);
        QFETCH(QString, prompt);
        selectRow(QStringLiteral("VantorPort.so"));
        parm()->setText(typed);
        QVERIFY(!pressSelect([](QWidget*) {}));
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].prompt, prompt);
        QCOMPARE(boxes_[0].style, 48);
        QCOMPARE(boxes_[0].title, kCaption);
    }

    void rowClickReplacesTheBox() {
        parm()->setText(QStringLiteral("typed"));
        QTreeWidgetItem* third = list()->topLevelItem(2);
        const QRect r = list()->visualItemRect(third);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(list()->selectedItems().value(0), third);
        QCOMPARE(parm()->text(), third->text(3));
    }

    void headerClicksSortBothWays_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("title") << 0;
        QTest::newRow("file") << 1;
        QTest::newRow("version") << 2;
    }
    void headerClicksSortBothWays() {
        QFETCH(int, column);
        QHeaderView* header = list()->header();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QStringList ascending = texts(column);
        std::sort(ascending.begin(), ascending.end());
        QStringList descending = ascending;
        std::reverse(descending.begin(), descending.end());

        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        const QStringList first = texts(column);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        const QStringList second = texts(column);
        QVERIFY(first == ascending || first == descending);
        QCOMPARE(second, first == ascending ? descending : ascending);
        // Rows move whole: each file keeps its own title.
        for (int i = 0; i < list()->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = list()->topLevelItem(i);
            bool known = false;
            for (const QStringList& row : kRows) known = known || (row[0] == item->text(0) && row[1] == item->text(1));
            QVERIFY(known);
        }
    }

    void nothingSelectedDoesNothing() {
        list()->clearSelection();
        parm()->setText(QStringLiteral("localhost|80|30|3|2|web"));
        QVERIFY(!pressSelect([](QWidget*) {}));
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(parm()->text(), QStringLiteral("localhost|80|30|3|2|web"));
    }

    void listsWhatCanBeRead() {
        // A library whose object cannot tell its title and has no description beside a
        // real plug-in: both listed, the odd one with what it told; trying it says why.
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QStringLiteral(VANTORO_ODD_PLUGIN), dir.path() + QStringLiteral("/Odd.so")));
        QVERIFY(QFile::copy(programDir() + QStringLiteral("/VantorPort.so"), dir.path() + QStringLiteral("/VantorPort.so")));
        const auto owned = benchOn(dir.path());
        FrmCheckbench& bench = *owned;
        bench.Load();
        QVERIFY(boxes_.isEmpty());
        auto* view = bench.findChild<QTreeWidget*>(QStringLiteral("ListViewDll"));
        QCOMPARE(view->topLevelItemCount(), 2);
        const QStringList odd{"", "Odd.so", "2.0.0", ""};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(view->topLevelItem(0)->text(c), odd[c]);
            QCOMPARE(view->topLevelItem(1)->text(c), kRows[2][c]);
        }
        QVERIFY(bench.findChild<QLineEdit*>(QStringLiteral("TxtParm"))->text().isEmpty());
        {
            plugin::PluginDialogDriver driver([](QWidget*) { QFAIL("no window may open"); });
            bench.CmdSelect_Click();
        }
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].prompt, QStringLiteral("エラー 438"));
        QCOMPARE(boxes_[0].style, 48);
    }

    void emptyFolder() {
        QTemporaryDir empty;
        const auto owned = benchOn(empty.path());
        FrmCheckbench& bench = *owned;
        bench.Load();
        auto* view = bench.findChild<QTreeWidget*>(QStringLiteral("ListViewDll"));
        QCOMPARE(view->topLevelItemCount(), 0);
        QVERIFY(bench.findChild<QLineEdit*>(QStringLiteral("TxtParm"))->text().isEmpty());
        plugin::PluginDialogDriver driver([](QWidget*) { QFAIL("no window may open"); });
        bench.CmdSelect_Click();
        QVERIFY(boxes_.isEmpty());
    }
};

VANTORO_TEST_MAIN(CheckbenchTest)
#include "tst_checkbench.moc"
