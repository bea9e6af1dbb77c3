#include "app/main_dialog.h"

#include <algorithm>
#include <optional>
#include <string>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <QGuiApplication>
#include <QScreen>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include "app/command_buttons.h"
#include "app/language.h"
#include "app/live_monitor.h"
#include "app/tab_control.h"
#include "app/window_layout.h"
#include "app/window_thread.h"
#include "app/port_selector.h"
#include "app/preferences.h"
#include "link/network_address.h"
#include "widgets/icons.h"
#include "operations/settings_file.h"
#include "pages/about_dialog.h"
#include "pages/advanced1_page.h"
#include "pages/advanced2_page.h"
#include "pages/basic_page.h"
#include "pages/com_page.h"
#include "pages/di_page.h"
#include "pages/do_page.h"
#include "pages/gprs_page.h"
#include "pages/help_dialog.h"
#include "pages/networks_page.h"
#include "pages/phone_book_page.h"
#include "pages/phone_group_page.h"
#include "pages/reboot_page.h"
#include "pages/wakeup_page.h"

namespace telvaro {
namespace {

// Orders in which the window runs page operations on all pages.
constexpr PageIndex kEnableOrder[] = {kPhoneBook, kCom, kBasic, kGprs, kAdvanced1, kAdvanced2,
                                      kWakeup,    kNetworks, kReboot, kDi, kDo};
constexpr PageIndex kTimeoutDisableOrder[] = {kCom,    kBasic,  kGprs, kAdvanced1, kAdvanced2, kWakeup,
                                              kNetworks, kReboot, kDi,   kDo,        kPhoneBook, kPhoneGroup};

// The serial settings file: next to the executable, or in the user's
// configuration folder when that is read-only.
std::string SerialSettingsFile(const MainDlgOptions& options) {
  if (!options.serialSettingsPath.empty()) return options.serialSettingsPath;
  return Preferences::DefaultSerialSettingsPath();
}

}  // namespace

CMainDlg::CMainDlg(MainDlgOptions options)
    : messages_(new MessageOwner(this)),
      options_(std::move(options)),
      operations_(new ModemOperations(options_.ports, workers_, this)),
      session_(operations_->Client().Session()) {
  setObjectName("CMainDlg");
  setWindowTitle("Telvaro Pro");
  setWindowIcon(icons::Application());
  setWindowFlag(Qt::WindowMinimizeButtonHint, true);  // a dialog has none by default
  session_.SetRememberedPort(options_.rememberedPort);
  const TrafficTap traced = [this](TrafficDirection direction, std::span<const std::uint8_t> bytes) {
    traffic_.Add("COM" + std::to_string(tracedPort_.load()), direction, bytes);
  };
  operations_->Client().SetTrafficTap(traced);
  preferences_ = new Preferences(SerialSettingsFile(options_), QFile::decodeName(options_.preferencesPath.c_str()), this);
  session_.Ports().AddPairs(preferences_->OtherPorts());  // typed once, kept
  BuildWindow();
  tracker_ = new PendingTracker(this, *this, *messages_, *tabs_);
  QToolButton* monitorButton = PageAs<CNetworksPage>(kNetworks)->MonitorButton();
  connect(monitorButton, &QToolButton::toggled, monitor_, &LiveMonitor::SetOn);
  connect(monitor_, &LiveMonitor::switched, monitorButton, &QToolButton::setChecked);
  tracker_->ListOnClick(status_->PendingField());
  if (options_.rememberLastPort && !options_.portGiven) {
    if (const auto com = preferences_->LastPort()) session_.SetRememberedPort(*com);
  }

  ListSerialPorts();
  UpdatePortState(session_.IsOpen());
  RefreshStatusBar();

  // Dispatch runs on the client's own pump. What it hands over comes here
  // queued, so pages and boxes are touched on this thread only, and a
  // "bad chksum" box open here never holds dispatch up. The end of a Read or
  // Write is waited for by its worker, so the pages an answer filled are shown
  // before its success box.
  connect(operations_, &ModemOperations::recordAccepted, this, &CMainDlg::OnRecordAccepted, Qt::QueuedConnection);
  connect(operations_, &ModemOperations::messageRaised, this,
          [this](const QString& text) { messages_->Show(text); }, Qt::QueuedConnection);
  connect(operations_, &ModemOperations::portStateChanged, this, &CMainDlg::UpdatePortState, Qt::DirectConnection);
  connect(operations_, &ModemOperations::deviceDisconnected, this, &CMainDlg::OnDeviceDisconnected,
          Qt::QueuedConnection);
  connect(operations_, &ModemOperations::finished, this, &CMainDlg::OnOperationFinished,
          Qt::BlockingQueuedConnection);
  connect(operations_, &ModemOperations::statusPolled, this, &CMainDlg::OnStatusPolled, Qt::QueuedConnection);
  connect(operations_, &ModemOperations::pollFinished, this, &CMainDlg::OnPollFinished,
          Qt::BlockingQueuedConnection);

  // The shown clock is recomputed from the real time elapsed since it was
  // loaded, so it keeps time however late this timer runs.
  clockTimer_ = new QTimer(this);
  connect(clockTimer_, &QTimer::timeout, this,
          [this] { PageAs<CBasicPage>(kBasic)->SetClockText(QString::fromStdString(clock_.Update())); });
  clockTimer_->start(kClockRefreshMs);
}

CMainDlg::~CMainDlg() { ShutDown(); }

void CMainDlg::ShutDown() {
  if (shutDown_) return;
  shutDown_ = true;
  tracker_->WindowClosed();
  closing_.store(true);  // a running upgrade stops at its next poll, silently
  operations_->Client().StopDispatch();
  if (clockTimer_) clockTimer_->stop();
  if (monitor_) monitor_->SetOn(false);
  if (options_.rememberSize && isVisible()) Preferences::SaveWindowSize(size());
  // Closing the port clears the reader-run flag, which ends every waiting
  // operation at its next poll.
  operations_->Client().Close();
  workers_.JoinAll();
}

QFont WindowFont() {
  QFont font("Arial");
  font.setPointSize(9);
  return font;
}

void CMainDlg::BuildWindow() {
  const QFont font = WindowFont();
  setFont(font);
  const DialogUnits du(font, kMinBaseX, kMinBaseY);

  BuildMenu();
  auto* client = new ClientArea(this);
  client->setObjectName("client");
  const QSize clientSize(du.X(271), du.Y(290));
  client->ownSize = clientSize;
  client->resize(clientSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setMenuBar(findChild<QMenuBar*>("menuBar"));
  layout->addWidget(client);

  // The session's own map, so a port typed under "Other port..." is listed
  // and opened alike.
  portSelector_ = new PortSelector(client, session_.Ports(), options_.portTable, [this] { return session_.RememberedPort(); },
                                   *messages_);
  const int switchEnd = portSelector_->Place(du);
  connect(portSelector_, &PortSelector::selectionChanged, this, [this] { RefreshStatusBar(); });
  connect(portSelector_, &PortSelector::switchPressed, this, &CMainDlg::TogglePort);
  connect(portSelector_, &PortSelector::otherPortRequested, this, &CMainDlg::ChooseOtherPort);
  connect(portSelector_, &PortSelector::networkPortRequested, this, &CMainDlg::ChooseNetworkPort);

  auto* note = new QLabel(tr("* Reboot for changes to take effect"), client);
  note->setObjectName("note");
  const int noteX = std::max(du.X(80), switchEnd + du.X(4));
  note->setGeometry(noteX, du.Y(6), du.X(111), du.Y(8));

  const QRect tabRect = du.Rect(8, 19, kTabWidthUnits, kTabHeightUnits);
  tabs_ = new TabControl(client, tabRect);
  BuildPages();

  BuildCommandButtons();
  buttons_->Place(client, du);

  // The window keeps its layout at its own size and grows from there: the
  // tab control takes the extra room, the command buttons stay under it,
  // centred; when it is smaller than a page the page area scrolls.
  client->onResize = [this, client, clientSize, tabRect] {
    const QSize extra = client->size() - clientSize;
    tabs_->setGeometry(QRect(tabRect.topLeft(), tabRect.size() + extra));
    buttons_->Follow(extra);
    tabs_->LayOut();
  };
  const int tabMinHeight = tabs_->Bar()->sizeHint().height() + du.Y(40);
  client->setMinimumSize(du.X(200), clientSize.height() - tabRect.height() + tabMinHeight);
  client->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

  // Room for every tab, and for the marker a tab with changes carries.
  const int markerRoom = 2 * tabs_->Bar()->iconSize().width();
  tabsExtraWidth_ = std::max(0, tabs_->Bar()->sizeHint().width() + markerRoom - tabRect.width());

  status_ = new StatusBar(this, [this] { RefreshStatusBar(); });
  // The bar keeps the height it is built with; extra room goes to the pages.
  status_->setFixedHeight(status_->sizeHint().height());
  layout->addWidget(status_);
  BuildShortcuts();
  FitToScreen();
}

void CMainDlg::FitToScreen() {
  // Its own size is the window's least size, unless the screen is smaller:
  // then it starts as large as the screen allows (frame and panels aside)
  // and scrolls the page.
  const QSize own = sizeHint();
  QSize size = own;
  QSize wanted = own + QSize(tabsExtraWidth_, 0);
  if (options_.rememberSize && Preferences::SavedWindowSize().isValid()) wanted = Preferences::SavedWindowSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    constexpr int kFrameRoom = 48;
    const QSize room = screen->availableGeometry().size() - QSize(kFrameRoom / 3, kFrameRoom);
    size = own.boundedTo(room).expandedTo(minimumSizeHint());
    // A page that scrolls up and down needs room beside it for the bar.
    if (size.height() < own.height())
      size.setWidth(std::min(room.width(), own.width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
    wanted = wanted.boundedTo(room);
  }
  setMinimumSize(size);
  resize(wanted.expandedTo(size));
}

void CMainDlg::FocusPage() {
  // The first control of the page shown that takes the keyboard, or the
  // page itself when none does (a page disabled while nothing is loaded).
  ConfigPage* page = tabs_->PageAtPosition(tabs_->Bar()->currentIndex());
  if (!page) return;
  for (QWidget* next = page->nextInFocusChain(); next && next != page; next = next->nextInFocusChain()) {
    if (!page->isAncestorOf(next)) break;
    if (next->isEnabled() && next->isVisibleTo(page) && (next->focusPolicy() & Qt::TabFocus)) {
      next->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
  page->setFocus(Qt::OtherFocusReason);
}

void CMainDlg::BuildShortcuts() {
  const auto add = [this](QKeySequence keys, const std::function<void()>& action) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  // F5 is the Read button itself: refused the same way while it is busy.
  add(QKeySequence(Qt::Key_F5), [this] { buttons_->Get(CommandButtons::kRead)->click(); });
  add(QKeySequence(Qt::CTRL | Qt::Key_Tab), [this] { tabs_->StepPage(1); });
  add(QKeySequence(Qt::CTRL | Qt::Key_PageDown), [this] { tabs_->StepPage(1); });
  add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), [this] { tabs_->StepPage(-1); });
  add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), [this] { tabs_->StepPage(-1); });
  add(QKeySequence(Qt::CTRL | Qt::Key_PageUp), [this] { tabs_->StepPage(-1); });
}

void CMainDlg::BuildMenu() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("menuBar");
  bar->setNativeMenuBar(false);
  // Access keys only underline a letter: the visible words stay the same.
  QMenu* file = bar->addMenu(tr("&File"));
  // A settings file is prepared at the desk: no modem needed.
  QAction* open = file->addAction(tr("&Open settings file..."), this, &CMainDlg::OpenSettingsFile);
  open->setObjectName("openFileAction");
  open->setShortcut(QKeySequence::Open);
  file->addAction(tr("&Restore backup..."), this, &CMainDlg::RestoreBackup)->setObjectName("restoreBackupAction");
  QAction* save = file->addAction(tr("&Save"), this, &CMainDlg::SaveSettingsFile);
  save->setObjectName("saveFileAction");
  save->setShortcut(QKeySequence::Save);
  QAction* saveAs = file->addAction(tr("Save &As..."), this, &CMainDlg::ExportSettings);
  saveAs->setObjectName("saveAsFileAction");
  saveAs->setShortcut(QKeySequence::SaveAs);
  file->addSeparator();
  file->addAction(tr("E&xit"), this, [this] { close(); });
  QMenu* settings = bar->addMenu(tr("&Settings"));
  // Neither talks to the modem, so both work with the port closed.
  settings->addAction(tr("&Export"), this, &CMainDlg::ExportSettings)->setObjectName("exportAction");
  settings->addAction(tr("&Import"), this, &CMainDlg::ImportSettings)->setObjectName("importAction");
  settings->addAction(tr("Export &profile..."), this, &CMainDlg::ExportProfile)->setObjectName("exportProfileAction");
  settings->addAction(tr("Import p&rofile..."), this, &CMainDlg::ImportProfile)->setObjectName("importProfileAction");
  settings->addAction(tr("Save traffic log..."), this, &CMainDlg::SaveTrafficLog)->setObjectName("saveTrafficLogAction");
  settings->addAction(tr("Pe&nding changes..."), this, &CMainDlg::ShowPendingList)->setObjectName("pendingAction");
  // Unticked, successes show in the status bar for a few seconds instead of
  // a box to click away; failures always keep their box.
  QAction* confirm = settings->addAction(tr("&Confirm success with a message"));
  confirm->setObjectName("confirmSuccessAction");
  confirm->setCheckable(true);
  confirm->setChecked(preferences_->ConfirmSuccess());
  connect(confirm, &QAction::toggled, this, [this](bool on) {
    if (on != preferences_->ConfirmSuccess()) preferences_->SetConfirmSuccess(on);
  });
  connect(preferences_, &Preferences::confirmSuccessChanged, confirm, &QAction::setChecked);
  // The Upgrade button stays hidden and disabled; operators start the same
  // command from here.
  settings->addSeparator();
  upgradeAction_ = settings->addAction(tr("&Upgrade firmware..."), this, &CMainDlg::UpgradeFirmware);
  upgradeAction_->setObjectName("upgradeAction");
  settings->addAction(tr("Provision several modems..."), this, &CMainDlg::ProvisionSeveralModems)
      ->setObjectName("provisionAction");
  // Without it each packet waits 200 ms after the answer to the one before,
  // the shortest gap the modem's loader is known to take.
  QAction* fast = settings->addAction(tr("Fast upgrade"));
  fast->setObjectName("fastUpgradeAction");
  fast->setCheckable(true);
  connect(fast, &QAction::toggled, this, [this](bool on) { fastUpgrade_.store(on); });
  BuildLanguageMenu(settings->addMenu(tr("&Language")));
  BuildMonitor(bar->addMenu(tr("&View")));
  QMenu* help = bar->addMenu(tr("&help"));
  QAction* helpAction = help->addAction(tr("&help"), this, [this] {
    CHelpDlg dialog(this);
    dialog.exec();
  });
  helpAction->setObjectName("helpAction");
  helpAction->setShortcut(QKeySequence(Qt::Key_F1));
  helpAction->setShortcutContext(Qt::WindowShortcut);
  help->addAction(tr("&User manual"), this, &CMainDlg::OpenUserManual)->setObjectName("manualAction");
  help->addAction(tr("&about"), this, [this] {
    CAboutDlg dialog(this);
    dialog.exec();
  });
}

