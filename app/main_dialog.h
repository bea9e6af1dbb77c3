// CMainDlg: the tool's one window. It owns the link to the modem
// (ModemOperations: the port session and response dispatch in a ModemClient)
// and the configuration record with its checksum slot as the pages show it,
// and wires the collaborators that hold the rest: the tab control with the
// twelve pages, the port row, the command buttons, the status bar, the
// pending-changes tracker and the preferences.
#pragma once

#include <QDialog>
#include <QFont>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <optional>
#include <vector>

#include "app/message_owner.h"
#include "app/modem_operations.h"
#include "app/pending_changes.h"
#include "app/pending_tracker.h"
#include "app/status_bar.h"
#include "app/tab_control.h"
#include "app/worker_threads.h"
#include "link/port_discovery.h"
#include "link/port_session.h"
#include "operations/traffic_log.h"
#include "pages/page_host.h"
#include "protocol/response_dispatch.h"
#include "status/status_decoders.h"

class QAction;
class QMenu;
class QProgressBar;
class QTabBar;
class QTimer;

namespace telvaro {

class CommandButtons;
class ConfigPage;
class LiveMonitor;
class PortSelector;
class Preferences;
struct SettingsFileRead;
class CComPage;
class CBasicPage;
class CGprsPage;
class CAdvanced1Page;
class CAdvanced2Page;
class CWakeupPage;
class CRebootPage;
class CDiPage;
class CDoPage;
class CPhoneBookPage;
class CPhoneGroupPage;
class CNetworksPage;

// The window's face and size; the application takes it too, so message boxes,
// help, About and tips match the window.
QFont WindowFont();

struct MainDlgOptions {
  PortMap ports;
  int rememberedPort = 1;
  // The system's serial devices; the real table unless a test gives one.
  std::function<SystemPortTable()> portTable = ReadSystemPortTable;
  // The firmware image to send, or an empty text when the operator cancels;
  // the file-open dialog unless a test gives one. Called on the window thread.
  std::function<QString(QWidget*)> chooseFirmwareFile;
  // The serial settings file; the one the location rule picks when empty.
  std::string serialSettingsPath;
  // The settings file to export to (save) or import from, or an empty text
  // when the operator cancels; the file dialogs unless a test gives one.
  std::function<QString(QWidget*, bool save)> chooseSettingsFile;
  // Where Settings > "Save traffic log..." saves, or an empty text when the
  // operator cancels; the file dialog unless a test gives one.
  std::function<QString(QWidget*)> chooseTrafficLogFile;
  // Values for the ${NAME}s of a profile that have none (in the order
  // given), or nothing when the operator cancels; a small form unless a test
  // gives one. Called on the window thread.
  std::function<std::optional<std::vector<std::string>>(QWidget*, const std::vector<std::string>& names)>
      askProfileVariables;
  // Settings > "Provision several modems...": the file to read or the
  // report to save (see ProvisionFile), or an empty text when the operator
  // cancels; the file dialogs unless a test gives one.
  std::function<QString(QWidget*, int kind)> chooseProvisionFile;
  // Where the provisioning dialog backs units up; beside the units file
  // (or the profile) when empty.
  std::string provisionBackupDir;
  // The text typed under "Other port...": a device path or COM<n>=path; an
  // empty text when the operator cancels. A small input box unless a test
  // gives one.
  std::function<QString(QWidget*)> askOtherPort;
  // The address typed under "Network port...": tcp://HOST:PORT or
  // rfc2217://HOST:PORT; empty when the operator cancels.
  std::function<QString(QWidget*)> askNetworkPort;
  // Waits of the upgrade (the 3000 ms loader start and the 100 ms polls);
  // the real clock when empty. Tests may shorten the loader start.
  std::function<void(int ms)> upgradeSleep;
  // Where an upgrade backs up the modem's record first; "backups" in the
  // user's data folder when empty.
  QString backupDir;
  // The Reboot note's periods; tests may shorten them.
  int noteTickMs = 1000;
  int noteLifeMs = 30000;
  // The last port opened is kept in the user's settings and selected at the
  // next start, unless the command line gave the port.
  bool rememberLastPort = false;
  bool portGiven = false;
  // An INI file for the operator's preferences instead of the platform's
  // user settings; tests keep theirs apart this way.
  std::string preferencesPath;
  // The window opens at the size it had when it last closed.
  bool rememberSize = false;
  // The monitor's interval; 0 for the preference, or the monitor's default.
  int monitorIntervalMs = 0;
};

class CMainDlg : public QDialog, public PageHost, private PendingHost {
  Q_OBJECT

