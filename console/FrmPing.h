#pragma once
// The main window "ヴァントーロ": the tree of watched groups, computers and services on the
// left, on the right a tab control with the computer panel, the two log lists and the
// person list, the status line below, the menu bar and the tray icon with its menu.
// Loading the window (Load) starts the monitor, Shutdown stops it. The window owns the
// Monitor the check engine works on; its tree, log lists and person list are views of
// the monitor's model (ModelViews.h). It installs the real message box, status and window
// seams.
//
// One thread: commands can arrive while a check round yields, so every command runs in a
// CommandScope that clears gCheckContinue, stops the timer and drops always-on-top for
// its life and restores them when the outermost command ends. Closing the program while
// a round or a command is on the stack is deferred until the stack has unwound.

#include "console/ModelViews.h"
#include "console/NodeDialogs.h"
#include "engine/ClsPing.h"
#include "engine/Monitor.h"
#include "engine/Pacing.h"
#include "model/Seams.h"
#include "model/TreeNodes.h"

#include <QLockFile>
#include <QMainWindow>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class LanMessenger;
class PatLampWindowInstall;
class MailslotSender;
struct NotifyForm;
class QAction;
class QDialog;
class QLabel;
class QListWidget;
class QMenu;
class QMimeData;
class QPoint;
class QPushButton;
class QTabWidget;
class QTreeWidget;

// Start-up messages.
namespace startupmsg {
inline const QString kAlreadyRunning = QStringLiteral("既に起動されています。");
inline const QString kNoDatabase = QStringLiteral("監視対象のサーバー情報を保存しているＭＤＢファイルが存在しません。");
inline const QString kPortInUse = QStringLiteral("同じポート番号が既に使用されています。緊急通信機能を停止します。");
inline const QString kHostUnreachable = QStringLiteral("到達できないホストに対してソケット操作が試行されました。");
// A load of the tree that ended early; the reason follows.
inline const QString kLoadFailed = QStringLiteral("監視対象を最後まで読み込めませんでした。");
// At exit, for a database whose last load ended early; the path follows.
inline const QString kNotBackedUp =
    QStringLiteral("管理DBを最後まで読み込めなかったため、バックアップを作成しませんでした: ");
}  // namespace startupmsg

// The check-cycle text of the computer panel: where a computer stands between answers,
// time-outs toward its next notice and its back-off. Lines are separated by CR LF.
QString ConnectStateText(bool notIPAddress, qint32 notConnectCount, qint32 wrongCount, qint32 ngrSet);

class FrmPing : public QMainWindow {
    Q_OBJECT
public:
    // How start-up ended.
    enum class StartResult {
        Running,          // the monitor runs
        SecondInstance,   // another copy runs: end at once, nothing touched
        DatabaseMissing,  // the database file is missing: end at once, nothing touched
        PortFailed,       // the messenger port could not be taken: shut down, then end
        Ended,            // a signal ended the start-up (past the port: after the shutdown)
    };

    // What the window does through other subsystems. Every member has a real default;
    // tests replace single members to record or script them.
    struct Services {
        // Takes the program's single-instance lock; false when another copy holds it.
        std::function<bool(FrmPing&)> acquireInstance;
        // Takes the messenger port; 0 or the socket error number.
        std::function<qint32(LanMessenger&, quint16 port)> openMessenger;
        // The start-up announcement "01"; 0 or an error number.
        std::function<qint32(LanMessenger&)> announce;
        // Creates the plug-in objects found beside the program (gDllObjects).
        std::function<void()> loadCheckDlls;
        // Rebuilds tree, target list and person list from the database; false, with the
        // reason in error, when the load ended early.
        std::function<bool(FrmPing&, QString& error)> loadComputerTree;
        // The first arming of the check timer: a round is due one full interval on.
        std::function<void(FrmPing&)> armFirstRound;
        // Starts the pacing afresh after the interval option changed.
        std::function<void(FrmPing&)> resetPacing;
        // The check timer's tick.
        std::function<void(FrmPing&)> tick;
        // Shows a modal dialog over the window and returns when it has closed.
        std::function<void(QDialog&)> runDialog;
        // Whether the desktop offers a notification area at all.
        std::function<bool()> trayAvailable;
        // Opens the tray menu (the right button on the tray icon).
        std::function<void(QMenu&)> popupTrayMenu;
        // Opens a context menu (the tree's or the person list's) at a screen point.
        std::function<void(QMenu&, const QPoint&)> popupNodeMenu;
        // Ends the program's event loop once the shutdown work is done.
        std::function<void(int code)> quit;
        // Shutdown steps, in order (the defaults do the real work).
        std::function<void()> closePatLamp;
        std::function<void()> markStopped;
        std::function<void()> backupDatabase;
        std::function<void()> releasePlugins;
    };
    static Services DefaultServices();