void CMainDlg::BuildMonitor(QMenu* view) {
  const int interval = options_.monitorIntervalMs > 0 ? options_.monitorIntervalMs : preferences_->MonitorIntervalMs();
  monitor_ = new LiveMonitor(this, interval > 0 ? interval : LiveMonitor::kDefaultIntervalMs,
                             [this] { return MonitorMayPoll(); }, [this] { operations_->StartPoll(); });
  monitorAction_ = view->addAction(tr("&Monitor"));
  monitorAction_->setObjectName("monitorAction");
  monitorAction_->setCheckable(true);
  monitorAction_->setEnabled(false);  // until a port is open
  connect(monitorAction_, &QAction::toggled, monitor_, &LiveMonitor::SetOn);
  connect(monitor_, &LiveMonitor::switched, monitorAction_, &QAction::setChecked);
}

bool CMainDlg::MonitorMayPoll() const {
  // Read, Write, an upgrade or a question to the operator come first; the
  // poll waits for the next tick.
  return !shutDown_ && session_.IsOpen() && buttons_->Get(CommandButtons::kRead)->isEnabled() &&
         upgradeAction_->isEnabled() && !upgradeRunning_.load() && QApplication::activeModalWidget() == nullptr;
}

void CMainDlg::OnStatusPolled(const ConfigRecord& record) {
  if (shutDown_) return;
  PageAs<CNetworksPage>(kNetworks)->ShowStatus(record);
  liveStatus_ = QString::fromLatin1(record.Get(field::status_text).c_str());
  RefreshStatusBar();
}