 public:
  static constexpr std::size_t kKeptTrafficFrames = 200;

  explicit CMainDlg(MainDlgOptions options = {});
  ~CMainDlg() override;

  // Operations other parts of the tool call.
  void UpdatePortState(bool open);
  void SetCommandButtonsEnabled(bool enabled);  // any thread
  void UpdateProgress(std::uint16_t total, std::uint16_t index);  // any thread
  void RefreshStatusBar();
  void ListSerialPorts();
  // "Other port...": a device path or COM<n>=path, typed once and
  // remembered; a path alone gets the number its name has, or a free one.
  void ChooseOtherPort();
  void ChooseNetworkPort();
  // The network address COM `com` stands for; empty for a local port.
  QString NetworkAddressOf(int com) const;
  static constexpr int kOtherPortFirstCom = 300;

  // Commands.
  void TogglePort();
  void ReadParameters();
  void WriteParameters();
  void OnDefault();
  void ExportSettings();
  void ImportSettings();
  void ExportProfile();
  void ImportProfile();
  // The last 200 frames sent and received, as telvaro-cli's --trace writes them.
  void SaveTrafficLog();
  void RebootDevice();
  void UpgradeFirmware();
  // Settings > "Provision several modems...": the provisioning dialog, on
  // the ports the window knows.
  void ProvisionSeveralModems();
  void ExitProgram();
  // Help > User manual: the installed HTML manual in the system's browser.
  void OpenUserManual();
  static QString UserManualPath();
  // File > Open settings file...: with the port closed, the file's record
  // becomes what the pages are edited against; Export saves it.
  void OpenSettingsFile();
  // File > "Restore backup...": a settings file saved from this modem goes
  // back to it: a backup of another modem (its IMEI) is restored only when
  // the operator says so, the changes are shown and asked about, then the
  // normal Write sends and verifies them.
  void RestoreBackup();
  // File > Save: back to the settings file opened (or last exported); Save
  // As... (and Settings > Export) choose where, starting from that file.
  void SaveSettingsFile();
  // Where the export's file dialog starts: the opened file, or DATAROM.bin.
  QString ExportDefaultPath() const;

  // Changes not yet written: what a Write would change in the modem, found
  // now by storing the pages quietly on a copy (nothing shown, nothing sent).
  PendingChanges PendingWrite() { return tracker_->PendingWrite(); }
  // What the window shows: recomputed shortly after each edit.
  const PendingChanges& Pending() const { return tracker_->Pending(); }
  void RecomputePending() { tracker_->Recompute(); }
  // Settings > "Pending changes...": the list, with its revert buttons.
  void ShowPendingList() { tracker_->ShowList(); }
  // Back to the modem's value: one change of Pending(), or all (-1).
  void RevertPending(int index) { tracker_->Revert(index); }
  bool ControlMarked(const QWidget* control) const { return tracker_->ControlMarked(control); }
  // View > Monitor, and the button beside the signal bars.
  LiveMonitor& Monitor() const { return *monitor_; }
  // Settings > "Confirm success with a message".
  bool ConfirmSuccess() const;
  void SetConfirmSuccess(bool on);

  // PageHost: the cross-page entry points.
  void SetWakeupMode(int mode) override;
  void SetRebootAvailability(int available) override;
  void SetPhoneBookColumn(PhoneBookColumn column, bool on) override;

