#pragma once
// The about box: the program's title and version, its description, copyright and
// comments, and a button that starts a system information tool named in the settings
// store. The main window loads it and shows it modally; tests construct it, call Load
// and press its buttons without ever entering exec().

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;

// The program's own version information, as the about box shows it.
struct VersionInfo {
    QString title;
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString fileDescription;
    QString legalCopyright;
    QString comments;
};

// The running program's version information; the numbers come from the build's project
// version (VANTORO_VERSION, "major.minor.revision").
VersionInfo ProgramVersionInfo();

// Settings-store places that name the system information tool, looked up in this order:
// the first names the tool's full path; the second names a folder holding a file called
// kSysInfoFileName.
inline constexpr const char* kSysInfoPathKey = "SystemInformation";
inline constexpr const char* kSysInfoPathValue = "Path";
inline constexpr const char* kSysInfoLocationKey = "SystemInformationLocation";
inline constexpr const char* kSysInfoLocationValue = "Folder";
inline constexpr const char* kSysInfoFileName = "sysinfo";

// Reads one value of the per-user settings store (the options' own file): the value
// valueName under the group
// keyPath ("A/B" nests). Returns false with value emptied when the group or the value is
// missing; true with the value's text otherwise.
bool GetKeyValue(const QString& keyPath, const QString& valueName, QString& value);

class FrmPingAbt : public QDialog {
    Q_OBJECT
public:
    // Starts a program by its path in a normal window; true when it started.
    using Launcher = std::function<bool(const QString& path)>;

    explicit FrmPingAbt(QWidget* parent = nullptr);

    // Builds the caption and label texts from info. Every load starts again from the
    // labels' initial texts, so loading twice shows each text once.
    void Load(const VersionInfo& info = ProgramVersionInfo());

    // Starts the system information tool, or says that none is available.
    void StartSysInfo();

    // Replaces the way a program is started (tests record the path instead).
    void SetLauncher(Launcher launcher);

    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblDescription() const { return lblDescription_; }
    QLabel* lblLegalCopyright() const { return lblLegalCopyright_; }
    QLabel* lblDisclaimer() const { return lblDisclaimer_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdSysInfo() const { return cmdSysInfo_; }

private:
    QLabel* picIcon_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblLegalCopyright_ = nullptr;
    QLabel* lblDisclaimer_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
    Launcher launcher_;
};