void CMainDlg::OnPollFinished(const QString& failure) {
  monitor_->PollEnded();
  if (shutDown_ || failure.isEmpty() || !session_.IsOpen() || !monitor_->IsOn()) return;
  // A command that took the line meanwhile has the status bar.
  if (!buttons_->Get(CommandButtons::kRead)->isEnabled()) return;
  // The next tick tries again; a success puts the status bar's own text back.
  status_->ShowNote(tr("Monitor: %1; trying again").arg(failure));
}

QString CMainDlg::UserManualPath() {
  // Beside the program (the Windows installation and its portable copy), the
  // installed page, or the build tree's own.
  const QString beside = QCoreApplication::applicationDirPath() + "/manual.html";
  if (QFileInfo(beside).isFile()) return beside;
  for (const char* path : {TELVARO_INSTALLED_MANUAL, TELVARO_BUILT_MANUAL})
    if (QFileInfo(QString::fromUtf8(path)).isFile()) return QString::fromUtf8(path);
  return QString::fromUtf8(TELVARO_INSTALLED_MANUAL);
}

void CMainDlg::OpenUserManual() {
  const QString path = UserManualPath();
  if (!QFileInfo(path).isFile()) {
    messages_->Show(tr("The user manual is not installed: %1").arg(path));
    return;
  }
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
    messages_->Show(tr("No program to show the user manual: %1").arg(path));
}

