#pragma once
// The common dialog wrapper: one object puts the file-open and file-save dialogs, the
// colour, font and print dialogs and the help viewer behind a property interface. A
// caller makes one object, sets its owner window (Form) and the properties of the dialog
// it wants, calls a Show operation and reads the results back from the properties.
// Filters are written as "description|pattern|description|pattern|".
//
// Every dialog is a real Qt dialog, prepared by the wrapper and then shown through a
// replaceable runner (exec() by default), so tests answer the very dialog a user would
// see without blocking. A show reads the dialog's result() once the runner returns:
// anything but Accepted is a cancel. The dialog is a child of the owner window, so an
// owner destroyed while its dialog is up takes the dialog with it; the show then ends
// as a cancel.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QDialog;
class QFileDialog;

class ClsCommonDlg {
public:
    using Runner = std::function<void(QDialog&)>;

    // The numbers of the dialogs, as Action gives and takes them.
    static constexpr qint16 cdlOpen = 1, cdlSave = 2, cdlColor = 3, cdlFont = 4, cdlPrinter = 5, cdlHelp = 6;

    // Dialog flags the wrapper understands; other bits are stored and ignored.
    static constexpr qint32 cdlOFNReadOnly = 0x1;
    // The open dialog then takes existing files only (the sound chooser's 2049).
    static constexpr qint32 cdlOFNPathMustExist = 0x800;
    static constexpr qint32 cdlOFNFileMustExist = 0x1000;
    // The font dialog takes sizes from Min to Max points only.
    static constexpr qint32 cdlCFLimitSize = 0x2000;
    // The print dialog: the page range is preselected, or not offered at all.
    static constexpr qint32 cdlPDPageNums = 0x2;
    static constexpr qint32 cdlPDNoPageNums = 0x8;
    // HelpCommand that closes the help: there is nothing to open.
    static constexpr qint32 cdlHelpQuit = 0x2;

    // ErrNumber values a show sets (texts in ErrDescription).
    static constexpr qint32 cdlBufferTooSmall = 20476;  // the chosen path did not fit MaxFileSize
    static constexpr qint32 cdlPDInitFailure = 28665;   // the print dialog's Min is above its Max
    static constexpr qint32 cdlHelpFailed = 32751;      // no help file, or no viewer to open it

    ClsCommonDlg();

    void SetDialogRunner(Runner runner) { runner_ = std::move(runner); }

    QWidget* Form() const { return form_; }
    // Also copies the window's font into the Font properties.
    void setForm(QWidget* form);

    void ShowOpen() { ShowFile(false); }
    void ShowSave() { ShowFile(true); }
    void ShowColor();
    void ShowFont();
    void ShowPrinter();
    void ShowHelp();

    QString Filter() const { return filter_; }
    void setFilter(const QString& filter);
    // The filter pairs as the file dialog shows them.
    QStringList NameFilters() const;
    void setFilterIndex(qint16 index) { filterIndex_ = index; }
    // The file-name buffer's size in bytes of the Japanese code page (CP932), two of them
    // kept for terminators: a longer chosen path fails the show with cdlBufferTooSmall.
    void setMaxFileSize(qint32 size) { maxFileSize_ = size; }
    void setInitDir(const QString& dir) { initDir_ = dir; }
    void setDialogTitle(const QString& title) { dialogTitle_ = title; }
    QString FileName() const { return fileName_; }
    void setFileName(const QString& name) { fileName_ = name; }
    QString FileTitle() const { return fileTitle_; }
    void setFileTitle(const QString& title) { fileTitle_ = title; }
    void setFlags(qint32 flags) { flags_ = flags; }
    void setDefaultExt(const QString& ext) { defaultExt_ = ext; }

    // An RGB colour with red in the low byte (0x00BBGGRR).
    qint32 Color() const { return color_; }
    void setColor(qint32 color) { color_ = color; }

