#pragma once
// What the record dialog tests share: a fresh database, an empty tree with its node
// registry, an empty target list and a recording message box.

#include "TestSupport.h"

#include "admin/RecordDialog.h"
#include "model/Globals.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

struct RecordFixture {
    QString db = vtest::FreshDatabase();
    TreeNodes nodes;
    vtest::RecordingMessageBox box;

    RecordFixture() {
        gPingDatas.Clear();
        gSelGroup.clear();
        gSelAddress.clear();
        gSelPort = 0;
        gSelSubNo = 0;
    }
    ~RecordFixture() { gPingDatas.Clear(); }

    // A group as the loader leaves it: its row and its top-level node.
    void AddGroup(const QString& code, const QString& image = QStringLiteral("Group")) {
        QVERIFY(Exec(QStringLiteral("INSERT INTO TBL_Group VALUES (?, 'g', 'd', -1)"), {code}));
        QVERIFY(nodes.Add(QString(), tvwLast, QLatin1Char('!') + code, QStringLiteral("g"), image));
    }
    // A computer of group G1 (made when missing): its row, its node and its target list entry.
    void AddComputer(const QString& address) {
        QVERIFY(Exec(QStringLiteral("INSERT INTO TBL_Computer (アドレス, グループ, コンピュータ名) VALUES (?, 'G1', 'pc')"),
                     {address}));
        if (!nodes.Item(QStringLiteral("!G1"))) QVERIFY(nodes.Add(QString(), tvwLast, "!G1", "g", "Group"));
        const auto entry = ClsPingDatas::MakeItem(address, "PC", "G1", 5, -1, 5000, true, true, true, "");
        QVERIFY(nodes.Add("!G1", tvwChild, QLatin1Char('#') + address, "pc", "Nomal", entry));
        gPingDatas.AddItem(entry);
    }

    // Selects the node with that key, as the operator's right-click does before a command.
    void Select(const QString& key) {
        TreeNode* item = nodes.Item(key);
        QVERIFY2(item, qPrintable(key));
        nodes.SetSelectedItem(item);
    }
    QVariant Scalar(const QString& sql, std::initializer_list<QVariant> values = {}) const {
        return vtest::Scalar(db, sql, values);
    }
    bool Exec(const QString& sql, std::initializer_list<QVariant> values = {}) const {
        return vtest::Exec(db, sql, values);
    }
    // The save was refused with one information box saying message, the caret sent to the
    // field named focus.
    void ExpectRefused(const RecordDialog& dlg, const QString& message, const QString& focus) const {
        QCOMPARE(box.shown.size(), 1);
        QCOMPARE(LastPrompt(), message);
        QCOMPARE(LastStyle(), vb::vbOKOnly | vb::vbInformation);
        QVERIFY(dlg.FocusTarget());
        QCOMPARE(dlg.FocusTarget()->objectName(), focus);
    }
    // The last box shown, "" when none.
    QString LastPrompt() const { return box.shown.isEmpty() ? QString() : box.shown.last().prompt; }
    int LastStyle() const { return box.shown.isEmpty() ? -1 : box.shown.last().style; }
};