void CMainDlg::BuildLanguageMenu(QMenu* menu) {
  menu->setObjectName("languageMenu");
  auto* group = new QActionGroup(menu);
  // The window's texts are set as it is built, so a choice applies from the
  // next start.
  for (const Language& language : AvailableLanguages()) {
    QAction* action = menu->addAction(language.name);
    action->setCheckable(true);
    action->setChecked(language.code == CurrentLanguage());
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, code = language.code] {
      Preferences::SaveLanguage(code);
      if (code == CurrentLanguage()) {
        RefreshStatusBar();
      } else {
        status_->ShowNote(tr("The language changes at the next start"));
      }
    });
  }
}

void CMainDlg::BuildCommandButtons() {
  buttons_ = new CommandButtons(this);
  const std::pair<CommandButtons::Button, void (CMainDlg::*)()> commands[] = {
      {CommandButtons::kRead, &CMainDlg::ReadParameters},      {CommandButtons::kWrite, &CMainDlg::WriteParameters},
      {CommandButtons::kDefault, &CMainDlg::OnDefault},        {CommandButtons::kReboot, &CMainDlg::RebootDevice},
      {CommandButtons::kUpgrade, &CMainDlg::UpgradeFirmware}, {CommandButtons::kExit, &CMainDlg::ExitProgram}};
  for (const auto& [button, command] : commands) connect(buttons_->Get(button), &QToolButton::clicked, this, command);
}

