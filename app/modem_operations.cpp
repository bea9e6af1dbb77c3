#include "app/modem_operations.h"

#include "record/setting_rules.h"

namespace telvaro {

ModemOperations::ModemOperations(PortMap ports, WorkerThreads& workers, QObject* parent)
    : QObject(parent), workers_(workers), client_(std::move(ports), this) {
  qRegisterMetaType<telvaro::ConfigRecord>();
}

ModemOperations::~ModemOperations() {
  // The window going away hears nothing more.
  blockSignals(true);
  client_.StopDispatch();
  client_.Close();
}

void ModemOperations::Start(std::optional<ConfigRecord> toWrite, unsigned generation) {
  // The operation belongs to the port as it is opened now.
  const unsigned opening = client_.Session().OpenCount();
  polled_.store(false);
  workers_.Start([this, toWrite = std::move(toWrite), generation, opening] {
    Result<ConfigRecord> answer = toWrite ? client_.Write(*toWrite, opening) : client_.Read(opening);
    // The echo only says the modem took the frame; what it stored is read back.
    if (toWrite && answer) answer = client_.Read(opening);
    PortSession& session = client_.Session();
    const bool current = session.ReaderRunning() && session.OpenCount() == opening;
    Outcome outcome = Succeeded;
    QString text;
    if (!answer) {
      switch (answer.failure().kind) {
        case FailureKind::NoAnswer:
        case FailureKind::Damaged:  // dispatch has shown "bad chksum" itself
          outcome = TimedOut;
          break;
        case FailureKind::Line:
          outcome = current ? NotSent : Abandoned;
          text = QString::fromStdString(answer.failure().message);
          break;
        default:
          outcome = Abandoned;
          break;
      }
    } else if (!current) {
      outcome = Abandoned;  // answered, but the port has been closed since
    } else if (toWrite) {
      for (const SettingDifference& d : SettingsNotKept(*toWrite, answer.value())) {
        outcome = NotKept;
        text += (text.isEmpty() ? "" : ", ") + QString::fromStdString(d.key);
      }
    }
    emit finished(outcome, text, generation);
  });
}

void ModemOperations::StartPoll() {
  const unsigned opening = client_.Session().OpenCount();
  polled_.store(true);
  workers_.Start([this, opening] {
    const Result<ConfigRecord> answer = client_.Read(opening);
    emit pollFinished(answer ? QString() : QString::fromStdString(OneLine(answer.failure())));
  });
}

void ModemOperations::DispatchMessage(const std::string& text) { emit messageRaised(QString::fromStdString(text)); }

void ModemOperations::RecordAccepted(const ConfigRecord& record) {
  if (polled_.load()) {
    emit statusPolled(record);
    return;
  }
  emit recordAccepted(record);
}

void ModemOperations::PortStateChanged(bool open) { emit portStateChanged(open); }

void ModemOperations::DeviceDisconnected() {
  // On the reader thread: the window closes the port on its own thread,
  // unless it has been closed or reopened since.
  emit deviceDisconnected(client_.Session().OpenCount());
}

}  // namespace telvaro
