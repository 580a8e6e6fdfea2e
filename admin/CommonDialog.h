#pragma once
// The file dialog wrapper: a caller makes one object, sets its owner window and the
// dialog's properties, calls ShowOpen (or ShowSave) and reads the results back. Filters
// are written as "description|pattern|description|pattern|". The program uses the
// file-open dialog of the options dialog only, so the wrapper offers the file dialogs
// (open and save) and nothing else: no colour, font, print or help dialog, which no
// part of the program calls. How a file is actually chosen is a replaceable chooser,
// so tests answer it without a window.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

// What a chooser is asked to show.
struct FileDialogRequest {
    QWidget* owner = nullptr;
    bool save = false;
    QString title;
    QStringList nameFilters;  // Qt form: "description (pattern)"
    int filterIndex = 0;      // 0-based position in nameFilters
    QString initDir;
    QString fileName;        // the name preset in the dialog
    bool mustExist = false;  // OFN_FILEMUSTEXIST
    QString defaultExt;
};

class ClsCommonDlg {
public:
    // Returns the chosen path, or nullopt when the user cancelled.
    using Chooser = std::function<std::optional<QString>(const FileDialogRequest&)>;

    // Dialog flags the wrapper understands.
    static constexpr qint32 cdlOFNReadOnly = 0x1;
    static constexpr qint32 cdlOFNFileMustExist = 0x800;
    // ErrNumber when the chosen path did not fit MaxFileSize.
    static constexpr qint32 cdlBufferTooSmall = 20476;

    ClsCommonDlg();

    void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }
    static std::optional<QString> QtChooser(const FileDialogRequest& request);

    QWidget* Form() const { return form_; }
    void setForm(QWidget* form) { form_ = form; }

    void ShowOpen() { ShowFile(false); }
    void ShowSave() { ShowFile(true); }

    QString Filter() const { return filter_; }
    void setFilter(const QString& filter);
    // The filter pairs as the chooser gets them.
    QStringList NameFilters() const;
    void setFilterIndex(qint16 index) { filterIndex_ = index; }
    void setMaxFileSize(qint32 size) { maxFileSize_ = size; }
    void setInitDir(const QString& dir) { initDir_ = dir; }
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }
    QString FileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }
    QString FileTitle() const { return fileTitle_; }
    void setFileTitle(const QString& title) { fileTitle_ = title; }
    void setFlags(qint32 flags) { flags_ = flags; }
    void setDefaultExt(const QString& ext) { defaultExt_ = ext; }
    bool CancelError() const { return cancelError_; }
    void setCancelError(bool on) { cancelError_ = on; }
    bool CancelButton() const { return cancelButton_; }
    qint16 Action() const { return action_; }
    // 1 shows the open dialog, 2 the save dialog; other numbers are only stored.
    void setAction(qint16 action);
    qint32 ErrNumber() const { return errNumber_; }
    QString ErrDescription() const;

private:
    void ShowFile(bool save);

    Chooser chooser_;
    QWidget* form_ = nullptr;
    QString filter_;
    QString filterList_;  // the pairs, each part ended by a NUL
    qint16 filterIndex_ = 0;
    qint32 maxFileSize_ = 255;
    QString initDir_;
    QString dialogTitle_ = QStringLiteral("Open File");
    QString fileName_;
    QString fileTitle_;
    qint32 flags_ = 0;
    QString defaultExt_;
    bool cancelError_ = false;
    bool cancelButton_ = false;
    qint16 action_ = 0;
    qint32 errNumber_ = 0;
};