void CMainDlg::BuildPages() {
  // Pages are created in tab order; each one's cross-page pointer is set only
  // after it has been created, so no page calls across while starting.
  QWidget* pageParent = tabs_->PageParent();
  const auto create = [this](PageIndex index, auto* page) { return tabs_->Add(index, page); };
  // The Com page reads the serial settings file while it is created.
  auto* comPage = new CComPage(pageParent, messages_);
  comPage->SetSettingsPath(preferences_->SerialSettingsPath());
  create(kCom, comPage);
  create(kBasic, new CBasicPage(pageParent, messages_));
  create(kGprs, new CGprsPage(pageParent, messages_))->SetMainDlg(this);
  create(kAdvanced1, new CAdvanced1Page(pageParent, messages_))->SetMainDlg(this);
  create(kAdvanced2, new CAdvanced2Page(pageParent, messages_));
  create(kWakeup, new CWakeupPage(pageParent, messages_))->SetMainDlg(this);
  create(kReboot, new CRebootPage(pageParent, messages_))->SetMainDlg(this);
  create(kDi, new CDiPage(pageParent, messages_));
  create(kDo, new CDoPage(pageParent, messages_));
  create(kPhoneBook, new CPhoneBookPage(pageParent, messages_));
  create(kPhoneGroup, new CPhoneGroupPage(pageParent, messages_));
  create(kNetworks, new CNetworksPage(pageParent, messages_));

  tabs_->Start();
}