    QString HelpFile() const { return helpFile_; }
    void setHelpFile(const QString& file) { helpFile_ = file; }
    qint32 HelpCommand() const { return helpCommand_; }
    void setHelpCommand(qint32 command) { helpCommand_ = command; }
    qint32 HelpContext() const { return helpContext_; }
    void setHelpContext(qint32 context) { helpContext_ = context; }
    QString HelpKey() const { return QString::number(helpKey_); }
    // False (and the key unchanged) when text is no number or does not fit 32 bits.
    bool setHelpKey(const QString& text);

    bool FontBold() const { return fontBold_; }
    void setFontBold(bool on) { fontBold_ = on; }
    bool FontItalic() const { return fontItalic_; }
    void setFontItalic(bool on) { fontItalic_ = on; }
    QString FontName() const { return fontName_; }
    void setFontName(const QString& name) { fontName_ = name; }
    qint16 FontSize() const { return fontSize_; }
    void setFontSize(qint16 size) { fontSize_ = size; }
    bool FontStrikethru() const { return fontStrikethru_; }
    void setFontStrikethru(bool on) { fontStrikethru_ = on; }
    bool FontUnderline() const { return fontUnderline_; }
    void setFontUnderline(bool on) { fontUnderline_ = on; }

    qint32 Max() const { return max_; }
    void setMax(qint32 value) { max_ = value; }
    qint32 Min() const { return min_; }
    void setMin(qint32 value) { min_ = value; }

    bool CancelError() const { return cancelError_; }
    void setCancelError(bool on) { cancelError_ = on; }
    bool CancelButton() const { return cancelButton_; }
    qint16 Action() const { return action_; }
    // 1 to 6 perform the matching show; other numbers are only stored.
    void setAction(qint16 action);
    qint32 ErrNumber() const { return errNumber_; }
    QString ErrDescription() const;

    // A device context has no meaning here: stored only, as is PrinterDefault.
    qint32 hDC() const { return hDC_; }
    void sethDC(qint32 value) { hDC_ = value; }
    qint32 FromPage() const { return fromPage_; }
    void setFromPage(qint32 value) { fromPage_ = value; }
    qint32 ToPage() const { return toPage_; }
    void setToPage(qint32 value) { toPage_ = value; }
    qint32 Copies() const { return copies_; }
    void setCopies(qint32 value) { copies_ = value; }
    qint32 PrinterDefault() const { return printerDefault_; }
    void setPrinterDefault(qint32 value) { printerDefault_ = value; }

private:
    void ShowFile(bool save);
    void SetUpFileDialog(QFileDialog& dialog, bool save) const;
    // Shows dialog through the runner; true when it was accepted.
    bool Run(QDialog& dialog);

    Runner runner_;
    QPointer<QWidget> form_;
    qint32 errNumber_ = 0;
    bool cancelButton_ = false;
    qint16 action_ = 0;
    bool cancelError_ = false;
    QString filterList_;  // the pairs, each part ended by a NUL
    QString filter_;
    qint32 maxFileSize_ = 255;
    QString dialogTitle_ = QStringLiteral("Open File");
    QString initDir_;
    QString fileName_;
    qint16 filterIndex_ = 0;
    qint32 flags_ = 0;
    QString defaultExt_ = QString(QChar(0));
    QString fileTitle_ = QString(254, QLatin1Char(' '));
    qint32 color_ = 0;
    bool fontBold_ = false;
    bool fontItalic_ = false;
    bool fontStrikethru_ = false;
    bool fontUnderline_ = false;
    QString fontName_;
    qint16 fontSize_ = 0;
    qint32 max_ = 0;
    qint32 min_ = 0;
    qint32 hDC_ = 0;
    qint32 fromPage_ = 0;
    qint32 toPage_ = 0;
    qint32 copies_ = 0;
    qint32 printerDefault_ = 0;
    QString helpFile_;
    qint32 helpCommand_ = 0;
    qint32 helpContext_ = 0;
    qint32 helpKey_ = 0;
};
