// A whole monitoring setup built from an empty database through the tree's commands and the
// real record dialogs: a group, a computer in it, a port check and a plug-in assignment
// (the port check plug-in, its settings window driven offscreen). What the dialogs patched
// into the tree and the target list must be what the loader builds from the rows they wrote.
#include "TestSupport.h"
#include "tests/console/ConsoleRig.h"

#include "admin/FrmComputer.h"
#include "admin/FrmDllSelect.h"
#include "admin/FrmGroup.h"
#include "admin/FrmService.h"
#include "console/FrmPing.h"
#include "engine/PluginHost.h"
#include "model/DllObjects.h"
#include "model/Encipherment.h"
#include "model/Globals.h"
#include "plugins/host/PluginUiSeams.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {

// Every node as "key|parent key|text|image", in tree order.
QStringList Nodes(TreeNodes& nodes, bool loaderText) {
    QStringList out;
    for (int i = 1; i <= nodes.Count(); ++i) {
        const TreeNode* n = nodes.Item(i);
        QString text = TreeNodes::Text(n);
        // A computer node the dialog wrote reads "  【", the loader's "　【" (same node).
        if (loaderText && TreeNodes::Key(n).startsWith('#')) text.replace(QStringLiteral("  【"), QStringLiteral("　【"));
        out << TreeNodes::Key(n) + '|' + TreeNodes::Key(n->Parent()) + '|' + text + '|' +
                   TreeNodes::Image(n);
    }
    out.sort();
    return out;
}

QStringList Targets() {
    QStringList out;
    for (int i = 1; i <= gPingDatas.ListCount(); ++i) {
        const auto d = gPingDatas.Item(i);
        QString line = QStringList{d->IPAddress, d->Computer, d->Group, QString::number(d->WrongCount),
                                   QString::number(d->Sound), QString::number(d->Timeout),
                                   QString::number(d->NoCheckGrp), QString::number(d->NoCheckSrv),
                                   QString::number(d->NoCheckPing), d->Calendar}
                           .join(',');
        for (const auto& p : d->PortData()) line += QStringLiteral(" port:%1=%2").arg(p->PortNo).arg(p->PortService);
        for (const auto& p : d->DllData())
            line += QStringLiteral(" dll:%1=%2:%3").arg(p->SubNo).arg(p->DllName, p->Parameter);
        out << line;
    }
    return out;
}

}  // namespace

class TestSetupDialogs : public QObject {
    Q_OBJECT
private slots:
    void wholeSetupSurvivesReload();
};