void CMainDlg::ListSerialPorts() { portSelector_->Fill(); }

void CMainDlg::TogglePort() {
  // Without a port to open the button does nothing: the list already said why.
  std::optional<int> com;
  if (!session_.IsOpen()) {
    com = portSelector_->Selected();
    if (!com) return;
  }
  // A settings file prepared at the desk goes to the modem, or gives way to
  // what the modem holds; closing the port, or opening it over other
  // edits, throws the changes away.
  std::optional<ConfigRecord> fileSettings;
  if (com && !tracker_->FileName().isEmpty()) {
    const MessageAnswer way = messages_->AskActFirst("Write the file's settings to the modem, or read the modem?",
                                                     QString(), tr("&Write"), tr("&Read"), tr("Cancel"));
    if (way == MessageAnswer::Act) {
      ConfigRecord edited = state_.record;
      if (ValidatePages(edited) < 0) return;
      fileSettings = edited;
    } else if (way != MessageAnswer::GoOn) {
      return;
    }
  } else if (!ConfirmDiscard([this] { TogglePort(); })) {
    return;
  }
  if (com) {
    session_.SetRememberedPort(*com);
    portSelector_->ChoiceTaken();
  }
  int result = PortSession::kClosed;
  if (session_.IsOpen()) {
    operations_->Client().Close();
  } else {
    tracedPort_.store(session_.RememberedPort());
    const Result<void> opened = operations_->Client().Open(session_.RememberedPort());
    result = opened ? PortSession::kOpened : PortSession::kOpenFailed;
    if (!opened) {
      const Failure& failure = opened.failure();
      messages_->ShowMessage(failure.reason.empty() ? failure.message : failure.message + "\n" + failure.reason);
    }
  }
  if (result != PortSession::kOpenFailed) {
    tracker_->SetFileName(QString());  // the modem is what changes are counted against now
    tracker_->DropBase();
  }
  RefreshStatusBar();  // before the automatic read puts its note in field 3
  if (result == PortSession::kOpened) {
    if (options_.rememberLastPort) preferences_->SetLastPort(session_.RememberedPort());
    fileToWrite_ = fileSettings;
    ReadParameters();
    userRead_.store(false);  // the automatic read reports no time-out
    FocusPage();
  }
  PageAs<CNetworksPage>(kNetworks)->ShowSignalLevel(0);
}

void CMainDlg::ChooseOtherPort() {
  const QString typed = (options_.askOtherPort ? options_.askOtherPort(this)
                                               : QInputDialog::getText(this, tr("Other port"),
                                                                       tr("Device path, or COM<n>=path:")))
                            .trimmed();
  if (typed.isEmpty()) return;
  PortMap& ports = session_.Ports();
  std::string pair = typed.toStdString();
  if (pair.find('=') == std::string::npos) {
    // A path alone: the number it has already, or the first one no rule gives.
    std::optional<int> com = ports.ComFor(pair);
    for (int n = kOtherPortFirstCom; !com; ++n)
      if (!ports.ExplicitPairs().contains(n)) com = n;
    pair = "COM" + std::to_string(*com) + "=" + pair;
  }
  if (!ports.AddPair(pair)) {
    messages_->Show(tr("Not a port: %1\nType a device path, or COM<n>=path.").arg(typed));
    return;
  }
  preferences_->AddOtherPort(pair);
  portSelector_->Choose(*ParseComName(pair.substr(0, pair.find('='))));
  RefreshStatusBar();
}

