#pragma once
// What the record dialog tests share: a fresh database, an empty tree with its node
// registry, an empty target list and a recording message box.

#include "TestSupport.h"

#include "model/Globals.h"
#include "model/TreeNodes.h"

#include <QTreeWidget>

struct RecordFixture {
    QString db = vtest::FreshDatabase();
    QTreeWidget tree;
    TreeNodes nodes{&tree};
    vtest::RecordingMessageBox box;

    RecordFixture() {
        gPingDatas.Clear();
        gSelGroup.clear();
        gSelAddress.clear();
        gSelPort = 0;
        gSelSubNo = 0;
    }
    ~RecordFixture() { gPingDatas.Clear(); }

    // Selects the node with that key, as the operator's right-click does before a command.
    void Select(const QString& key) {
        QTreeWidgetItem* item = nodes.Item(key);
        QVERIFY2(item, qPrintable(key));
        tree.setCurrentItem(item);
    }
    QVariant Scalar(const QString& sql, std::initializer_list<QVariant> values = {}) const {
        return vtest::Scalar(db, sql, values);
    }
    bool Exec(const QString& sql, std::initializer_list<QVariant> values = {}) const {
        return vtest::Exec(db, sql, values);
    }
    // The last box shown, "" when none.
    QString LastPrompt() const { return box.shown.isEmpty() ? QString() : box.shown.last().prompt; }
    int LastStyle() const { return box.shown.isEmpty() ? -1 : box.shown.last().style; }
};
