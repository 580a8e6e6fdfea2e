#include "admin/CommonDialog.h"

#include "alarms/Cp932.h"
#include "model/Seams.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QUrl>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace {

// Rounds a half to the even neighbour, as every size conversion of the wrapper does, and
// keeps the result inside 16 bits.
qint16 ToInt16(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<qint16>::min())) return std::numeric_limits<qint16>::min();
    if (rounded > std::numeric_limits<qint16>::max()) return std::numeric_limits<qint16>::max();
    return static_cast<qint16>(rounded);
}

// A file name's size as MaxFileSize counts it: in bytes of the Japanese code page, so a
// path that fits a buffer there fits here. A character that code page lacks counts as its
// UTF-8 length, at least the two bytes of any double-byte character, so such characters
// never let a path pass that is longer than the plain UTF-8 count would allow.
qsizetype CodePageBytes(const QString& path) {
    int replaced = 0;
    QString lacking;
    const QByteArray bytes = cp932::FromUnicode(path, &replaced, &lacking);
    return bytes.size() - replaced + lacking.toUtf8().size();
}

QColor FromColorRef(qint32 ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

qint32 ToColorRef(const QColor& color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

int DpiY(const QWidget* owner) {
    if (owner) return owner->logicalDpiY();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

// The font's height in pixels on a screen of dpiY, told back in whole points: a size is
// what that screen can show of it.
qint16 PointsOnScreen(const QFont& font, int dpiY) {
    const double height = font.pixelSize() > 0 ? font.pixelSize() : std::round(font.pointSizeF() * dpiY / 72.0);
    return ToInt16(std::abs(72.0 / dpiY * height));
}

// The colour dialog starts with sixteen white custom colours on every show, and what the
// user adds there is dropped when it closes; Qt keeps them for the whole program, so they
// are put back as they were.
class WhiteCustomColours {
public:
    WhiteCustomColours() {
        for (int i = 0; i < kCount; ++i) {
            saved_[static_cast<size_t>(i)] = QColorDialog::customColor(i);
            QColorDialog::setCustomColor(i, Qt::white);
        }
    }
    ~WhiteCustomColours() {
        for (int i = 0; i < kCount; ++i) QColorDialog::setCustomColor(i, saved_[static_cast<size_t>(i)]);
    }
    WhiteCustomColours(const WhiteCustomColours&) = delete;
    WhiteCustomColours& operator=(const WhiteCustomColours&) = delete;

private:
    static constexpr int kCount = 16;
    std::array<QColor, kCount> saved_;
};

// While the font dialog is up the owner window shows the font and text colour the dialog
// starts from; afterwards it gets back its own, including whether it had a font or a
// palette of its own or inherited them.
class OwnerLook {
public:
    explicit OwnerLook(QWidget* owner)
        : owner_(owner),
          font_(owner->font()),
          palette_(owner->palette()),
          ownFont_(owner->testAttribute(Qt::WA_SetFont)),
          ownPalette_(owner->testAttribute(Qt::WA_SetPalette)) {}
    ~OwnerLook() {
        if (!owner_) return;
        owner_->setFont(ownFont_ ? font_ : QFont());
        owner_->setPalette(ownPalette_ ? palette_ : QPalette());
    }
    OwnerLook(const OwnerLook&) = delete;
    OwnerLook& operator=(const OwnerLook&) = delete;

private:
    QPointer<QWidget> owner_;
    QFont font_;
    QPalette palette_;
    bool ownFont_;
    bool ownPalette_;
};

// A font dialog that keeps itself open on a size outside the caller's limits.
class LimitedFontDialog final : public QFontDialog {
public:
    LimitedFontDialog(QWidget* owner, int min, int max) : QFontDialog(owner), min_(min), max_(max) {}

    void accept() override {
        const int size = currentFont().pointSize();
        if (max_ > 0 && min_ <= max_ && (size < min_ || size > max_)) {
            MsgBox(QStringLiteral("サイズは %1～%2 ポイントの範囲で指定して下さい。").arg(min_).arg(max_),
                   vb::vbOKOnly | vb::vbExclamation, windowTitle());
            return;
        }
        QFontDialog::accept();
    }

private:
    int min_;
    int max_;
};

// The dialog of one show, made on the heap as a child of the owner window. An owner that
// goes away while the dialog is up takes the dialog with it; the guard then finds it gone
// and deletes nothing, and Run reports the show as cancelled.
template <class Dialog>
class ShownDialog {
public:
    template <class... Args>
    explicit ShownDialog(Args&&... args) : dialog_(new Dialog(std::forward<Args>(args)...)) {}
    ~ShownDialog() { delete dialog_.data(); }
    ShownDialog(const ShownDialog&) = delete;
    ShownDialog& operator=(const ShownDialog&) = delete;

    Dialog& operator*() const { return *dialog_; }
    Dialog* operator->() const { return dialog_.data(); }

private:
    QPointer<Dialog> dialog_;
};

}  // namespace

ClsCommonDlg::ClsCommonDlg() : initDir_(QDir::currentPath()) {
    filterList_ = QStringLiteral("All Files (*.*)") + QChar(0) + QStringLiteral("*.*") + QChar(0);
}

void ClsCommonDlg::setForm(QWidget* form) {
    form_ = form;
    if (!form) return;
    const QFont font = form->font();
    fontBold_ = font.bold();
    fontItalic_ = font.italic();
    fontName_ = font.family();
    fontSize_ = ToInt16(font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF());
    fontStrikethru_ = font.strikeOut();
    fontUnderline_ = font.underline();
}

bool ClsCommonDlg::Run(QDialog& dialog) {
    const QPointer<QDialog> alive(&dialog);
    if (runner_)
        runner_(dialog);
    else
        dialog.exec();
    return alive && dialog.result() == QDialog::Accepted;
}

void ClsCommonDlg::setFilter(const QString& filter) {
    filter_ = filter;
    filterList_ = filter;
    filterList_.replace(QLatin1Char('|'), QChar(0));
    if (!filterList_.endsWith(QChar(0))) filterList_ += QChar(0);
}

QStringList ClsCommonDlg::NameFilters() const {
    QStringList parts = filterList_.split(QChar(0));
    if (!parts.isEmpty() && parts.last().isEmpty()) parts.removeLast();
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt reads the patterns from the last parentheses of a filter; the pattern list
        // is "a;b" in the wrapper's form and "a b" in Qt's. "*.*" means every file, also
        // one whose name has no dot, which is Qt's "*".
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'));
        for (QString& pattern : patterns)
            if (pattern.trimmed() == QLatin1String("*.*")) pattern = QStringLiteral("*");
        out << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

void ClsCommonDlg::setAction(qint16 action) {
    action_ = action;
    switch (action) {
        case cdlOpen:
            ShowOpen();
            break;
        case cdlSave:
            ShowSave();
            break;
        case cdlColor:
            ShowColor();
            break;
        case cdlFont:
            ShowFont();
            break;
        case cdlPrinter:
            ShowPrinter();
            break;
        case cdlHelp:
            ShowHelp();
            break;
        default:
            break;
    }
}

void ClsCommonDlg::SetUpFileDialog(QFileDialog& dialog, bool save) const {
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    const bool mustExist = (flags_ & (cdlOFNPathMustExist | cdlOFNFileMustExist)) != 0;
    dialog.setFileMode(!save && mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = NameFilters();
    dialog.setNameFilters(filters);
    const int index = filterIndex_ > 0 ? filterIndex_ - 1 : 0;
    if (index < filters.size()) dialog.selectNameFilter(filters.at(index));
    // The options hand their current path as the starting place: a file's folder is
    // opened with the file selected.
    const QFileInfo start(initDir_);
    if (start.isDir())
        dialog.setDirectory(start.absoluteFilePath());
    else if (start.dir().exists()) {
        dialog.setDirectory(start.absolutePath());
        if (start.exists()) dialog.selectFile(start.fileName());
    }
    if (!fileName_.isEmpty()) dialog.selectFile(fileName_);
    // The extension is read as the platform reads a string: up to its first NUL.
    const QString ext = defaultExt_.section(QChar(0), 0, 0).trimmed();
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
}

void ClsCommonDlg::ShowFile(bool save) {
    action_ = save ? cdlSave : cdlOpen;
    errNumber_ = 0;
    const ShownDialog<QFileDialog> dialog(form_.data(), dialogTitle_);
    SetUpFileDialog(*dialog, save);
    QString chosen;
    if (Run(*dialog) && !dialog->selectedFiles().isEmpty()) chosen = dialog->selectedFiles().constFirst();
    // The name buffer holds MaxFileSize code-page bytes with room for two terminators; a
    // longer path is a failed dialog, never a cut path.
    if (!chosen.isEmpty() && CodePageBytes(chosen) > maxFileSize_ - 2) {
        errNumber_ = cdlBufferTooSmall;
        chosen.clear();
    }
    if (chosen.isEmpty()) {
        if (cancelError_) {
            cancelButton_ = true;
            fileName_.clear();
        }
        return;
    }
    cancelButton_ = false;
    fileName_ = QDir::fromNativeSeparators(chosen);
    fileTitle_ = QFileInfo(fileName_).fileName();
    if (fileTitle_.isEmpty()) fileTitle_ = fileName_;
}

void ClsCommonDlg::ShowColor() {
    action_ = cdlColor;
    errNumber_ = 0;
    WhiteCustomColours custom;
    const ShownDialog<QColorDialog> dialog(FromColorRef(color_), form_.data());
    if (!Run(*dialog)) {
        cancelButton_ = true;
        return;
    }
    cancelButton_ = false;
    color_ = ToColorRef(dialog->selectedColor());
}

void ClsCommonDlg::ShowFont() {
    errNumber_ = 0;
    std::optional<OwnerLook> look;
    if (form_) look.emplace(form_);
    QFont start = form_ ? form_->font() : QGuiApplication::font();
    start.setBold(fontBold_);
    start.setItalic(fontItalic_);
    // An empty name or a size of 0 is no font: the owner's own stays.
    if (!fontName_.isEmpty()) start.setFamily(fontName_);
    if (fontSize_ > 0) start.setPointSize(fontSize_);
    start.setStrikeOut(fontStrikethru_);
    start.setUnderline(fontUnderline_);
    if (form_) {
        form_->setFont(start);
        QPalette palette = form_->palette();
        palette.setColor(QPalette::WindowText, FromColorRef(color_));
        form_->setPalette(palette);
        // The dialog starts from the font as the owner window resolved it.
        start = form_->font();
    }

    const bool limited = (flags_ & cdlCFLimitSize) != 0;
    const ShownDialog<LimitedFontDialog> dialog(form_.data(), limited ? min_ : 0, limited ? max_ : 0);
    dialog->setCurrentFont(start);
    if (!Run(*dialog)) {
        cancelButton_ = true;
        fontBold_ = fontItalic_ = fontStrikethru_ = fontUnderline_ = false;
        fontName_.clear();
        fontSize_ = 0;
        color_ = 0;
        return;
    }
    cancelButton_ = false;
    // Qt's font dialog has no colour choice: Color stays the text colour it was given.
    const QFont chosen = dialog->selectedFont();
    fontBold_ = chosen.weight() >= QFont::Medium;
    fontItalic_ = chosen.italic();
    fontUnderline_ = chosen.underline();
    fontStrikethru_ = chosen.strikeOut();
    fontName_ = chosen.family();
    fontSize_ = PointsOnScreen(chosen, DpiY(form_));
}

void ClsCommonDlg::ShowPrinter() {
    action_ = cdlPrinter;
    errNumber_ = 0;
    // Qt refuses a lowest page above the highest; the dialog is not shown then.
    if (min_ > max_) {
        errNumber_ = cdlPDInitFailure;
        if (cancelError_) cancelButton_ = true;
        return;
    }
    // Made before its dialog, which refers to it, and so outlives it.
    QPrinter printer;
    const ShownDialog<QPrintDialog> dialog(&printer, form_.data());
    dialog->setMinMax(min_, max_);
    // A range of one page leaves nothing to narrow down, so none is offered.
    const bool ranges = (flags_ & cdlPDNoPageNums) == 0 && min_ != max_;
    dialog->setOption(QAbstractPrintDialog::PrintPageRange, ranges);
    if (fromPage_ > 0 && toPage_ >= fromPage_) printer.setFromTo(fromPage_, toPage_);
    if (ranges && (flags_ & cdlPDPageNums)) printer.setPrintRange(QPrinter::PageRange);
    printer.setCopyCount(qMax(1, copies_));
    if (!Run(*dialog)) {
        if (cancelError_) cancelButton_ = true;
        return;
    }
    cancelButton_ = false;
    fromPage_ = printer.fromPage();
    toPage_ = printer.toPage();
    min_ = dialog->minPage();
    max_ = dialog->maxPage();
    copies_ = printer.copyCount();
}

void ClsCommonDlg::ShowHelp() {
    errNumber_ = 0;
    if (helpFile_.isEmpty() || helpCommand_ == 0 || helpCommand_ == cdlHelpQuit) return;
    const QFileInfo file(helpFile_);
    if (!file.isFile() || !QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath())))
        errNumber_ = cdlHelpFailed;
}

bool ClsCommonDlg::setHelpKey(const QString& text) {
    bool ok = false;
    const double value = std::nearbyint(text.trimmed().toDouble(&ok));
    if (!ok || !(value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()))
        return false;
    helpKey_ = static_cast<qint32>(value);
    return true;
}

QString ClsCommonDlg::ErrDescription() const {
    switch (errNumber_) {
        case -32768:
            return QStringLiteral("関数がダイアログ ボックスをロードできません。");
        case 20476:
            return QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。");
        case 20477:
            return QStringLiteral("ファイル名が無効です。");
        case 20478:
            return QStringLiteral("メモリ不足のために、リスト ボックスをサブクラス化できません。");
        case 24574:
            return QStringLiteral("フォントが存在しません。");
        case 28660:
            return QStringLiteral(
                "WIN.INI ファイル内の [devices] セクションに、必要なプリンタについてのエントリがありません。");
        case 28661:
            return QStringLiteral("PrintDlg 関数が情報コンテキストを作成できません。");
        case 28662:
            return QStringLiteral("DevMode データ構造と DevNames データ構造のデータが異なるプリンタを指しています。");
        case 28663:
            return QStringLiteral("通常使うプリンタが設定されていません。");
        case 28664:
            return QStringLiteral("プリンタ ドライバが見つかりません。");
        case 28665:
            return QStringLiteral("PrintDlg 関数を初期化できません。");
        case 28666:
            return QStringLiteral("プリンタ ドライバが DevMode データ構造を初期化できません。");
        case 28667:
            return QStringLiteral("PrintDlg 関数が、指定したプリンタ ドライバをロードできません。");
        case 28668:
        case 28671:
            return QStringLiteral(
                "PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 "
                "ではありません。");
        case 28669:
            return QStringLiteral("CommonDialog 関数が WIN.INI の [devices] セクションの文字列を解析できません。");
        case 28670:
            return QStringLiteral("必要なリソースを読み込めません。");
        case 32751:
            return QStringLiteral("ヘルプを呼び出せません。");
        case 32752:
            return QStringLiteral("FileName プロパティまたは Filter プロパティにメモリを割り当てられません。");
        case 32755:
            return QStringLiteral("[キャンセル] ボタンが選択されました。");
        case 32757:
            return QStringLiteral("関数が、ハンドルに関連付けられたメモリをロックできません。");
        case 32758:
            return QStringLiteral("関数が、内部のデータ構造にメモリを割り当てられません。");
        case 32759:
            return QStringLiteral("関数が指定したリソースをロックできません。");
        case 32760:
        case 32761:
            return QStringLiteral("関数が指定したリソースをロードできません。");
        case 32765:
            return QStringLiteral("関数を初期化できません。");
        default:
            return QStringLiteral("未知のｴﾗｰです。");
    }
}