    explicit FrmPing(QWidget* parent = nullptr);
    ~FrmPing() override;

    // Replaces the services (before Load). Members left empty keep their defaults.
    void SetServices(Services services);
    Services& services() { return services_; }
    // Where the single-instance lock lives (default: the user's runtime folder).
    void SetInstanceLockPath(const QString& path) { lockPath_ = path; }
    static QString DefaultInstanceLockPath();
    // Takes the lock at the lock path; false when another living copy holds it.
    bool AcquireInstanceLock();

    // The start-up sequence. After Running the window is shown by the caller.
    StartResult Load();
    // The shutdown work (tray icon, lamp, control table, backup, plug-ins, then one box
    // listing the writes that failed during the run); runs once, also when asked again;
    // deferred while a round or a command is on the stack.
    void Shutdown();
    bool ShutdownDone() const { return shutdownDone_; }
    // A signal (the session ending, a terminal closed, Ctrl-C) asks the program to end:
    // as "閉じる" does once running; during the start-up, whatever box or dialog it
    // waits on is closed and Load returns Ended. From then on no box or dialog waits for
    // an answer nobody may give: their texts go to the standard error.
    void EndBySignal();
    bool ShutdownPending() const { return closePending_; }

    // What the check engine works on, and its parts.
    Monitor& monitor() { return monitor_; }
    TreeNodes& TreeComputer() { return monitor_.TreeComputer(); }
    UserList& Users() { return monitor_.ListViewUser(); }
    LogLines& ListPing(int index) { return monitor_.ListPing(index); }
    QTimer& TimerPing() { return monitor_.TimerPing(); }
    bool MenuConnectChecked() const { return monitor_.MenuConnectChecked(); }
    ClsPing& mPing() { return monitor_.mPing(); }
    NotifyForm* NotifyTarget() { return notify_.get(); }
    QString Caption() const { return kCaption; }

    static inline const QString kCaption = Monitor::kCaption;

    // Controls, by their names.
    QTreeWidget* treeComputer() const { return treeComputer_; }
    TreeView& TreeComputerView() { return *treeView_; }
    // The two log lists' widgets (0: the check-status log, 1: the abnormal-status log).
    QListWidget* ListPingView(int index) const { return listPing_[index == 1 ? 1 : 0]; }
    QTabWidget* SSTabComputer() const { return ssTabComputer_; }
    QPushButton* CmdCheng() const { return cmdCheng_; }
    QTreeWidget* ListViewUser() const { return listViewUser_; }
    QLabel* Lbl_Computer() const { return lblComputer_; }
    QLabel* Lbl_Shurui() const { return lblShurui_; }
    QLabel* Lbl_IPAddress() const { return lblIPAddress_; }
    QLabel* Lbl_Description() const { return lblDescription_; }
    QLabel* Lbl_Connect() const { return lblConnect_; }
    QLabel* StatusPanel() const { return statusPanel_; }
    QSystemTrayIcon& Tray() { return tray_; }
    LanMessenger& ctlWinsock() { return *winsock_; }
    QMenu* menuTaskBar() const { return menuTaskBar_; }

    // Menu items of the menu bar.
    QAction* menuFileClose = nullptr;
    QAction* menuReSet = nullptr;
    QAction* menuDisplayFormTop = nullptr;
    QAction* menuConnect = nullptr;
    QAction* menuOption = nullptr;
    QAction* menuCalendar = nullptr;
    QAction* menuTracert = nullptr;
    QAction* menuLogMsg = nullptr;
    QAction* menuHelpVer = nullptr;
    // The tray menu holds the menu bar's own items; these are their names there, so a
    // check mark or a handler can never differ between the two menus.
    QAction*& menuTaskBarFormTop = menuDisplayFormTop;
    QAction*& menuTaskBarConnect = menuConnect;
    QAction*& menuTaskBarOption = menuOption;
    QAction*& menuTaskBarCalendar = menuCalendar;
    QAction*& menuTaskBarLogMsg = menuLogMsg;
    QAction*& menuTaskBarVer = menuHelpVer;
    QAction*& menuTaskBarClose = menuFileClose;
    // The tree's context menu "Node選択用" (console/FrmPingNodes.cpp), in menu order.
    QMenu* menuNode() const { return menuNode_; }
    QAction* menuNodeCheck = nullptr;
    QAction* menuNodeConnect = nullptr;
    QAction* menuNodeTracert = nullptr;
    QAction* menuNodeH1 = nullptr;
    QAction* menuNodeInsert = nullptr;
    QAction* menuNodeInsert3 = nullptr;
    QAction* menuNodeInsert2 = nullptr;
    QAction* menuNodeInsert4 = nullptr;
    QAction* menuNodeH2 = nullptr;
    QAction* menuNodeUpdate = nullptr;
    QAction* menuNodeDelete = nullptr;

