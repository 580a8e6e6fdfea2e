// The common dialog wrapper: what each show sets up in its Qt dialog, what an accepted
// and a cancelled dialog leave in the properties, the owner window's font around the
// font dialog, and the help viewer through the desktop's URL handler. Every dialog is
// the real one, answered by a runner the way a user would answer it.
#include "TestSupport.h"

#include "admin/CommonDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace {

// A runner that shows the dialog as exec() would, finds it is of type Dialog, lets the
// "user" work in it, then presses its accept or cancel button.
template <class Dialog>
ClsCommonDlg::Runner Answer(std::function<void(Dialog&)> act, bool accept = true) {
    return [act = std::move(act), accept](QDialog& shown) {
        shown.show();
        auto* dialog = qobject_cast<Dialog*>(&shown);
        QVERIFY2(dialog, qPrintable(QStringLiteral("shown: ") + shown.metaObject()->className()));
        if (act) act(*dialog);
        if (accept)
            shown.accept();
        else
            shown.reject();
    };
}

ClsCommonDlg::Runner Cancel() {
    return [](QDialog& shown) { shown.reject(); };
}

ClsCommonDlg::Runner PickFile(const QString& path) {
    return Answer<QFileDialog>([path](QFileDialog& d) { d.selectFile(path); });
}

// Two families with bold and italic faces, from the fonts the toolkit's font set-up brings.
const QString kSans = QStringLiteral("DejaVu Sans");
const QString kSerif = QStringLiteral("DejaVu Serif");
bool HaveFonts() {
    const QStringList families = QFontDatabase::families();
    return families.contains(kSans) && families.contains(kSerif);
}

// Records what the desktop was asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~UrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

}  // namespace