void TestSetupDialogs::wholeSetupSurvivesReload() {
    const QString db = vtest::FreshDatabase();
    gOptNoCheck = true;
    gOptFormTop = false;
    gCheckContinue = true;
    vtest::RecordingMessageBox box;
    LoadCheckDlls(QStringLiteral(VANTORO_PROGRAM_DIR));
    QVERIFY(GetDllTitle("VantorPort.so").size() > 0);

    FrmPing form;
    FrmPing::Services s;
    std::function<void(QDialog&)> work;
    QStringList labels;
    s.runDialog = [&](QDialog& d) {
        if (auto* l = d.findChild<QLabel*>("Lbl_Group")) labels << "G:" + l->text();
        if (auto* l = d.findChild<QLabel*>("Lbl_Computer")) labels << "C:" + l->text();
        if (work) work(d);
    };
    form.SetServices(std::move(s));
    QString loadError;
    QVERIFY2(FrmPing::DefaultServices().loadComputerTree(form, loadError), qPrintable(loadError));
    TreeNodes& nodes = form.TreeComputer();
    QCOMPARE(nodes.Count(), 0);
    auto select = [&](const QString& key) { vtest::SelectNode(form, key); };

    // A group, with a quote in its code and name.
    select(QString());
    work = [](QDialog& d) {
        auto& g = dynamic_cast<FrmGroup&>(d);
        g.txt_Name->setText("G'1");
        g.txt_Display->setText("本社 'HQ'");
        g.txt_Comment->setPlainText("一階");
        QVERIFY(g.cmdUpdate_Click());
    };
    form.menuNodeInsert_Click();
    QVERIFY(nodes.Item("!G'1"));

    // A computer in it.
    select("!G'1");
    work = [](QDialog& d) {
        auto& c = dynamic_cast<FrmComputer&>(d);
        c.IPEdit.mSetIPAddress(127, 0, 0, 1);
        c.txt_Name->setText("o'host");
        c.txt_Display->setText("ローカル");
        c.txt_Comment->setPlainText("自分");
        c.txt_ErrCount->setText("3");
        QVERIFY(c.cmdUpdate_Click());
    };
    form.menuNodeInsert_Click();
    QVERIFY(nodes.Item("#127.0.0.1"));

    // A port check on it.
    select("#127.0.0.1");
    work = [](QDialog& d) {
        auto& p = dynamic_cast<FrmService&>(d);
        p.txt_Port->setText("8080");
        p.txt_Display->setText("web 'x'");
        QVERIFY(p.cmdUpdate_Click());
    };
    form.menuNodeInsert_Click();
    QVERIFY(nodes.Item("$127.0.0.1@8080"));

    // A plug-in assignment: the port check plug-in's own window, filled and confirmed.
    select("#127.0.0.1");
    plugin::PluginDialogDriver driver([](QWidget* w) {
        auto set = [w](const char* name, const QString& v) {
            auto* e = w->findChild<QLineEdit*>(name);
            QVERIFY2(e, name);
            e->setText(v);
        };
        set("TxtPort", "8081");
        set("TxtTimeOut", "3");
        set("TxtName", "api");
        set("TxtWaitTime", "1");
        set("TxtRetry", "2");
        w->findChild<QPushButton*>("CmdOK")->click();
    });
    work = [](QDialog& d) {
        auto& p = dynamic_cast<FrmDllSelect&>(d);
        for (int i = 0; i < p.ListViewDll->topLevelItemCount(); ++i)
            if (p.ListViewDll->topLevelItem(i)->text(1) == "VantorPort.so")
                p.ListViewDll->setCurrentItem(p.ListViewDll->topLevelItem(i));
        QVERIFY(p.CmdSelect_Click());
    };
    form.menuNodeInsert3_Click();
    QVERIFY(nodes.Item("%127.0.0.1@001"));
    QVERIFY2(box.shown.isEmpty(), qPrintable(box.prompts().join('/')));
    QCOMPARE(labels, QStringList({"G:本社 'HQ'", "C:ローカル  【o'host：ｽﾀﾝﾄﾞｱﾛｰﾝ】", "C:ローカル  【o'host：ｽﾀﾝﾄﾞｱﾛｰﾝ】"}));

    // The plug-in's parameter string is kept scrambled, the model holds it plain.
    const QString stored = vtest::Scalar(db, "SELECT 引数 FROM TBL_DLL").toString();
    QVERIFY(stored.size() > 0);
    QVERIFY(!stored.startsWith("127.0.0.1|"));
    QVERIFY(gPingDatas.Item(1)->DllData().Item(1)->Parameter.startsWith("127.0.0.1|8081|"));

    const QStringList patchedNodes = Nodes(nodes, true);
    const QStringList patchedTargets = Targets();
    QCOMPARE(patchedNodes.size(), 4);
    QVERIFY2(FrmPing::DefaultServices().loadComputerTree(form, loadError), qPrintable(loadError));
    QCOMPARE(Nodes(nodes, false), patchedNodes);
    QCOMPARE(Targets(), patchedTargets);
    QCOMPARE(gPingDatas.Item(1)->Computer, QString("O'HOST"));
    gDllObjects.clear();
    gPingDatas.Clear();
}

VANTORO_TEST_MAIN(TestSetupDialogs)
#include "tst_setupdialogs.moc"