    // The status line and the tray tip.
    void SetStatusText(const QString& text);
    // The lasting notice beside the status line ("" takes it away).
    void SetNotice(const QString& text);
    // "ICONADD", "ICONCHANGE" or "ICONDEL" (exactly); anything else does nothing.
    void TrayIcon(const QString& action, const QString& text);
    // Puts the window into or out of the always-on-top layer; nothing while the lamp is
    // up. Never shows a window that is hidden.
    void SetTopMost(bool onTop);
    bool IsTopMost() const;
    // Restore from the tray or task bar, maximise and bring to the front (an alarm).
    void RaiseMainWindow();
    // The tray icon's mouse report.
    void TrayActivated(QSystemTrayIcon::ActivationReason reason);
    // Minimise: hides the window when the tray icon can bring it back.
    bool TrayShown() const;

    // The computer panel for address (see ConnectStateText for its last label).
    void ShowComputerInfo(const QString& address);
    // A click on a tree node: the panel of the computer it belongs to.
    void TreeComputer_NodeClick(const TreeNode* node);

    // The person list and the recipients (FrmPingUsers.cpp). People are made recipients of
    // a group or a computer by dragging them from the list onto the tree; a recipient node
    // dragged back onto the list is unassigned. Drags carry these MIME types.
    static inline const QString kPersonMime = QStringLiteral("application/x-vantoro-person");
    static inline const QString kRecipientMime = QStringLiteral("application/x-vantoro-recipient");
    QMenu* menuNodeUser() const { return menuNodeUser_; }
    QAction* menuNodeUserInsert = nullptr;
    QAction* menuNodeUserUpdate = nullptr;
    QAction* menuNodeUserDelete = nullptr;
    void ListViewUser_ColumnClick(int header);  // the 1-based header index
    void ListViewUser_DblClick() { menuNodeUserUpdate_Click(); }
    // pos in the list's viewport; true when the press was handled (an item lay under it).
    bool ListViewUser_MouseDown(Qt::MouseButton button, const QPoint& pos);
    void ListViewUser_DragDrop(const QMimeData& data);
    void TreeComputer_DragDrop(const QMimeData& data, TreeNode* target);
    void menuNodeUserInsert_Click();
    void menuNodeUserUpdate_Click();
    void menuNodeUserDelete_Click();

    // The tree's selected node (null when none) and the record dialogs its commands open.
    TreeNode* SelectedNode() { return TreeComputer().SelectedItem(); }
    NodeDialogs& nodeDialogs() { return nodeDialogs_; }
    // A mouse button pressed on the tree at pos (viewport coordinates): the node there, or
    // none, becomes the selected node; the right button then pops up menuNode.
    void TreeComputer_MouseDown(Qt::MouseButton button, const QPoint& pos);
    // Shows, hides and captions menuNode's items for the selected node; false when it
    // offers nothing (a node of an unknown kind, or no item has its dialog).
    bool PrepareNodeMenu();

    // Node commands (console/FrmPingNodes.cpp).
    void menuNodeCheck_Click();
    void menuNodeConnect_Click();
    void menuNodeDelete_Click();
    void menuNodeInsert_Click();
    void menuNodeInsert2_Click();
    void menuNodeInsert3_Click();
    void menuNodeInsert4_Click();
    void menuNodeUpdate_Click();
    void menuNodeTracert_Click();

    // Log lists.
    void CmdCheng_Click();
    void ListPing_DblClick(int index);

    // Commands.
    void menuFileClose_Click();
    void menuReSet_Click();
    void menuDisplayFormTop_Click();
    void menuConnect_Click();
    void menuOption_Click();
    // The named calendars' editor.
    void menuCalendar_Click();
    // Traceroute with a host box the user fills in.
    void menuTracert_Click();
    void menuLogMsg_Click();
    void menuHelpVer_Click();