void CMainDlg::ChooseNetworkPort() {
  const QString typed =
      (options_.askNetworkPort ? options_.askNetworkPort(this)
                               : QInputDialog::getText(this, tr("Network port"),
                                                       tr("Address: tcp://HOST:PORT, or rfc2217://HOST:PORT:")))
          .trimmed();
  if (typed.isEmpty()) return;
  const std::string address = typed.toStdString();
  if (!ParseNetworkAddress(address)) {
    messages_->Show(tr("Not a network port: %1\nType tcp://HOST:PORT, or rfc2217://HOST:PORT.").arg(typed));
    return;
  }
  // An address typed before keeps its number; a new one takes the first free.
  PortMap& ports = session_.Ports();
  std::optional<int> com = ports.ComFor(address);
  for (int n = kOtherPortFirstCom; !com; ++n)
    if (!ports.ExplicitPairs().contains(n)) com = n;
  const std::string pair = "COM" + std::to_string(*com) + "=" + address;
  ports.AddPair(pair);
  preferences_->AddOtherPort(pair);
  portSelector_->Choose(*com);
  RefreshStatusBar();
}

QString CMainDlg::NetworkAddressOf(int com) const {
  const auto path = session_.Ports().PathFor(com);
  return path && IsNetworkAddress(*path) ? QString::fromStdString(*path) : QString();
}

void CMainDlg::UpdatePortState(bool open) {
  portSelector_->ShowPortState(open);
  if (monitor_) {
    // Closing the port ends the monitor; it starts again only when asked.
    if (!open) monitor_->SetOn(false);
    monitorAction_->setEnabled(open);
    PageAs<CNetworksPage>(kNetworks)->MonitorButton()->setEnabled(open);
  }
  // A settings file opened without a modem is edited too.
  if (open || !tracker_->FileName().isEmpty()) {
    EnablePagesByState();
  } else {
    for (ConfigPage* page : tabs_->Pages()) page->DisableAll();
  }
  buttons_->ShowPortState(open);
  tracker_->SetPortAddress(open ? NetworkAddressOf(session_.RememberedPort()) : QString());
}

void CMainDlg::EnablePagesByState() {
  for (PageIndex index : kEnableOrder) tabs_->Page(index)->EnableByState();
  // The Phone Group grid is switched only by SetGridEnabled.
  tabs_->Page(kPhoneGroup)->TakeValues();
  tabs_->Page(kPhoneGroup)->ShowValues();
}

void CMainDlg::DisableAllPages() {
  for (PageIndex index : kTimeoutDisableOrder) tabs_->Page(index)->DisableAll();
}

void CMainDlg::SetCommandButtonsEnabled(bool enabled) {
  RunOnWindowThread(this, [this, enabled] {
    // Buttons given back after the port was closed (during a wait, or by an
    // unplugged device) still look unavailable while it stays closed.
    buttons_->SetEnabled(enabled, session_.IsOpen());
  });
}

void CMainDlg::UpdateProgress(std::uint16_t total, std::uint16_t index) { status_->UpdateProgress(total, index); }

void CMainDlg::RefreshStatusBar() {
  const QString statusText =
      liveStatus_.isNull() ? QString::fromLatin1(state_.record.Get(field::status_text).c_str()) : liveStatus_;
  const int com = session_.RememberedPort();
  const QString address = NetworkAddressOf(com);
  status_->Show(session_.IsOpen(), address.isEmpty() ? QString("COM%1").arg(com) : address,
                QString::fromStdString(session_.LineDescription()), statusText, tracker_->Pending().Count());
}

