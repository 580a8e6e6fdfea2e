#include "admin/CommonDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

ClsCommonDlg::ClsCommonDlg() : chooser_(&ClsCommonDlg::QtChooser), initDir_(QDir::currentPath()) {
    filterList_ = QStringLiteral("All Files (*.*)") + QChar(0) + QStringLiteral("*.*") + QChar(0);
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
        // is "a;b" in the wrapper's form and "a b" in Qt's.
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

void ClsCommonDlg::setAction(qint16 action) {
    action_ = action;
    if (action == 1)
        ShowOpen();
    else if (action == 2)
        ShowSave();
}

void ClsCommonDlg::ShowFile(bool save) {
    action_ = save ? 2 : 1;
    errNumber_ = 0;
    FileDialogRequest request;
    request.owner = form_;
    request.save = save;
    request.title = dialogTitle_;
    request.nameFilters = NameFilters();
    request.filterIndex = filterIndex_ > 0 ? filterIndex_ - 1 : 0;
    request.initDir = initDir_;
    request.fileName = fileName_;
    request.mustExist = (flags_ & cdlOFNFileMustExist) != 0;
    request.defaultExt = defaultExt_;
    std::optional<QString> chosen = chooser_ ? chooser_(request) : std::nullopt;
    // The name buffer holds MaxFileSize characters with room for two terminators; a
    // longer path is a failed dialog, never a cut path.
    if (chosen && chosen->toLocal8Bit().size() > maxFileSize_ - 2) {
        errNumber_ = cdlBufferTooSmall;
        chosen.reset();
    }
    if (!chosen) {
        if (cancelError_) {
            cancelButton_ = true;
            fileName_.clear();
        }
        return;
    }
    cancelButton_ = false;
    fileName_ = QDir::fromNativeSeparators(*chosen);
    fileTitle_ = QFileInfo(fileName_).fileName();
    if (fileTitle_.isEmpty()) fileTitle_ = fileName_;
}

std::optional<QString> ClsCommonDlg::QtChooser(const FileDialogRequest& request) {
    QFileDialog dialog(request.owner, request.title);
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile
                                    : (request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile));
    dialog.setNameFilters(request.nameFilters);
    if (request.filterIndex >= 0 && request.filterIndex < request.nameFilters.size())
        dialog.selectNameFilter(request.nameFilters.at(request.filterIndex));
    // The options hand their current path as the starting place: a file's folder is
    // opened with the file selected.
    const QFileInfo start(request.initDir);
    if (start.isDir())
        dialog.setDirectory(start.absoluteFilePath());
    else if (start.dir().exists()) {
        dialog.setDirectory(start.absolutePath());
        if (start.exists()) dialog.selectFile(start.fileName());
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (!request.defaultExt.trimmed().isEmpty()) dialog.setDefaultSuffix(request.defaultExt.trimmed());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

QString ClsCommonDlg::ErrDescription() const {
    // The file dialog's own and the general texts; the codes of the colour, font, print
    // and help dialogs, which this wrapper does not offer, read as unknown.
    switch (errNumber_) {
        case -32768:
            return QStringLiteral("関数がダイアログ ボックスをロードできません。");
        case 20476:
            return QStringLiteral("メンバ lpstrFile が指すバッファが小さすぎます。");
        case 20477:
            return QStringLiteral("ファイル名が無効です。");
        case 20478:
            return QStringLiteral("メモリ不足のために、リスト ボックスをサブクラス化できません。");
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