    // The frame of every command: gCheckContinue cleared, the timer stopped (when asked)
    // and always-on-top dropped for its life; at the end of the outermost command the
    // on-top state and both check marks follow gOptFormTop, the cursor is the default,
    // the timer runs exactly when menuConnect is checked and gCheckContinue is set.
    class CommandScope {
    public:
        // kKeepContinue: a command that leaves gCheckContinue as it is (the log line box).
        static constexpr int kKeepContinue = 1;
        // kKeepTopMost: a command without a window of its own (the reload).
        static constexpr int kKeepTopMost = 2;
        // kKeepTimer: a command that leaves the check timer running (the check switch).
        static constexpr int kKeepTimer = 4;
        explicit CommandScope(FrmPing& form, int flags = 0);
        ~CommandScope();
        CommandScope(const CommandScope&) = delete;
        CommandScope& operator=(const CommandScope&) = delete;

    private:
        FrmPing& form_;
    };
    int CommandDepth() const { return commandDepth_; }
    // Shows dialog modally through the dialog runner.
    void RunDialog(QDialog& dialog);

public slots:
    // The check timer's tick.
    void TimerPing_Timer();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class BoxSeam;
    class StatusBarSeam;
    class MainWindowSeam;
    class UserDragDrop;

    void BuildLayout();
    void BuildMenus();
    void BuildUserList();
    void BuildNodeMenu();
    void SetConnectChecked(bool checked);
    void SetFormTopChecked(bool checked);
    void RequestClose();
    void FinishPendingClose();
    // Rejects every modal dialog and message box that is up.
    void CloseModalDialogs();
    // The box at exit listing what could not be written during the run.
    void ReportWriteFailures();
    void EndCommand();
    void ApplyTimerInterval();
    // Loads the tree through the service; a load that ended early is shown in a message
    // box, and its status text is returned ("" when everything was loaded).
    QString LoadTree();

    static inline const int kTabWidth = 430;

    Services services_;
    QString lockPath_;
    std::unique_ptr<QLockFile> instanceLock_;

    Monitor monitor_;
    std::unique_ptr<PatLampWindowInstall> lampWindow_;  // the lamp shows while the window lives
    QTreeWidget* treeComputer_ = nullptr;
    TreeView* treeView_ = nullptr;  // children of their widgets
    QTabWidget* ssTabComputer_ = nullptr;
    QListWidget* listPing_[2] = {nullptr, nullptr};
    QPushButton* cmdCheng_ = nullptr;
    QTreeWidget* listViewUser_ = nullptr;
    QLabel* lblComputer_ = nullptr;
    QLabel* lblShurui_ = nullptr;
    QLabel* lblIPAddress_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblConnect_ = nullptr;
    QLabel* statusPanel_ = nullptr;
    QLabel* noticePanel_ = nullptr;
    QMenu* menuTaskBar_ = nullptr;
    QMenu* menuNodeUser_ = nullptr;
    Qt::SortOrder userSortOrder_ = Qt::AscendingOrder;
    QMenu* menuNode_ = nullptr;

    QTimer& timerPing_ = monitor_.TimerPing();
    std::unique_ptr<LanMessenger> winsock_;
    std::unique_ptr<MailslotSender> mailslot_;
    std::unique_ptr<NotifyForm> notify_;
    NodeDialogs nodeDialogs_;
    QSystemTrayIcon tray_;
    bool trayAdded_ = false;

    std::unique_ptr<BoxSeam> boxSeam_;
    std::unique_ptr<StatusBarSeam> statusSeam_;
    std::unique_ptr<MainWindowSeam> windowSeam_;

    int loadCount_ = 0;
    int commandDepth_ = 0;
    int tickDepth_ = 0;
    bool outerKeepsContinue_ = false;
    bool outerKeepsTopMost_ = false;
    bool outerKeepsTimer_ = false;
    bool closePending_ = false;
    bool shutdownDone_ = false;
    bool starting_ = false;
    bool endBySignal_ = false;
    // How the last load of the database went: one that did not load is not copied over
    // the last backup at exit.
    enum class LoadState { NotTried, Loaded, Failed };
    LoadState loadState_ = LoadState::NotTried;
    // The start-up marked the database 稼動中, so the exit marks it 非稼動中.
    bool markedRunning_ = false;
};