  MessageOwner& Messages() { return *messages_; }
  PortSession& Session() { return session_; }
  ModemState& State() { return state_; }
  ConfigPage* Page(PageIndex index) const { return tabs_->Page(index); }
  // The page shown at each tab position, and the tab labels, as the strip is now.
  ConfigPage* PageAtPosition(int position) const { return tabs_->PageAtPosition(position); }
  QTabBar* TabBar() const { return tabs_->Bar(); }
  // A page's name as its tab says it, without the leading spaces.
  QString PageName(int page) const { return TabControl::PageName(page); }
  // 1..4; field 1: the icon's name, field 4: the count of changes not written.
  QString StatusField(int field) const { return status_->Field(field); }
  QProgressBar* ProgressBar() const { return status_->Progress(); }
  // Waits (serving events) until every worker thread has ended.
  void WaitForWorkers() { workers_.JoinAll(); }
  int RunningWorkers() { return workers_.Running(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void BuildWindow();
  void BuildMenu();
  void BuildLanguageMenu(QMenu* menu);
  void BuildCommandButtons();
  void BuildPages();
  template <typename P>
  P* PageAs(PageIndex index) const {
    return static_cast<P*>(tabs_->Page(index));
  }
  // The window's own size, or the screen's when that is smaller; it opens
  // wide enough for all twelve tabs, or at its remembered size, when the
  // screen allows.
  void FitToScreen();
  // The focus on the shown page, so the keyboard works there at once.
  void FocusPage();
  void BuildShortcuts();
  void DisableAllPages();   // the order a time-out uses
  void EnablePagesByState();
  void ShutDown();
  // While an upgrade runs, closing asks first; false when the operator keeps
  // the window open.
  bool ConfirmCloseDuringUpgrade();
  // The reader found the device gone; the port is then closed here, on the
  // window thread, unless it was closed or reopened since.
  void OnDeviceDisconnected(unsigned openCount);
  // Before a command that would lose changes not written, asks "Discard N
  // changes not written to the modem?" with Write, Discard and Cancel (the
  // default). True when the command may go on now: nothing pending, or
  // discarded (the pages show the base's values again). Write runs the
  // normal Write, and `then` only after it succeeded.
  bool ConfirmDiscard(std::function<void()> then);
  // Validates the pages and starts the Write; false when nothing went out.
  bool StartWrite();
  // A Write whose success runs `then` (queued, once the Write has ended).
  void WriteThen(std::function<void()> then);
  // The reboot frame and its countdown note, without asking.
  void SendReboot();
  // Read (no record) or Write: the frame is sent on a worker, so a line that
  // does not take data never freezes the window, and waited for there;
  // OnOperationFinished then gives the buttons back and says how it went.
  void StartOperation(std::optional<ConfigRecord> toWrite);
  void OnOperationFinished(int outcome, const QString& text, unsigned generation);
  // A Write whose read-back lacks settings (their keys in `keys`): the pages
  // show what was sent against the modem's record, and a failure names them.
  void ShowSettingsNotKept(const QString& keys);
  // An answer dispatch accepted: the window's record, the I/O flags, the
  // pages, and only then the response-received flag.
  void OnRecordAccepted(const ConfigRecord& record);
  // The monitor: a poll may go out only while the port is open and nothing
  // else talks to the modem or waits for the operator; its answer refreshes
  // the Networks page, the signal bars and the status bar, nothing else.
  void BuildMonitor(QMenu* view);
  bool MonitorMayPoll() const;
  void OnStatusPolled(const ConfigRecord& record);
  void OnPollFinished(const QString& failure);
  // The twelve page validators in their fixed order into `record`; 0, or the
  // first failure's negative result after its message, with the failing
  // page shown and the focus on the control the failure names.
  int ValidatePages(ConfigRecord& record);
  // PendingHost.
  ConfigRecord& EditedRecord() override { return state_.record; }
  std::vector<PageRefusal> StorePagesQuietly(ConfigRecord& record) override;
  void ShowRecord(bool loadClock) override;
  void PageReverted() override;
  void PendingCountChanged() override;
  void ShowSettingsReadFailure(const SettingsFileRead& read);
  // Import and Open settings file: asks before discarding changes, lets the
  // operator choose a file and reads it; nothing when any step ends it.
  struct ChosenSettingsFile {
    QString path;
    ConfigRecord record;
  };
  // `again` runs the command once a Write the operator chose first succeeded.
  std::optional<ChosenSettingsFile> AskAndReadSettingsFile(void (CMainDlg::*again)());
  // The file's settings over the window's record, the device fields kept.
  void ImportKeepingDevice(const ConfigRecord& file);
  // A success of Read, Write, Import or Export: a box, or 5 s in the status
  // bar when "Confirm success with a message" is off. Any thread.
  void ShowSuccess(const QString& text);
  bool PagesEditable() const { return session_.IsOpen() || !tracker_->FileName().isEmpty(); }
  QString ChooseSettingsFile(bool save);
  // Export to `path`, or to a file the operator chooses when it is empty.
  void ExportSettingsTo(QString path);
  // After the port opened over a settings file and the modem answered: the
  // file's settings are on the pages, counted against the modem; they are
  // listed and written when the operator agrees.
  void OfferFileWrite();
  QString ChooseProfileFile(bool save);
  void UpgradeWorker();
  // Refuses a settings file chosen as an image, then asks before the modem
  // is switched to its loader; true when the upgrade may start.
  bool ConfirmUpgrade(const QString& path, const std::vector<std::uint8_t>& image);

  void SetIoPresent(bool present);
  void SetGridEnabled(bool enabled);
  // Only the modem's answer comes this way: it becomes what changes are
  // counted against. Records of the window's own (Default, Import, a
  // profile) are shown with ShowRecord.
  void ShowRecordOnPages(const ConfigRecord& record);

  MessageOwner* messages_;
  MainDlgOptions options_;
  // The record and the response-received flag as the window has taken them
  // (dispatch's own are the client's).
  ModemState state_;
  std::atomic<bool> userRead_{false};      // a time-out is reported only then
  std::atomic<bool> writePending_{false};  // selects the Write success text
  ConfigRecord sentRecord_;  // what the last Write sent, for a setting the modem did not keep
  WorkerThreads workers_;
  ModemOperations* operations_;
  PortSession& session_;  // the client's
  TrafficLog traffic_{kKeptTrafficFrames};
  std::atomic<int> tracedPort_{0};  // the port the frames are labelled with
  DeviceClock clock_;
  bool shutDown_ = false;
  std::atomic<bool> closing_{false};         // the upgrade stops and shows nothing
  std::atomic<bool> upgradeRunning_{false};  // from the loader switch to the last packet
  // The displayed device clock is loaded from a shown record only while set;
  // a Write without "Synchronize with PC" clears it once, so the clock the
  // operator watches keeps running across the modem's answer.
  bool clockLoad_ = true;
  QAction* upgradeAction_ = nullptr;  // off while an upgrade runs
  LiveMonitor* monitor_ = nullptr;
  QAction* monitorAction_ = nullptr;
  int tabsExtraWidth_ = 0;  // what the window needs beyond its own width to show all twelve tabs
  QString openedFile_;  // the settings file File > Save writes to
  // The file's settings that go over the modem's record when its answer
  // comes (the port was opened to write them), then the question to write.
  std::optional<ConfigRecord> fileToWrite_;
  bool offerFileWrite_ = false;
  QString liveStatus_;
  // Values typed for profile variables, kept for the session.
  std::map<std::string, std::string> profileVariables_;  // the status text of the monitor's last answer, until the next record shown
  std::atomic<bool> fastUpgrade_{false};  // Settings > Fast upgrade: no pause between packets

  // Controls.
  PortSelector* portSelector_ = nullptr;
  Preferences* preferences_ = nullptr;
  PendingTracker* tracker_ = nullptr;  // changes not yet written
  TabControl* tabs_ = nullptr;
  CommandButtons* buttons_ = nullptr;
  StatusBar* status_ = nullptr;
  std::atomic<unsigned> waitGeneration_{0};  // the latest Read or Write wait
  std::function<void()> afterWrite_;  // what goes on once the running Write succeeded
  QString iniFailure_;  // why the serial settings file could not be saved at the last Write
  QTimer* clockTimer_ = nullptr;  // refreshes the shown device clock
  static constexpr int kClockRefreshMs = 1000;

};

}  // namespace telvaro