bool CMainDlg::ConfirmDiscard(std::function<void()> then) {
  const int count = tracker_->CountBeforeDiscard();
  if (count == 0) return true;
  const QString text = QString(count == 1 ? "Discard %1 change not written to the modem?"
                                          : "Discard %1 changes not written to the modem?")
                           .arg(count);
  switch (messages_->AskActFirst(text, QString(), tr("&Write"), tr("&Discard"), tr("Cancel"))) {
    case MessageAnswer::Act:
      WriteThen(std::move(then));
      return false;
    case MessageAnswer::GoOn:
      // Discarded means gone: the pages show the base again before the
      // command goes on, so nothing of the edits is exported or sent later.
      tracker_->Discard();
      return true;
    default:
      return false;
  }
}

void CMainDlg::ExitProgram() {
  // The button's own question; with changes pending it says how many and
  // offers to write them first.
  const int count = tracker_->CountBeforeDiscard();
  const auto closeWithoutAsking = [this] { tracker_->WithoutAsking([this] { close(); }); };
  if (count == 0) {
    if (messages_->Show("Close this program, continue?", "Exit", MessageButtons::YesNo) == MessageAnswer::Yes)
      closeWithoutAsking();
    return;
  }
  const QString text = QString(count == 1 ? "Close this program, continue?\n%1 change not written to the modem."
                                          : "Close this program, continue?\n%1 changes not written to the modem.")
                           .arg(count);
  switch (messages_->AskActFirst(text, "Exit", tr("&Write and close"), tr("&Close without them"), tr("Cancel"))) {
    case MessageAnswer::Act:
      WriteThen(closeWithoutAsking);
      break;
    case MessageAnswer::GoOn:
      closeWithoutAsking();
      break;
    default:
      break;
  }
}

void CMainDlg::PageReverted() {
  if (PagesEditable()) EnablePagesByState();
}

void CMainDlg::PendingCountChanged() { status_->ShowPending(tracker_->Pending().Count()); }

void CMainDlg::SetIoPresent(bool present) {
  PageAs<CDiPage>(kDi)->SetIoPresent(present);
  PageAs<CDoPage>(kDo)->SetIoPresent(present);
  PageAs<CPhoneGroupPage>(kPhoneGroup)->SetIoPresent(present);
}

void CMainDlg::SetGridEnabled(bool enabled) { PageAs<CPhoneGroupPage>(kPhoneGroup)->SetGridEnabled(enabled); }

void CMainDlg::SetWakeupMode(int mode) { PageAs<CWakeupPage>(kWakeup)->SetWakeupMode(mode); }
void CMainDlg::SetRebootAvailability(int available) { PageAs<CRebootPage>(kReboot)->SetRebootAvailability(available); }
void CMainDlg::SetPhoneBookColumn(PhoneBookColumn column, bool on) { PageAs<CPhoneBookPage>(kPhoneBook)->SetPhoneBookColumn(column, on); }

void CMainDlg::keyPressEvent(QKeyEvent* event) {
  // Enter does nothing; Escape closes the window at once.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

// Escape, the close box and File > Exit close at once and always close the port.
bool CMainDlg::ConfirmCloseDuringUpgrade() {
  if (shutDown_ || !upgradeRunning_.load()) return true;
  // Enter keeps the upgrade going: stopping it cannot be undone.
  return messages_->AskDefaultNo("A firmware upgrade is running and cannot be resumed: closing now stops it and "
                                 "leaves the modem in its loader until it is upgraded again.\nClose anyway?",
                                 "Exit") == MessageAnswer::Yes;
}

void CMainDlg::reject() {
  if (!ConfirmCloseDuringUpgrade() || !ConfirmDiscard([this] { close(); })) return;
  ShutDown();
  QDialog::reject();
}

void CMainDlg::closeEvent(QCloseEvent* event) {
  if (!ConfirmCloseDuringUpgrade() || !ConfirmDiscard([this] { close(); })) {
    event->ignore();
    return;
  }
  ShutDown();
  QDialog::closeEvent(event);
}

}  // namespace telvaro