class TestCommonDialog : public QObject {
    Q_OBJECT

private slots:
    void filters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("pairs");
        QTest::newRow("never set") << QString() << QStringList{QStringLiteral("All Files (*.*) (*)")};
        QTest::newRow("trailing bar") << "ｻｳﾝﾄﾞ(*.wav)|*.wav|" << QStringList{QStringLiteral("ｻｳﾝﾄﾞ(*.wav) (*.wav)")};
        QTest::newRow("no trailing bar") << "ｻｳﾝﾄﾞ(*.wav)|*.wav" << QStringList{QStringLiteral("ｻｳﾝﾄﾞ(*.wav) (*.wav)")};
        QTest::newRow("two pairs, two patterns")
            << "画像|*.png;*.bmp|すべて|*.*|"
            << QStringList{QStringLiteral("画像 (*.png *.bmp)"), QStringLiteral("すべて (*)")};
    }

    void filters() {
        QFETCH(QString, filter);
        QFETCH(QStringList, pairs);
        ClsCommonDlg dialog;
        if (!filter.isNull()) dialog.setFilter(filter);
        QCOMPARE(dialog.Filter(), filter.isNull() ? QString() : filter);
        QStringList shown;
        dialog.SetDialogRunner(Answer<QFileDialog>([&](QFileDialog& d) { shown = d.nameFilters(); }, false));
        dialog.ShowOpen();
        QCOMPARE(shown, pairs);
    }

    void filterListsFiles_data() {
        QTest::addColumn<QString>("filter");  // null = never set
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QStringList>("listed");
        // The folder holds a name without a dot, two with one, and a subfolder.
        const QStringList all{"README", "alarm.wav", "notes.txt", "sub"};
        const QString sound = QStringLiteral("ｻｳﾝﾄﾞ(*.wav)|*.wav|すべて|*.*|");
        QTest::newRow("never set: every file") << QString() << 1 << all;
        QTest::newRow("sound chooser, sounds") << sound << 1 << QStringList{"alarm.wav", "sub"};
        QTest::newRow("sound chooser, すべて") << sound << 2 << all;
        QTest::newRow("*.* beside another pattern") << "画像|*.png;*.*|" << 1 << all;
    }

    void filterListsFiles() {
        QFETCH(QString, filter);
        QFETCH(int, filterIndex);
        QFETCH(QStringList, listed);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sub")));
        for (const char* name : {"README", "alarm.wav", "notes.txt"}) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ClsCommonDlg dialog;
        if (!filter.isNull()) dialog.setFilter(filter);
        dialog.setFilterIndex(static_cast<qint16>(filterIndex));
        dialog.setInitDir(folder.path());
        bool shown = false;
        dialog.SetDialogRunner(Answer<QFileDialog>(
            [&](QFileDialog& d) {
                auto* view = d.findChild<QListView*>(QStringLiteral("listView"));
                QVERIFY(view);
                const auto names = [view] {
                    QStringList out;
                    const QAbstractItemModel* model = view->model();
                    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
                        out << model->index(row, 0, view->rootIndex()).data().toString();
                    out.sort();
                    return out;
                };
                // The folder is read in the background.
                QTRY_COMPARE_WITH_TIMEOUT(names(), listed, 5000);
                shown = true;
            },
            false));
        dialog.ShowOpen();
        QVERIFY(shown);
    }

    void fileDialogSetUp_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("initDir");  // relative to a scratch folder holding "old.wav"
        QTest::addColumn<QString>("defaultExt");  // null = never set
        QTest::addColumn<QString>("title");  // null = never set
        QTest::addColumn<QString>("selectedFilter");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<QString>("directory");  // relative to the scratch folder
        QTest::addColumn<QString>("suffix");

        const int any = QFileDialog::AnyFile, existing = QFileDialog::ExistingFile;
        // A fresh object's default extension is a lone NUL: no extension at all.
        QTest::newRow("fresh open") << false << QString() << 0 << 0 << "." << QString() << QString()
                                    << "All Files (*.*) (*)" << any << "." << "";
        QTest::newRow("save: second filter, extension")
            << true << "文書|*.txt|音|*.wav|" << 2 << 0 << "." << "wav"
            << "保存" << "音 (*.wav)" << any << "." << "wav";
        QTest::newRow("path must exist opens existing files only")
            << false << QString() << 1 << 0x801 << "." << QString() << QString() << "All Files (*.*) (*)"
            << existing << "." << "";
        QTest::newRow("file must exist") << false << QString() << 1 << 0x1000 << "." << QString() << QString()
                                         << "All Files (*.*) (*)" << existing << "." << "";
        QTest::newRow("save ignores must exist") << true << QString() << 1 << 0x1000 << "." << QString()
                                                 << QString() << "All Files (*.*) (*)" << any << "." << "";
        QTest::newRow("start at a file: its folder") << false << QString() << 0 << 0 << "sub/old.wav" << QString()
                                                     << QString() << "All Files (*.*) (*)" << any << "sub"
                                                     << "";
        QTest::newRow("index past the filters") << false << "a|*.a|" << 5 << 0 << "sub" << QString() << QString()
                                                << "a (*.a)" << any << "sub" << "";
    }

    void fileDialogSetUp() {
        QFETCH(bool, save);
        QFETCH(QString, filter);
        QFETCH(int, filterIndex);
        QFETCH(int, flags);
        QFETCH(QString, initDir);
        QFETCH(QString, defaultExt);
        QFETCH(QString, title);
        QFETCH(QString, selectedFilter);
        QFETCH(int, fileMode);
        QFETCH(QString, directory);
        QFETCH(QString, suffix);

        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("sub")));
        QFile old(scratch.filePath(QStringLiteral("sub/old.wav")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        QWidget owner;
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(scratch.path()));
        ClsCommonDlg dialog;
        QDir::setCurrent(here);
        dialog.setForm(&owner);
        if (!filter.isNull()) dialog.setFilter(filter);
        dialog.setFilterIndex(static_cast<qint16>(filterIndex));
        dialog.setFlags(flags);
        if (initDir != QLatin1String(".")) dialog.setInitDir(scratch.filePath(initDir));
        if (!defaultExt.isNull()) dialog.setDefaultExt(defaultExt);
        if (!title.isNull()) dialog.setDialogTitle(title);

        bool shown = false;
        dialog.SetDialogRunner(Answer<QFileDialog>(
            [&](QFileDialog& d) {
                shown = true;
                QCOMPARE(d.parentWidget(), &owner);
                QCOMPARE(d.windowTitle(), title.isNull() ? QStringLiteral("Open File") : title);
                QCOMPARE(d.acceptMode(), save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
                QCOMPARE(int(d.fileMode()), fileMode);
                QCOMPARE(d.selectedNameFilter(), selectedFilter);
                QCOMPARE(d.directory().absolutePath(), QDir(scratch.filePath(directory)).absolutePath());
                QCOMPARE(d.defaultSuffix(), suffix);
            },
            false));
        if (save)
            dialog.ShowSave();
        else
            dialog.ShowOpen();
        QVERIFY(shown);
        QCOMPARE(dialog.Action(), save ? ClsCommonDlg::cdlSave : ClsCommonDlg::cdlOpen);
    }

    void fileResults_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("maxFileSize");  // 0 = never set
        QTest::addColumn<QString>("chosen");   // "" = cancelled
        QTest::addColumn<bool>("cancelError");
        QTest::addColumn<bool>("cancelButton");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("fileTitle");
        QTest::addColumn<int>("errNumber");

        const QString fits = QLatin1Char('/') + QString(251, QLatin1Char('a'));  // 252 characters
        const QString tooLong = fits + QLatin1Char('b');
        const QString blanks(254, QLatin1Char(' '));  // a fresh object's title buffer
        const QString home = vtest::HomeDir();
        QTest::newRow("chosen") << false << 254 << home + "/Vantoro.MDB" << true << false << home + "/Vantoro.MDB"
                                << "Vantoro.MDB" << 0;
        QTest::newRow("saved") << true << 254 << home + "/new.txt" << true << false << home + "/new.txt"
                               << "new.txt" << 0;
        QTest::newRow("252 characters fit 254") << false << 254 << fits << true << false << fits
                                                << QString(251, QLatin1Char('a')) << 0;
        QTest::newRow("253 characters fail 254") << false << 254 << tooLong << true << true << "" << blanks
                                                 << ClsCommonDlg::cdlBufferTooSmall;
        QTest::newRow("253 characters fit a fresh 255") << false << 0 << tooLong << true << false << tooLong
                                                        << QString(251, QLatin1Char('a')) + QLatin1Char('b') << 0;
        // The limit is counted in code-page bytes: a double-byte character takes two, a
        // half-width katakana one, and a character the code page lacks its UTF-8 length.
        const QString kanji(125, QChar(0x76E3));  // 監: 250 bytes, 375 in UTF-8
        QTest::newRow("double-byte: 252 bytes fit 254") << false << 254 << "/a" + kanji << true << false
                                                        << "/a" + kanji << "a" + kanji << 0;
        QTest::newRow("double-byte: 253 bytes fail 254") << false << 254 << "/ab" + kanji << true << true << ""
                                                         << blanks << ClsCommonDlg::cdlBufferTooSmall;
        const QString kana(251, QChar(0xFF71));  // ｱ: one byte each
        QTest::newRow("half-width katakana: 252 bytes fit 254")
            << false << 254 << "/" + kana << true << false << "/" + kana << kana << 0;
        const QString euro = QString(248, QLatin1Char('a')) + QChar(0x20AC);  // no CP932 form, 3 bytes
        QTest::newRow("lacking character: 252 bytes fit 254")
            << false << 254 << "/" + euro << true << false << "/" + euro << euro << 0;
        QTest::newRow("lacking character: 253 bytes fail 254") << false << 254 << "/a" + euro << true << true << ""
                                                               << blanks << ClsCommonDlg::cdlBufferTooSmall;
        const QString emoji = QString(248, QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600");  // 4 bytes
        QTest::newRow("lacking character outside 16 bits: 253 bytes fail 254")
            << false << 254 << "/" + emoji << true << true << "" << blanks << ClsCommonDlg::cdlBufferTooSmall;
        QTest::newRow("open cancelled with CancelError") << false << 254 << "" << true << true << "" << blanks << 0;
        QTest::newRow("save cancelled with CancelError") << true << 254 << "" << true << true << "" << blanks << 0;
        QTest::newRow("cancel without CancelError") << false << 254 << "" << false << false << "preset" << blanks
                                                    << 0;
    }

    void fileResults() {
        QFETCH(bool, save);
        QFETCH(int, maxFileSize);
        QFETCH(QString, chosen);
        QFETCH(bool, cancelError);
        QFETCH(bool, cancelButton);
        QFETCH(QString, fileName);
        QFETCH(QString, fileTitle);
        QFETCH(int, errNumber);
        ClsCommonDlg dialog;
        dialog.SetDialogRunner(chosen.isEmpty() ? Cancel() : PickFile(chosen));
        if (maxFileSize) dialog.setMaxFileSize(maxFileSize);
        dialog.setFileName(QStringLiteral("preset"));
        dialog.setCancelError(cancelError);
        if (save)
            dialog.ShowSave();
        else
            dialog.ShowOpen();
        QCOMPARE(dialog.CancelButton(), cancelButton);
        QCOMPARE(dialog.FileName(), fileName);
        QCOMPARE(dialog.FileTitle(), fileTitle);
        QCOMPARE(dialog.ErrNumber(), errNumber);
        QCOMPARE(dialog.ErrDescription(), errNumber ? QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。")
                                                    : QStringLiteral("未知のｴﾗｰです。"));
    }

    void fileChosenAfterCancel() {
        // One object used twice: the second show's choice is no cancel.
        ClsCommonDlg dialog;
        dialog.setCancelError(true);
        dialog.SetDialogRunner(Cancel());
        dialog.ShowOpen();
        QVERIFY(dialog.CancelButton());
        const QString picked = vtest::HomeDir() + QStringLiteral("/a.wav");
        dialog.SetDialogRunner(PickFile(picked));
        dialog.ShowOpen();
        QVERIFY(!dialog.CancelButton());
        QCOMPARE(dialog.FileName(), picked);
    }

    void actionPerformsShow_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("shown");  // "" = no dialog
        QTest::newRow("1 open") << 1 << "open";
        QTest::newRow("2 save") << 2 << "save";
        QTest::newRow("3 colour") << 3 << "QColorDialog";
        QTest::newRow("4 font") << 4 << "QFontDialog";
        QTest::newRow("5 printer") << 5 << "QPrintDialog";
        QTest::newRow("6 help without a file") << 6 << "";
        QTest::newRow("7 stored only") << 7 << "";
        QTest::newRow("0 stored only") << 0 << "";
    }

    void actionPerformsShow() {
        QFETCH(int, action);
        QFETCH(QString, shown);
        QWidget owner;
        ClsCommonDlg dialog;
        dialog.setForm(&owner);
        QString seen;
        dialog.SetDialogRunner([&](QDialog& d) {
            if (auto* file = qobject_cast<QFileDialog*>(&d))
                seen = file->acceptMode() == QFileDialog::AcceptSave ? QStringLiteral("save") : QStringLiteral("open");
            else if (qobject_cast<QColorDialog*>(&d))
                seen = QStringLiteral("QColorDialog");
            else if (qobject_cast<QFontDialog*>(&d))
                seen = QStringLiteral("QFontDialog");
            else if (qobject_cast<QPrintDialog*>(&d))
                seen = QStringLiteral("QPrintDialog");
            d.reject();
        });
        dialog.setAction(static_cast<qint16>(action));
        QCOMPARE(seen, shown);
        QCOMPARE(dialog.Action(), qint16(action));
    }

    void ownerGoneDuringShow_data() {
        QTest::addColumn<int>("action");
        QTest::newRow("open") << int(ClsCommonDlg::cdlOpen);
        QTest::newRow("save") << int(ClsCommonDlg::cdlSave);
        QTest::newRow("colour") << int(ClsCommonDlg::cdlColor);
        QTest::newRow("font") << int(ClsCommonDlg::cdlFont);
        QTest::newRow("printer") << int(ClsCommonDlg::cdlPrinter);
    }

    void ownerGoneDuringShow() {
        // The owner window is destroyed while its dialog waits for the user: the dialog goes
        // with it, and the show comes back as a cancel.
        QFETCH(int, action);
        auto owner = std::make_unique<QWidget>();
        owner->show();
        ClsCommonDlg dialog;
        dialog.setForm(owner.get());
        dialog.setCancelError(true);
        dialog.setFileName(QStringLiteral("preset"));
        bool ownedDialogUp = false;
        QTimer::singleShot(0, [&] {
            const QWidget* up = QApplication::activeModalWidget();
            ownedDialogUp = up && up->parentWidget() == owner.get();
            owner.reset();
        });
        // A dialog that outlived its owner is closed after a while: the test fails, not hangs.
        QTimer stuck;
        stuck.setSingleShot(true);
        connect(&stuck, &QTimer::timeout, [] {
            if (QWidget* up = QApplication::activeModalWidget()) up->close();
        });
        stuck.start(5000);
        dialog.setAction(static_cast<qint16>(action));  // the real show, through exec()
        QVERIFY(stuck.isActive());
        QVERIFY(ownedDialogUp);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(dialog.Form(), nullptr);
        QCOMPARE(dialog.Action(), qint16(action));
        QVERIFY(dialog.CancelButton());
        if (action == ClsCommonDlg::cdlOpen || action == ClsCommonDlg::cdlSave) QCOMPARE(dialog.FileName(), QString());
    }

    void colour_data() {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("cancelFirst");  // the same object cancelled once before
        QTest::addColumn<bool>("cancelError");
        QTest::addColumn<bool>("cancelButton");
        QTest::addColumn<int>("color");
        QTest::newRow("chosen") << true << false << false << false << 0x00CCBBAA;
        QTest::newRow("chosen after a cancel") << true << true << false << false << 0x00CCBBAA;
        QTest::newRow("cancelled") << false << false << false << true << 0x00332211;
        QTest::newRow("cancelled with CancelError") << false << false << true << true << 0x00332211;
    }

    void colour() {
        QFETCH(bool, accept);
        QFETCH(bool, cancelFirst);
        QFETCH(bool, cancelError);
        QFETCH(bool, cancelButton);
        QFETCH(int, color);
        QWidget owner;
        ClsCommonDlg dialog;
        dialog.setForm(&owner);
        dialog.setCancelError(cancelError);
        dialog.setColor(0x00332211);
        if (cancelFirst) {
            dialog.SetDialogRunner(Cancel());
            dialog.ShowColor();
            QVERIFY(dialog.CancelButton());
        }
        dialog.SetDialogRunner(Answer<QColorDialog>(
            [&](QColorDialog& d) {
                QCOMPARE(d.parentWidget(), &owner);
                QCOMPARE(d.currentColor(), QColor(0x11, 0x22, 0x33));
                d.setCurrentColor(QColor(0xAA, 0xBB, 0xCC));
            },
            accept));
        dialog.ShowColor();
        QCOMPARE(dialog.Action(), ClsCommonDlg::cdlColor);
        QCOMPARE(dialog.CancelButton(), cancelButton);
        QCOMPARE(dialog.Color(), color);
        QCOMPARE(dialog.ErrNumber(), 0);
    }

    void colourCustomColoursNotKept() {
        QColorDialog::setCustomColor(3, Qt::darkGreen);  // the program's own, before any show
        ClsCommonDlg dialog;
        QList<QColor> seen;
        dialog.SetDialogRunner(Answer<QColorDialog>([&](QColorDialog&) {
            for (int i = 0; i < QColorDialog::customCount(); ++i) seen << QColorDialog::customColor(i);
            QColorDialog::setCustomColor(0, Qt::red);  // the user adds one
        }));
        dialog.ShowColor();
        QCOMPARE(seen, QList<QColor>(16, QColor(Qt::white)));
        seen.clear();
        dialog.ShowColor();
        QCOMPARE(seen, QList<QColor>(16, QColor(Qt::white)));
        QCOMPARE(QColorDialog::customColor(3), QColor(Qt::darkGreen));
        QCOMPARE(QColorDialog::customColor(0), QColor(Qt::white));
    }

    void formCopiesFont_data() {
        QTest::addColumn<bool>("pixels");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("fontSize");
        QTest::newRow("points") << false << 12 << 12;
        QTest::newRow("16 pixels at 96 dpi") << true << 16 << 12;
        QTest::newRow("18 pixels: 13.5 to the even 14") << true << 18 << 14;
        QTest::newRow("14 pixels: 10.5 to the even 10") << true << 14 << 10;
    }

    void formCopiesFont() {
        QFETCH(bool, pixels);
        QFETCH(int, size);
        QFETCH(int, fontSize);
        QWidget owner;
        QFont font(kSerif);
        if (pixels)
            font.setPixelSize(size);
        else
            font.setPointSize(size);
        font.setBold(true);
        font.setItalic(true);
        font.setUnderline(true);
        font.setStrikeOut(true);
        owner.setFont(font);
        ClsCommonDlg dialog;
        dialog.setForm(&owner);
        QCOMPARE(dialog.Form(), &owner);
        QCOMPARE(dialog.FontName(), kSerif);
        QCOMPARE(dialog.FontSize(), qint16(fontSize));
        QVERIFY(dialog.FontBold());
        QVERIFY(dialog.FontItalic());
        QVERIFY(dialog.FontUnderline());
        QVERIFY(dialog.FontStrikethru());
    }

    void fontShow_data() {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("owned");  // the object has an owner window
        QTest::newRow("chosen") << true << true;
        QTest::newRow("cancelled") << false << true;
        QTest::newRow("chosen without an owner") << true << false;
        QTest::newRow("cancelled without an owner") << false << false;
    }

    void fontShow() {
        QFETCH(bool, accept);
        QFETCH(bool, owned);
        if (!HaveFonts()) QSKIP("the DejaVu fonts are not installed");
        const QString start = kSans, pick = kSerif;

        auto owner = std::make_unique<QWidget>();
        const QFont ownFont = owner->font();
        const QColor ownText = owner->palette().color(QPalette::WindowText);
        ClsCommonDlg dialog;
        dialog.setCancelError(false);  // the font dialog's cancel does not depend on it
        if (owned) dialog.setForm(owner.get());
        dialog.setAction(9);  // stored only; ShowFont keeps it
        dialog.setFontName(start);
        dialog.setFontSize(11);
        dialog.setFontBold(true);
        dialog.setFontUnderline(true);
        dialog.setColor(0x000000FF);  // red text

        dialog.SetDialogRunner(Answer<QFontDialog>(
            [&](QFontDialog& d) {
                if (owned) {
                    // While the dialog is up the owner shows the font the dialog starts from.
                    QCOMPARE(d.parentWidget(), owner.get());
                    QCOMPARE(owner->font().family(), start);
                    QCOMPARE(owner->font().pointSize(), 11);
                    QVERIFY(owner->font().bold());
                    QVERIFY(owner->font().underline());
                    QVERIFY(!owner->font().italic());
                    QCOMPARE(owner->palette().color(QPalette::WindowText), QColor(Qt::red));
                }
                QCOMPARE(d.currentFont().family(), start);
                QCOMPARE(d.currentFont().pointSize(), 11);
                QVERIFY(d.currentFont().bold());
                QFont chosen(pick, 14);
                chosen.setItalic(true);
                chosen.setStrikeOut(true);
                d.setCurrentFont(chosen);
            },
            accept));
        dialog.ShowFont();

        QCOMPARE(dialog.Action(), qint16(9));
        QCOMPARE(dialog.CancelButton(), !accept);
        QCOMPARE(dialog.ErrNumber(), 0);
        QCOMPARE(dialog.FontName(), accept ? pick : QString());
        QCOMPARE(dialog.FontSize(), qint16(accept ? 14 : 0));
        QCOMPARE(dialog.FontBold(), false);
        QCOMPARE(dialog.FontItalic(), accept);
        QCOMPARE(dialog.FontStrikethru(), accept);
        QCOMPARE(dialog.FontUnderline(), false);
        QCOMPARE(dialog.Color(), accept ? 0x000000FF : 0);
        // The owner has its own font and colours back, still inherited as before.
        QCOMPARE(owner->font(), ownFont);
        QCOMPARE(owner->palette().color(QPalette::WindowText), ownText);
        QVERIFY(!owner->testAttribute(Qt::WA_SetFont));
        QVERIFY(!owner->testAttribute(Qt::WA_SetPalette));
    }

    void fontOwnerGone() {
        auto owner = std::make_unique<QWidget>();
        ClsCommonDlg dialog;
        dialog.setForm(owner.get());
        owner.reset();
        QCOMPARE(dialog.Form(), nullptr);
        bool shown = false;
        dialog.SetDialogRunner(Answer<QFontDialog>([&](QFontDialog& d) {
            shown = true;
            QCOMPARE(d.parentWidget(), nullptr);
        }));
        dialog.ShowFont();
        QVERIFY(shown);
        QVERIFY(!dialog.CancelButton());
    }

    void fontSizeLimit_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<QList<int>>("tries");  // the sizes the user presses OK on, in order
        QTest::addColumn<int>("refusals");
        QTest::addColumn<int>("fontSize");  // 0 = the dialog stayed open
        QTest::newRow("no limit flag") << 0 << 8 << 12 << QList<int>{20} << 0 << 20;
        QTest::newRow("too big, then inside") << ClsCommonDlg::cdlCFLimitSize << 8 << 12 << QList<int>{20, 12} << 1
                                              << 12;
        QTest::newRow("too small, then inside") << ClsCommonDlg::cdlCFLimitSize << 8 << 12 << QList<int>{6, 8} << 1
                                                << 8;
        QTest::newRow("never inside") << ClsCommonDlg::cdlCFLimitSize << 8 << 12 << QList<int>{20} << 1 << 0;
        QTest::newRow("no range given") << ClsCommonDlg::cdlCFLimitSize << 0 << 0 << QList<int>{20} << 0 << 20;
    }

    void fontSizeLimit() {
        QFETCH(int, flags);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(QList<int>, tries);
        QFETCH(int, refusals);
        QFETCH(int, fontSize);
        if (!HaveFonts()) QSKIP("the DejaVu fonts are not installed");
        const QString family = kSans;
        vtest::RecordingMessageBox box;
        ClsCommonDlg dialog;
        dialog.setFlags(flags);
        dialog.setMin(min);
        dialog.setMax(max);
        dialog.SetDialogRunner([&](QDialog& d) {
            auto& font = static_cast<QFontDialog&>(d);
            for (int size : tries) {
                font.setCurrentFont(QFont(family, size));
                d.accept();
                if (d.result() == QDialog::Accepted) return;
            }
            d.reject();
        });
        dialog.ShowFont();
        QCOMPARE(box.shown.size(), refusals);
        if (refusals)
            QCOMPARE(box.prompts().first(),
                     QStringLiteral("サイズは %1～%2 ポイントの範囲で指定して下さい。").arg(min).arg(max));
        QCOMPARE(dialog.CancelButton(), fontSize == 0);
        QCOMPARE(dialog.FontSize(), qint16(fontSize));
    }

    void printer_data() {
        QTest::addColumn<int>("flags");
        QTest::addColumn<QList<int>>("given");  // Min, Max, FromPage, ToPage, Copies
        QTest::addColumn<bool>("rangeOffered");
        QTest::addColumn<bool>("rangeSelected");
        QTest::addColumn<int>("typedTo");  // the "to" page the user types; 0 = none
        QTest::addColumn<QList<int>>("result");  // the same five after the user pressed Print

        const int pageNums = ClsCommonDlg::cdlPDPageNums;
        QTest::newRow("fresh object: one copy, no range") << 0 << QList<int>{0, 0, 0, 0, 0} << false << false << 0
                                                          << QList<int>{0, 0, 0, 0, 1};
        QTest::newRow("range preselected, user widens it")
            << pageNums << QList<int>{1, 20, 3, 5, 2} << true << true << 7 << QList<int>{1, 20, 3, 7, 2};
        QTest::newRow("all pages: no range comes back")
            << 0 << QList<int>{1, 20, 3, 5, 2} << true << false << 0 << QList<int>{1, 20, 0, 0, 2};
        QTest::newRow("no page numbers") << ClsCommonDlg::cdlPDNoPageNums << QList<int>{1, 20, 3, 5, 1} << false
                                         << false << 0 << QList<int>{1, 20, 0, 0, 1};
        QTest::newRow("page numbers beyond 16 bits")
            << pageNums << QList<int>{1, 40000, 39000, 39999, 1} << true << true << 40000
            << QList<int>{1, 40000, 39000, 40000, 1};
    }

    void printer() {
        QFETCH(int, flags);
        QFETCH(QList<int>, given);
        QFETCH(bool, rangeOffered);
        QFETCH(bool, rangeSelected);
        QFETCH(int, typedTo);
        QFETCH(QList<int>, result);
        QWidget owner;
        ClsCommonDlg dialog;
        dialog.setForm(&owner);
        dialog.setCancelError(true);
        dialog.setFlags(flags);
        dialog.setMin(given[0]);
        dialog.setMax(given[1]);
        dialog.setFromPage(given[2]);
        dialog.setToPage(given[3]);
        dialog.setCopies(given[4]);
        dialog.SetDialogRunner(Answer<QPrintDialog>([&](QPrintDialog& d) {
            QCOMPARE(d.parentWidget(), &owner);
            QCOMPARE(d.minPage(), given[0]);
            QCOMPARE(d.maxPage(), given[1]);
            QCOMPARE(d.testOption(QAbstractPrintDialog::PrintPageRange), rangeOffered);
            QCOMPARE(d.printer()->printRange() == QPrinter::PageRange, rangeSelected);
            QCOMPARE(d.printer()->copyCount(), qMax(1, given[4]));
            if (rangeSelected) QCOMPARE(d.printer()->fromPage(), given[2]);
            if (typedTo) {
                auto* to = d.findChild<QSpinBox*>(QStringLiteral("to"));
                QVERIFY(to);
                to->setValue(typedTo);
            }
        }));
        dialog.ShowPrinter();
        QCOMPARE(dialog.Action(), ClsCommonDlg::cdlPrinter);
        QVERIFY(!dialog.CancelButton());
        QCOMPARE(dialog.ErrNumber(), 0);
        const QList<int> now{dialog.Min(), dialog.Max(), dialog.FromPage(), dialog.ToPage(), dialog.Copies()};
        QCOMPARE(now, result);
    }

    void printerRefused_data() {
        QTest::addColumn<bool>("shows");  // false: Min above Max, no dialog
        QTest::addColumn<bool>("cancelError");
        QTest::addColumn<bool>("cancelButton");
        QTest::addColumn<int>("errNumber");
        QTest::newRow("cancelled") << true << false << false << 0;
        QTest::newRow("cancelled with CancelError") << true << true << true << 0;
        QTest::newRow("Min above Max") << false << false << false << int(ClsCommonDlg::cdlPDInitFailure);
        QTest::newRow("Min above Max with CancelError")
            << false << true << true << int(ClsCommonDlg::cdlPDInitFailure);
    }

    void printerRefused() {
        QFETCH(bool, shows);
        QFETCH(bool, cancelError);
        QFETCH(bool, cancelButton);
        QFETCH(int, errNumber);
        ClsCommonDlg dialog;
        dialog.setCancelError(cancelError);
        dialog.setMin(shows ? 1 : 5);
        dialog.setMax(shows ? 9 : 4);
        dialog.setFromPage(2);
        dialog.setToPage(3);
        dialog.setCopies(4);
        bool shown = false;
        dialog.SetDialogRunner([&](QDialog& d) {
            shown = true;
            d.reject();
        });
        dialog.ShowPrinter();
        QCOMPARE(shown, shows);
        QCOMPARE(dialog.Action(), ClsCommonDlg::cdlPrinter);
        QCOMPARE(dialog.CancelButton(), cancelButton);
        QCOMPARE(dialog.ErrNumber(), errNumber);
        QCOMPARE(dialog.ErrDescription(), errNumber ? QStringLiteral("PrintDlg 関数を初期化できません。")
                                                    : QStringLiteral("未知のｴﾗｰです。"));
        const QList<int> kept{dialog.FromPage(), dialog.ToPage(), dialog.Copies()};
        QCOMPARE(kept, (QList<int>{2, 3, 4}));
    }

    void printerChosenAfterCancel() {
        ClsCommonDlg dialog;
        dialog.setCancelError(true);
        dialog.SetDialogRunner(Cancel());
        dialog.ShowPrinter();
        QVERIFY(dialog.CancelButton());
        dialog.SetDialogRunner(Answer<QPrintDialog>({}));
        dialog.ShowPrinter();
        QVERIFY(!dialog.CancelButton());
    }

    void help_data() {
        QTest::addColumn<QString>("file");  // "@" = an existing file in the test's folder
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<int>("errNumber");
        QTest::newRow("file and command") << "@" << 3 << true << 0;
        QTest::newRow("no file") << "" << 3 << false << 0;
        QTest::newRow("no command") << "@" << 0 << false << 0;
        QTest::newRow("the quit command opens nothing") << "@" << int(ClsCommonDlg::cdlHelpQuit) << false << 0;
        QTest::newRow("missing file") << "/nonexistent/help.html" << 3 << false
                                      << int(ClsCommonDlg::cdlHelpFailed);
    }

    void help() {
        QFETCH(QString, file);
        QFETCH(int, command);
        QFETCH(bool, opened);
        QFETCH(int, errNumber);
        const QString existing = vtest::HomeDir() + QStringLiteral("/ヘルプ.html");
        QFile help(existing);
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        UrlRecorder desktop;
        ClsCommonDlg dialog;
        dialog.setHelpFile(file == QLatin1String("@") ? existing : file);
        dialog.setHelpCommand(command);
        dialog.setHelpContext(12);
        dialog.ShowHelp();
        QCOMPARE(desktop.opened, opened ? QList<QUrl>{QUrl::fromLocalFile(existing)} : QList<QUrl>{});
        QCOMPARE(dialog.ErrNumber(), errNumber);
        if (errNumber) QCOMPARE(dialog.ErrDescription(), QStringLiteral("ヘルプを呼び出せません。"));
        QCOMPARE(dialog.HelpContext(), 12);
    }

    void helpRelativeFile() {
        // A bare name is the current folder's file, opened by its full path.
        QFile help(vtest::HomeDir() + QStringLiteral("/manual.txt"));
        QVERIFY(help.open(QIODevice::WriteOnly));
        help.close();
        const QString here = QDir::currentPath();
        QVERIFY(QDir::setCurrent(vtest::HomeDir()));
        UrlRecorder desktop;
        ClsCommonDlg dialog;
        dialog.setHelpFile(QStringLiteral("manual.txt"));
        dialog.setHelpCommand(1);
        dialog.setAction(ClsCommonDlg::cdlHelp);
        QDir::setCurrent(here);
        QCOMPARE(desktop.opened, QList<QUrl>{QUrl::fromLocalFile(QFileInfo(help).absoluteFilePath())});
        QCOMPARE(dialog.Action(), ClsCommonDlg::cdlHelp);
    }

    void helpKey_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<QString>("key");
        QTest::newRow("number") << "42" << true << "42";
        QTest::newRow("blanks and sign") << " -7 " << true << "-7";
        QTest::newRow("a half to the even neighbour") << "2.5" << true << "2";
        QTest::newRow("largest") << "2147483647" << true << "2147483647";
        QTest::newRow("past 32 bits") << "2147483648" << false << "5";
        QTest::newRow("not a number") << "目次" << false << "5";
        QTest::newRow("empty") << "" << false << "5";
        QTest::newRow("infinity") << "inf" << false << "5";
    }

    void helpKey() {
        QFETCH(QString, text);
        QFETCH(bool, taken);
        QFETCH(QString, key);
        ClsCommonDlg dialog;
        QCOMPARE(dialog.HelpKey(), QStringLiteral("0"));
        QVERIFY(dialog.setHelpKey(QStringLiteral("5")));
        QCOMPARE(dialog.setHelpKey(text), taken);
        QCOMPARE(dialog.HelpKey(), key);
    }
};

VANTORO_TEST_MAIN(TestCommonDialog)
#include "tst_commondialog.moc"
