#pragma once
// What every test shares: a private data folder (VANTORO_HOME) and settings folder
// (XDG_CONFIG_HOME) made before the application starts, the offscreen platform, a fresh
// copy of the empty monitoring database, and recording fakes of the window seams.

#include "model/Seams.h"

// A test gets the application its libraries need: widgets, pictures, or neither.
#if defined(QT_WIDGETS_LIB)
#include <QApplication>
#define VANTORO_TEST_APPLICATION QApplication
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
#define VANTORO_TEST_APPLICATION QGuiApplication
#else
#include <QCoreApplication>
#define VANTORO_TEST_APPLICATION QCoreApplication
#endif
#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QVariant>

#include <deque>
#include <functional>
#include <initializer_list>

namespace vtest {

// Makes the temporary folders and sets the environment; call before the application.
void PrepareEnvironment();
// The test's VANTORO_HOME.
QString HomeDir();
// A fresh, writable copy of the empty database at path (default HomeDir()/Vantoro.MDB);
// also points gOptDatabasePath at it. Returns the path.
QString FreshDatabase(const QString& path = QString());
// Runs one statement with bound values on the database file; fails the test on error.
bool Exec(const QString& dbPath, const QString& sql, std::initializer_list<QVariant> values = {});
// The first column of the first row of a query, or an invalid QVariant.
QVariant Scalar(const QString& dbPath, const QString& sql, std::initializer_list<QVariant> values = {});
// Every byte of the file at path; empty when it cannot be read.
QByteArray FileBytes(const QString& path);
// 処理 of the TBL_Control row 稼動: what outside readers are told about the monitor.
QString RunningMark(const QString& dbPath);

struct ShownBox {
    QString prompt;
    int style;
    QString title;
};

// Records every message box; answers from a queue, else the default button.
class RecordingMessageBox final : public MessageBoxSeam {
public:
    RecordingMessageBox() { seams::SetMessageBox(this); }
    ~RecordingMessageBox() override { seams::SetMessageBox(nullptr); }
    int Show(const QString& prompt, int style, const QString& title) override;
    QList<ShownBox> shown;
    std::deque<int> answers;
    std::function<void()> onShow;  // runs while the box is up, before it answers
    QStringList prompts() const;
};

class RecordingStatus final : public StatusSeam {
public:
    RecordingStatus() { seams::SetStatus(this); }
    ~RecordingStatus() override { seams::SetStatus(nullptr); }
    void SetStatusText(const QString& text) override { texts << text; }
    QStringList texts;
};

}  // namespace vtest

// first runs before anything else in main (before any thread or application exists).
#define VANTORO_TEST_MAIN_AFTER(first, TestObject)    \
    int main(int argc, char** argv) {                 \
        first;                                        \
        vtest::PrepareEnvironment();                  \
        VANTORO_TEST_APPLICATION app(argc, argv);     \
        app.setAttribute(Qt::AA_Use96Dpi, true);      \
        TestObject tc;                                \
        QTEST_SET_MAIN_SOURCE_PATH                    \
        return QTest::qExec(&tc, argc, argv);         \
    }
#define VANTORO_TEST_MAIN(TestObject) VANTORO_TEST_MAIN_AFTER((void)0, TestObject)
